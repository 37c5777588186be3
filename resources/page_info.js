// Facts about the page a tab shows, as one JSON text: its address, title, character set and
// the size of its document. Evaluate "pageInfo()" after this script has run.
function pageInfo() {
    var doc = document;
    var root = doc.documentElement;
    return JSON.stringify({
        url: String(window.location.href),
        title: String(doc.title || ""),
        charset: String(doc.characterSet || doc.charset || ""),
        width: root ? root.scrollWidth : 0,
        height: root ? root.scrollHeight : 0
    });
}
