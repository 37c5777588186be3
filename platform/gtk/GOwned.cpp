#include "platform/gtk/GOwned.h"

#include <cairo.h>
#include <webkit/webkit.h>

namespace gtk {

void GLibRelease::operator()(char* text) const {
    g_free(text);
}

void GLibRelease::operator()(GError* error) const {
    g_error_free(error);
}

void GLibRelease::operator()(GBytes* bytes) const {
    g_bytes_unref(bytes);
}

void GLibRelease::operator()(GList* list) const {
    g_list_free(list);
}

void GLibRelease::operator()(GDateTime* time) const {
    g_date_time_unref(time);
}

void GLibRelease::operator()(GMainContext* context) const {
    g_main_context_unref(context);
}

void GLibRelease::operator()(GSource* source) const {
    g_source_destroy(source);
    g_source_unref(source);
}

void GLibRelease::operator()(GskRenderNode* node) const {
    gsk_render_node_unref(node);
}

void GLibRelease::operator()(GskTransform* transform) const {
    gsk_transform_unref(transform);
}

void GLibRelease::operator()(PangoFontDescription* font) const {
    pango_font_description_free(font);
}

void GLibRelease::operator()(PangoAttrList* attributes) const {
    pango_attr_list_unref(attributes);
}

void GLibRelease::operator()(SoupCookie* cookie) const {
    soup_cookie_free(cookie);
}

void GLibRelease::operator()(WebKitUserScript* script) const {
    webkit_user_script_unref(script);
}

void GLibRelease::operator()(cairo_t* context) const {
    cairo_destroy(context);
}

void GLibRelease::operator()(cairo_surface_t* surface) const {
    cairo_surface_destroy(surface);
}

void GLibRelease::releaseObject(void* object) {
    g_object_unref(object);
}

void* GLibRelease::referenceObject(void* object) {
    return object ? g_object_ref(object) : nullptr;
}

void* GLibRelease::referenceSinkingObject(void* object) {
    return object ? g_object_ref_sink(object) : nullptr;
}

GOwned<GSource> attachTimeout(unsigned milliseconds, int (*callback)(void* data), void* data) {
    auto source = adopt(g_timeout_source_new(milliseconds));
    g_source_set_callback(source.get(), callback, data, nullptr);
    g_source_attach(source.get(), g_main_context_default());
    return source;
}

} // namespace gtk
