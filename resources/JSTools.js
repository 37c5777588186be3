// Defines MyAppGetHTMLElementsAtPoint(x, y), which the link menu of a tab asks about a
// long-pressed point, given in pixels of the page's viewport. The answer is the tag names of
// the elements at the point, from the innermost outwards, each between commas (",IMG,A,P,BODY,
// HTML,"), then "|" and the address to act on: the nearest enclosing link's, else the image's,
// else nothing. When there is an image inside a link, "|" and the image's address follow, so
// that saving the image saves the image and not the page it links to.
function MyAppGetHTMLElementsAtPoint(x, y) {
  var tags = ',';
  var link = '';
  var image = '';
  var element = document.elementFromPoint(x, y);
  for (; element; element = element.parentNode) {
    if (element.nodeType !== 1)
      continue;
    var name = String(element.tagName).toUpperCase();
    tags += name + ',';
    if (!link && name === 'A' && typeof element.href === 'string' && element.href)
      link = element.href;
    if (!image && name === 'IMG')
      image = element.currentSrc || element.src || '';
  }
  var answer = tags + '|' + (link || image);
  if (link && image)
    answer += '|' + image;
  return answer;
}
