// The frames a page has: runs in the engine's own world right behind a script of the engine's
// client, so that the navigation of a frame that script added is known for a frame's when it
// comes to be decided, without a probe of its own. Answers, as JSON text, the address of every
// frame (as the navigation probe reads them: a frame without an address is about:blank),
// without its fragment.
(function () {
  var sources = [];
  (function collect(doc, depth) {
    if (depth > 20) return;
    var list = doc.querySelectorAll('iframe,frame');
    for (var i = 0; i < list.length; i++) {
      var element = list[i], src = element.getAttribute('src'), inner = null;
      if (src === null || src === '') {
        sources.push('about:blank');
      } else {
        try { sources.push(new URL(src, doc.baseURI).href.split('#')[0]); } catch (e) {}
      }
      try { inner = element.contentDocument; } catch (e) {}
      if (inner) collect(inner, depth + 1);
    }
  })(document, 0);
  return JSON.stringify(sources);
})();
