// The visible text of the page, for content fingerprints; nothing before the page has a body.
document.body ? document.body.innerText : ""
