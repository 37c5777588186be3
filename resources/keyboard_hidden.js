// Puts the start page's box back where it stands without the keyboard.
document.getElementById('contain').style.top = '15%'
