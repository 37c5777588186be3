// The rich-media (MRAID 2.0) interface that the ads client serves to a creative asking for
// "mraid.js". The creative talks to the ads client through "amsg" messages (mraid.open becomes
// "click", mraid.close becomes "close"); the ads client talks to the page by calling
// VDMA_fireNotification(name, info) with:
//   "onReady"                 ({placementType}): the container is ready: state "default",
//                             then the "ready" event;
//   "onAdVisibilityChanged"   ({visible: "1" or "0"}): "viewableChange" when it changed;
//   "onSizeChanged"           ({position, defaultPosition}): where the ad is, in points of the
//                             window ({x, y, width, height}); "sizeChange" when the size changed;
//   "onOrientationChanged"    ({orientation}): the interface orientation, in degrees;
//   "onStateChanged"          ({state}): "stateChange".
(function () {
    "use strict";
    if (window.mraid)
        return;

    var state = "loading";
    var viewable = false;
    var placementType = "inline";
    var position = { x: 0, y: 0, width: 0, height: 0 };
    var defaultPosition = null;
    var orientation = 0;
    var listeners = {};
    var expandProperties = { width: 0, height: 0, useCustomClose: false, isModal: true };
    var orientationProperties = { allowOrientationChange: true, forceOrientation: "none" };
    var resizeProperties = {};

    function send(name, values) {
        var query = Object.keys(values || {}).map(function (key) {
            return encodeURIComponent(key) + "=" + encodeURIComponent(String(values[key]));
        }).join("&");
        var frame = document.createElement("iframe");
        frame.style.display = "none";
        frame.src = "amsg:///" + name + (query ? "?" + query : "");
        (document.body || document.documentElement).appendChild(frame);
        setTimeout(function () { frame.remove(); }, 1000);
    }

    function fire(event) {
        var args = Array.prototype.slice.call(arguments, 1);
        (listeners[event] || []).slice().forEach(function (listener) {
            try {
                listener.apply(null, args);
            } catch (error) {
                // A listener that throws does not keep the others from hearing the event.
            }
        });
    }

    function fireError(message, action) {
        fire("error", message, action);
    }

    function number(value) {
        var result = Number(value);
        return isFinite(result) ? result : 0;
    }

    function rectangle(value) {
        value = value || {};
        return { x: number(value.x), y: number(value.y), width: number(value.width),
                 height: number(value.height) };
    }

    function setState(newState) {
        if (state === newState)
            return;
        state = newState;
        fire("stateChange", state);
    }

    var handlers = {
        onReady: function (info) {
            if (info.placementType === "interstitial")
                placementType = "interstitial";
            if (state !== "loading")
                return;
            state = "default";
            fire("ready");
        },
        onAdVisibilityChanged: function (info) {
            var now = info.visible === "1";
            if (now === viewable)
                return;
            viewable = now;
            fire("viewableChange", viewable);
        },
        onSizeChanged: function (info) {
            var before = position;
            position = rectangle(info.position);
            if (info.defaultPosition && !defaultPosition)
                defaultPosition = rectangle(info.defaultPosition);
            if (before.width !== position.width || before.height !== position.height)
                fire("sizeChange", position.width, position.height);
        },
        onOrientationChanged: function (info) {
            orientation = number(info.orientation);
        },
        onStateChanged: function (info) {
            if (typeof info.state === "string")
                setState(info.state);
        }
    };

    var previousReceiver = window.VDMA_fireNotification;
    window.VDMA_fireNotification = function (name, info) {
        if (typeof previousReceiver === "function")
            previousReceiver(name, info);
        var handler = handlers[name];
        if (handler)
            handler(info || {});
    };

    window.mraid = {
        getVersion: function () { return "2.0"; },
        getState: function () { return state; },
        getPlacementType: function () { return placementType; },
        isViewable: function () { return viewable; },
        addEventListener: function (event, listener) {
            if (typeof listener !== "function")
                return fireError("listener is not a function", "addEventListener");
            (listeners[event] = listeners[event] || []).push(listener);
        },
        removeEventListener: function (event, listener) {
            if (!listeners[event])
                return;
            if (listener === undefined)
                delete listeners[event];
            else
                listeners[event] = listeners[event].filter(function (l) { return l !== listener; });
        },
        open: function (url) {
            if (typeof url !== "string" || !url)
                return fireError("no URL to open", "open");
            var absolute;
            try {
                absolute = new URL(url, document.baseURI).href;
            } catch (error) {
                return fireError("not a URL: " + url, "open");
            }
            send("click", { u: absolute });
        },
        close: function () {
            if (state === "hidden" || state === "loading")
                return;
            send("close", {});
        },
        expand: function () { fireError("expand is not supported", "expand"); },
        resize: function () { fireError("resize is not supported", "resize"); },
        useCustomClose: function (custom) { expandProperties.useCustomClose = !!custom; },
        getExpandProperties: function () { return Object.assign({}, expandProperties); },
        setExpandProperties: function (properties) {
            Object.assign(expandProperties, properties || {});
        },
        getResizeProperties: function () { return Object.assign({}, resizeProperties); },
        setResizeProperties: function (properties) {
            resizeProperties = Object.assign({}, properties || {});
        },
        getOrientationProperties: function () { return Object.assign({}, orientationProperties); },
        setOrientationProperties: function (properties) {
            Object.assign(orientationProperties, properties || {});
        },
        getCurrentPosition: function () { return Object.assign({}, position); },
        getDefaultPosition: function () {
            return Object.assign({}, defaultPosition || position);
        },
        getSize: function () { return { width: position.width, height: position.height }; },
        getMaxSize: function () {
            return { width: window.innerWidth, height: window.innerHeight };
        },
        getScreenSize: function () {
            return { width: screen.width, height: screen.height };
        },
        supports: function () { return false; },
        storePicture: function () { fireError("storePicture is not supported", "storePicture"); },
        createCalendarEvent: function () {
            fireError("createCalendarEvent is not supported", "createCalendarEvent");
        },
        playVideo: function (url) { mraid.open(url); }
    };
})();
