// Adds the hidden frame whose "js:gh-page-loaded" request tells the tab that the page has
// finished loading, once per document and never to an empty one, and answers "1" (the frame was
// added) or "0", followed by the page's title: one trip to the page.
// Called with true when the page runs it itself at its load event: a file page then gets no
// frame, as the tab runs nothing in one when its load finishes.
// A document is empty when its whole markup is "<head></head><body></body>". Writing out a large
// page's markup to compare it took longer than loading the page (a tenth of a second for 5 MB),
// so it is written out only when the tree can give that text at all: the root holds two nodes
// that write something out, and neither holds any (empty text nodes write out nothing).
(function (atLoad) {
    if (atLoad && location.protocol == 'file:')
        return '0';
    var added = false;
    function written(node) {
        var list = [];
        for (var c = node.firstChild; c && list.length < 3; c = c.nextSibling)
            if (c.nodeType != 3 || c.data != '')
                list.push(c);
        return list;
    }
    var root = document.documentElement, parts = written(root);
    var mayBeEmpty = parts.length == 2 && written(parts[0]).length == 0 &&
        written(parts[1]).length == 0;
    if (document.getElementById('gh-page-loaded') == null &&
        !(mayBeEmpty && root.innerHTML == '<head></head><body></body>')) {
        var iframe = document.createElement('IFRAME');
        iframe.setAttribute('id', 'gh-page-loaded');
        iframe.setAttribute('src', 'js:gh-page-loaded');
        iframe.setAttribute('style', 'display:none');
        document.body.appendChild(iframe);
        iframe = null;
        document.body.style.webkitTouchCallout = 'none';
        added = true;
    }
    return (added ? '1' : '0') + document.title;
})
