#include "platform/gtk/PangoTextMeasurer.h"

#include "platform/gtk/ViewPainter.h"

#include <cairo.h>
#include <cmath>
#include <pango/pangocairo.h>

namespace gtk {

PangoTextMeasurer::PangoTextMeasurer()
    // The painter draws into image surfaces: a small one gives its font options.
    : surface_(adopt(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1)))
    , context_(adopt(cairo_create(surface_.get()))) {}

ui::Size PangoTextMeasurer::measure(const std::string& text, const ui::Font& font) const {
    if (text.empty())
        return ui::Size();
    auto layout = adopt(pango_cairo_create_layout(context_.get()));
    pango_layout_set_font_description(layout.get(), ViewPainter::fontDescription(font).get());
    pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    pango_layout_set_text(layout.get(), text.c_str(), -1);
    PangoRectangle logical{};
    pango_layout_get_extents(layout.get(), nullptr, &logical);
    return ui::Size(std::ceil(double(logical.width) / PANGO_SCALE),
                    std::ceil(double(logical.height) / PANGO_SCALE));
}

} // namespace gtk
