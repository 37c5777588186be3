// The engine's navigation probe: the body of a function that runs in the engine's own world
// when a navigation is to be decided, with `u` the address and `k` the navigation type (link 0,
// form 1, back/forward 2, reload 3, form again 4, other 5). Answers, as JSON text, which frame
// loads it ({"frame": "main"} or "sub") and, for a form post, its body and content type.
var target = u, kind = k;
function absolute(text, base) { try { return new URL(text, base).href; } catch (e) { return null; } }
function withoutFragment(a) { var i = a.indexOf('#'); return i < 0 ? a : a.slice(0, i); }
function withoutQuery(a) { a = withoutFragment(a); var i = a.indexOf('?'); return i < 0 ? a : a.slice(0, i); }
var frames = [];
(function collect(doc, depth) {
  if (depth > 20) return;
  var list = doc.querySelectorAll('iframe,frame');
  for (var i = 0; i < list.length; i++) {
    var element = list[i], inner = null;
    try { inner = element.contentDocument; } catch (e) {}
    frames.push({ element: element, owner: doc, doc: inner });
    if (inner) collect(inner, depth + 1);
  }
})(document, 0);
function namesTarget(frame) {
  var src = frame.element.getAttribute('src');
  if (src === null || src === '') return target === 'about:blank';
  var resolved = absolute(src, frame.owner.baseURI);
  return resolved !== null && withoutFragment(resolved) === withoutFragment(target);
}
function links(doc) {
  return Array.prototype.filter.call(doc.querySelectorAll('a[href],area[href]'), function (a) {
    return a.href === target || withoutFragment(a.href) === withoutFragment(target);
  });
}
function forms(doc) {
  return Array.prototype.filter.call(doc.forms, function (form) {
    var method = (form.method || 'get').toLowerCase();
    if (method === 'get') return withoutQuery(form.action) === withoutQuery(target);
    return withoutFragment(form.action) === withoutFragment(target);
  });
}
function staysInFrame(element) {
  var t = (element.getAttribute('target') || '').toLowerCase();
  return t !== '_top' && t !== '_parent' && t !== '_blank';
}
var result = { frame: 'main' };
var formDoc = document;
if (frames.some(namesTarget)) {
  result.frame = 'sub';
} else if (kind === 0 || kind === 1) {
  var find = kind === 0 ? links : forms;
  if (find(document).length === 0) {
    for (var i = 0; i < frames.length; i++) {
      if (frames[i].doc && find(frames[i].doc).some(staysInFrame)) {
        result.frame = 'sub'; formDoc = frames[i].doc; break;
      }
    }
  }
}
if (kind === 1 || kind === 4) {
  var candidates = forms(formDoc);
  var form = null;
  for (var j = 0; j < candidates.length; j++) {
    if (!form || (candidates[j].__gtkSubmitTime || 0) > (form.__gtkSubmitTime || 0)) form = candidates[j];
  }
  if (form && (form.method || 'get').toLowerCase() === 'post') {
    var data;
    try { data = new FormData(form, form.__gtkSubmitter || undefined); } catch (e) { data = new FormData(form); }
    var pairs = [];
    data.forEach(function (value, name) {
      pairs.push([name, typeof value === 'string' ? value : (value && value.name) || '']);
    });
    var enctype = (form.enctype || 'application/x-www-form-urlencoded').toLowerCase();
    if (enctype === 'text/plain') {
      result.body = pairs.map(function (p) { return p[0] + '=' + p[1] + '\r\n'; }).join('');
      result.contentType = 'text/plain';
    } else if (enctype === 'multipart/form-data') {
      var boundary = '----gtkEngineFormBoundary' + Math.random().toString(16).slice(2);
      result.body = pairs.map(function (p) {
        return '--' + boundary + '\r\nContent-Disposition: form-data; name="' +
          p[0].replace(/"/g, '%22') + '"\r\n\r\n' + p[1] + '\r\n';
      }).join('') + '--' + boundary + '--\r\n';
      result.contentType = 'multipart/form-data; boundary=' + boundary;
    } else {
      result.body = new URLSearchParams(pairs).toString();
      result.contentType = 'application/x-www-form-urlencoded';
    }
  }
}
return JSON.stringify(result);
