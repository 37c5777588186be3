#pragma once

#include "platform/gtk/GOwned.h"
#include "platform/ui/TextMeasurer.h"

namespace gtk {

// Measures text as ViewPainter sets it (Pango on cairo, the same font descriptions), so that
// the ui layer's layout makes room for what the window really draws. GtkPlatform installs it.
// Main thread only, as layout is.
class PangoTextMeasurer : public ui::TextMeasurer {
public:
    PangoTextMeasurer();
    ui::Size measure(const std::string& text, const ui::Font& font) const override;

private:
    GOwned<cairo_surface_t> surface_;
    GOwned<cairo_t> context_;
};

} // namespace gtk
