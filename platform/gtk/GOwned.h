#pragma once

#include <memory>

typedef struct _GError GError;
typedef struct _GBytes GBytes;
typedef struct _GList GList;
typedef struct _GDateTime GDateTime;
typedef struct _GMainContext GMainContext;
typedef struct _GSource GSource;
typedef struct _GskRenderNode GskRenderNode;
typedef struct _GskTransform GskTransform;
typedef struct _PangoFontDescription PangoFontDescription;
typedef struct _PangoAttrList PangoAttrList;
typedef struct _SoupCookie SoupCookie;
typedef struct _WebKitUserScript WebKitUserScript;
typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace gtk {

// Lets go of what a handle of GLib, GTK, WebKit (or cairo, which GTK draws with) holds, chosen
// by the handle's type: the library's unref or free. A type not named here is a GObject.
struct GLibRelease {
    void operator()(char* text) const;
    void operator()(GError* error) const;
    void operator()(GBytes* bytes) const;
    void operator()(GList* list) const; // the list, not its items
    void operator()(GDateTime* time) const;
    void operator()(GMainContext* context) const;
    // A source held is taken off its context as it goes, so its callback cannot outlive it.
    void operator()(GSource* source) const;
    void operator()(GskRenderNode* node) const;
    void operator()(GskTransform* transform) const;
    void operator()(PangoFontDescription* font) const;
    void operator()(PangoAttrList* attributes) const;
    void operator()(SoupCookie* cookie) const;
    void operator()(WebKitUserScript* script) const;
    void operator()(cairo_t* context) const;
    void operator()(cairo_surface_t* surface) const;
    template <class Object> void operator()(Object* object) const { releaseObject(object); }

    static void releaseObject(void* object);
    static void* referenceObject(void* object);
    static void* referenceSinkingObject(void* object);
};

// The one owner of such a handle: whatever way a scope is left, the reference it holds is let
// go exactly once. Take a handle the library gives with adopt(); take a reference of your own
// to a GObject you were lent with ref() (refSink() for a newly made widget, whose first
// reference is floating).
template <class T> using GOwned = std::unique_ptr<T, GLibRelease>;

template <class T> GOwned<T> adopt(T* handle) {
    return GOwned<T>(handle);
}

template <class T> GOwned<T> ref(T* object) {
    return GOwned<T>(static_cast<T*>(GLibRelease::referenceObject(object)));
}

template <class T> GOwned<T> refSink(T* object) {
    return GOwned<T>(static_cast<T*>(GLibRelease::referenceSinkingObject(object)));
}

// A time-out on GLib's main context that calls `callback(data)` after `milliseconds` (again
// and again while it answers true), for as long as the returned owner keeps it.
GOwned<GSource> attachTimeout(unsigned milliseconds, int (*callback)(void* data), void* data);

} // namespace gtk
