// The engine's page script: runs in every frame as its document starts, in the engine's own
// isolated world. Every frame remembers which form was submitted last, and by which button. The
// main frame also reports the page's size and scroll position to the engine. The top inset is
// not applied to the page (the window places the view below it, so fixed and absolutely placed
// content is not hidden under the bars); the script only counts offsets from above it. How much
// of the inset is scrolled away (`shift`, which the window's placement follows) is the offset's
// own part: the page scrolls only once the inset is gone, and a page that scrolls by itself
// (keys, its own scripts, a restored position) takes the inset away, and gives it back when it
// scrolls back to its top.
//
// The file is one function expression: the engine calls it with the inset in CSS pixels.
(function (inset) {
  if (window.__gtkEngineForms) return;
  window.__gtkEngineForms = true;
  window.addEventListener('submit', function (event) {
    var form = event.target;
    if (form && form.tagName === 'FORM') {
      form.__gtkSubmitter = event.submitter || null;
      form.__gtkSubmitTime = Date.now();
    }
  }, true);
  // Which frame a clicked link loads in is plain from the link itself: the engine hears it
  // before the navigation is decided, and needs no probe for it then. A link aimed at a named
  // frame is left to the probe.
  window.addEventListener('click', function (event) {
    var node = event.target;
    var link = !event.defaultPrevented && node && node.closest ?
      node.closest('a[href],area[href]') : null;
    if (!link) return;
    var target = (link.getAttribute('target') || '').toLowerCase();
    var main = null;
    if (target === '' || target === '_self') main = window === window.top;
    else if (target === '_top') main = true;
    else if (target === '_parent') main = window.parent === window.top;
    if (main === null) return;
    try {
      window.webkit.messageHandlers.gtkEngine.postMessage({ link: link.href, main: main });
    } catch (e) {}
  });
  if (window !== window.top) return;

  var shift = 0;
  var last = { x: NaN, y: NaN, w: NaN, h: NaN, shift: NaN };
  var queued = false;
  function post(message) {
    try { window.webkit.messageHandlers.gtkEngine.postMessage(message); } catch (e) {}
  }
  function report() {
    queued = false;
    var root = document.scrollingElement || document.documentElement;
    if (!root) return;
    var x = window.scrollX, y = window.scrollY, w = root.scrollWidth, h = root.scrollHeight;
    // Scrolled back to its top by the person (or the page), the page shows its inset again:
    // the top of the page is the top of the scroll range, with the bars above it.
    if (y > 0) shift = inset;
    else if (last.y > 0) shift = 0;
    var message = {}, changed = false;
    if (w !== last.w || h !== last.h) {
      message.w = w; message.h = h; changed = true;
    }
    if (x !== last.x || y !== last.y || shift !== last.shift) {
      message.x = x; message.y = y + shift - inset; changed = true;
    }
    last = { x: x, y: y, w: w, h: h, shift: shift };
    if (changed) post(message);
  }
  function schedule() {
    if (!queued) { queued = true; setTimeout(report, 0); }
  }
  window.__gtkEngine = {
    scrollTo: function (x, y) {
      shift = Math.min(inset, Math.max(0, y + inset));
      window.scrollTo(Math.max(0, x), Math.max(0, y));
      // Where code put the page is no news to the code.
      last.x = window.scrollX; last.y = window.scrollY; last.shift = shift;
      schedule();
    },
    setInset: function (value) { inset = value; last.y = NaN; schedule(); },
    // A press that the window took from the page (a long press that opened a menu) is no
    // click: what the press gave focus to (a link under the point, x and y in the viewport)
    // loses it again, so that it is not shown focused once the window gives the page back its
    // focus. Frames are followed as far as the page can see into them.
    pressTaken: function (x, y) {
      var doc = document;
      for (var depth = 0; depth < 20; depth++) {
        var active = doc.activeElement, under = doc.elementFromPoint(x, y);
        if (!active || active === doc.body || !under || !active.contains(under)) return;
        var inner = null;
        try { inner = active.contentDocument; } catch (e) {}
        if (!inner) { active.blur(); return; }
        var box = active.getBoundingClientRect();
        x -= box.left; y -= box.top; doc = inner;
      }
    }
  };
  // A page that is not shown gets no rendering updates, so neither scroll events nor size
  // observations: it costs nothing while hidden, and says where it stands once shown again.
  function watchVisibility() {
    if (!document.hidden) schedule();
  }
  function start() {
    if (window.ResizeObserver && document.documentElement)
      new ResizeObserver(schedule).observe(document.documentElement);
    schedule();
  }
  document.addEventListener('visibilitychange', watchVisibility);
  window.addEventListener('scroll', schedule, { passive: true });
  window.addEventListener('resize', schedule);
  window.addEventListener('load', schedule);
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
  else start();
})
