// Moves the start page's box up while the keyboard covers the lower part of the screen.
document.getElementById('contain').style.top = '-15px'
