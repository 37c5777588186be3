#pragma once

#include "platform/gtk/GOwned.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {
class BarButtonItem;
class Image;
class View;
} // namespace ui

namespace gtk {

// Paints what a ui::View shows of itself, not its subviews: background and layer border,
// label text, toolbar and navigation bar with their items, progress bar, spinner, images.
// Web views and the text of text fields are real widgets: a web view gets its background
// here, a text field its background and border. One point is one pixel. Decoded images are
// kept while their ui::Image lives.
class ViewPainter {
public:
    ViewPainter() = default;
    ViewPainter(const ViewPainter&) = delete;
    ViewPainter& operator=(const ViewPainter&) = delete;

    // Paints into the view's own space: (0, 0) is the top left of its bounds' size.
    void paint(const ui::View& view, cairo_t* cr);

    // The one colour paint() fills the view's bounds with, when that is all it draws (a plain
    // background, a web view before its page; clear when it draws nothing): a colour node
    // draws it for far less than a picture.
    static std::optional<ui::Color> solidFill(const ui::View& view);

    // Where paint() may draw, in the view's own space: its bounds, or for a button's title
    // the width of the button (the title may use the button's room).
    static ui::Rect paintRect(const ui::View& view);

    // A value that changes whenever what paint() draws for the view changes (geometry,
    // look, text, state); views are compared with it to know when to redraw.
    static std::size_t lookHash(const ui::View& view);

    // What a system bar item shows as its title.
    static std::string systemItemTitle(ui::BarButtonSystemItem item);

    // The Pango font a ui::Font stands for (the system family is Sans).
    static GOwned<PangoFontDescription> fontDescription(const ui::Font& font);

    // Forgets decoded images whose ui::Image has gone.
    void purgeImages();

private:
    cairo_surface_t* surfaceFor(const std::shared_ptr<ui::Image>& image);
    // The bar button items of a toolbar or a navigation bar, where the bar laid them out.
    void paintBarItems(cairo_t* cr, const ui::View& view,
                       const std::vector<std::shared_ptr<ui::BarButtonItem>>& items);
    void paintImage(cairo_t* cr, const std::shared_ptr<ui::Image>& image, double x, double y,
                    double width, double height, int contentMode);

    struct Decoded {
        std::weak_ptr<ui::Image> image;
        GOwned<cairo_surface_t> surface; // null for data that is no PNG
    };
    std::map<const ui::Image*, Decoded> images_;
};

} // namespace gtk
