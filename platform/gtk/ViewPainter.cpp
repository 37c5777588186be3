#include "platform/gtk/ViewPainter.h"

#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/View.h"
#include "platform/ui/WebView.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <pango/pangocairo.h>

namespace gtk {

namespace {

constexpr double pi = 3.14159265358979323846;

void setColor(cairo_t* cr, const ui::Color& color, double alpha = 1.0) {
    cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha * alpha);
}

void roundedRectangle(cairo_t* cr, double x, double y, double width, double height, double radius) {
    radius = std::min({radius, width / 2, height / 2});
    if (radius <= 0) {
        cairo_rectangle(cr, x, y, width, height);
        return;
    }
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + width - radius, y + radius, radius, -pi / 2, 0);
    cairo_arc(cr, x + width - radius, y + height - radius, radius, 0, pi / 2);
    cairo_arc(cr, x + radius, y + height - radius, radius, pi / 2, pi);
    cairo_arc(cr, x + radius, y + radius, radius, pi, 3 * pi / 2);
    cairo_close_path(cr);
}

} // namespace

GOwned<PangoFontDescription> ViewPainter::fontDescription(const ui::Font& font) {
    auto owned = adopt(pango_font_description_new());
    PangoFontDescription* description = owned.get();
    const bool system = font.family.empty() || font.family == ui::Font::systemFamily;
    pango_font_description_set_family(description, system ? "Sans" : font.family.c_str());
    pango_font_description_set_absolute_size(description,
                                             std::max(1.0, font.pointSize) * PANGO_SCALE);
    pango_font_description_set_weight(description,
                                      font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description,
                                     font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return owned;
}

namespace {

struct TextStyle {
    ui::Font font = ui::Font::systemFont(17);
    ui::Color color = ui::Color::blackColor();
    ui::TextAlignment alignment = ui::TextAlignment::Left;
    int lines = 1;
    ui::LineBreakMode lineBreak = ui::LineBreakMode::TruncatingTail;
    std::optional<ui::Color> shadow;
    ui::Size shadowOffset;
    // Drawn whole and centred on the rectangle, even when wider (bar items, whose frames are
    // only estimates of the text's width).
    bool centredWhole = false;
};

// Draws the text in the rectangle, centred vertically as labels are.
void drawText(cairo_t* cr, const std::string& text, const TextStyle& style, double x, double y,
              double width, double height) {
    if (text.empty() || width <= 0 || height <= 0)
        return;
    auto owned = adopt(pango_cairo_create_layout(cr));
    PangoLayout* layout = owned.get();
    pango_layout_set_font_description(layout, ViewPainter::fontDescription(style.font).get());
    pango_layout_set_text(layout, text.c_str(), -1);
    if (!style.centredWhole)
        pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
    if (style.lines == 1) {
        pango_layout_set_single_paragraph_mode(layout, TRUE);
    } else {
        pango_layout_set_wrap(layout, style.lineBreak == ui::LineBreakMode::CharWrapping
                                          ? PANGO_WRAP_CHAR
                                          : PANGO_WRAP_WORD_CHAR);
        pango_layout_set_height(layout, style.lines > 1 ? -style.lines
                                                        : static_cast<int>(height * PANGO_SCALE));
    }
    switch (style.lineBreak) {
    case ui::LineBreakMode::TruncatingHead:
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_START);
        break;
    case ui::LineBreakMode::TruncatingMiddle:
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_MIDDLE);
        break;
    case ui::LineBreakMode::TruncatingTail:
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        break;
    default:
        pango_layout_set_ellipsize(layout,
                                   style.lines == 1 ? PANGO_ELLIPSIZE_NONE : PANGO_ELLIPSIZE_END);
        break;
    }
    switch (style.alignment) {
    case ui::TextAlignment::Center:
        pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
        break;
    case ui::TextAlignment::Right:
        pango_layout_set_alignment(layout, PANGO_ALIGN_RIGHT);
        break;
    case ui::TextAlignment::Justified:
        pango_layout_set_justify(layout, TRUE);
        break;
    default:
        pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
        break;
    }
    int textWidth = 0;
    int textHeight = 0;
    pango_layout_get_pixel_size(layout, &textWidth, &textHeight);
    const double top = y + std::max(0.0, (height - textHeight) / 2);
    if (style.centredWhole)
        x += (width - textWidth) / 2;
    cairo_save(cr);
    if (!style.centredWhole) {
        cairo_rectangle(cr, x, y, width, height);
        cairo_clip(cr);
    }
    if (style.shadow) {
        setColor(cr, *style.shadow);
        cairo_move_to(cr, x + style.shadowOffset.width, top + style.shadowOffset.height);
        pango_cairo_show_layout(cr, layout);
    }
    setColor(cr, style.color);
    cairo_move_to(cr, x, top);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
}

cairo_status_t readPNG(void* closure, unsigned char* data, unsigned int length) {
    auto* cursor = static_cast<std::pair<const std::uint8_t*, std::size_t>*>(closure);
    if (cursor->second < length)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, cursor->first, length);
    cursor->first += length;
    cursor->second -= length;
    return CAIRO_STATUS_SUCCESS;
}

// Hashes values into one, order mattering.
class Hasher {
public:
    template <class T> void add(const T& value) {
        seed_ ^= std::hash<T>{}(value) + 0x9e3779b97f4a7c15ULL + (seed_ << 6) + (seed_ >> 2);
    }
    void add(const ui::Color& color) {
        add(color.red);
        add(color.green);
        add(color.blue);
        add(color.alpha);
    }
    void add(const std::optional<ui::Color>& color) {
        add(color.has_value());
        if (color)
            add(*color);
    }
    void add(const ui::Rect& rect) {
        add(rect.origin.x);
        add(rect.origin.y);
        add(rect.size.width);
        add(rect.size.height);
    }
    void add(const ui::Font& font) {
        add(font.family);
        add(font.pointSize);
        add(font.bold);
        add(font.italic);
    }
    std::size_t value() const { return seed_; }

private:
    std::size_t seed_ = 0;
};

std::string itemTitle(const ui::BarButtonItem& item) {
    if (!item.title().empty())
        return item.title();
    if (item.systemItem())
        return ViewPainter::systemItemTitle(*item.systemItem());
    return {};
}

// What paintBarItems draws of each item.
void addBarItems(Hasher& hash, const std::vector<std::shared_ptr<ui::BarButtonItem>>& items) {
    hash.add(items.size());
    for (const auto& item : items) {
        hash.add(itemTitle(*item));
        hash.add(static_cast<int>(item->style()));
        hash.add(item->isSpace());
        hash.add(item->customView() != nullptr);
        hash.add(item->isEnabled());
        hash.add(item->image().get());
        hash.add(item->frameInBar());
        hash.add(item->tintColor());
    }
}

} // namespace

std::string ViewPainter::systemItemTitle(ui::BarButtonSystemItem item) {
    using S = ui::BarButtonSystemItem;
    switch (item) {
    case S::Done:
        return "Done";
    case S::Cancel:
        return "Cancel";
    case S::Edit:
        return "Edit";
    case S::Save:
        return "Save";
    case S::Add:
        return "+";
    case S::Compose:
        return "\u270E";
    case S::Reply:
        return "\u21A9";
    case S::Action:
        return "\u21EA";
    case S::Organize:
        return "\u25A4";
    case S::Bookmarks:
        return "\u2630";
    case S::Search:
        return "\u2315";
    case S::Refresh:
        return "\u27F3";
    case S::Stop:
        return "\u2715";
    case S::Camera:
        return "\u25C9";
    case S::Trash:
        return "\u2421";
    case S::Play:
        return "\u25B6";
    case S::Pause:
        return "\u275A\u275A";
    case S::Rewind:
        return "\u25C0\u25C0";
    case S::FastForward:
        return "\u25B6\u25B6";
    case S::Undo:
        return "Undo";
    case S::Redo:
        return "Redo";
    case S::PageCurl:
        return "\u21B2";
    case S::FlexibleSpace:
    case S::FixedSpace:
        return {};
    }
    return {};
}

cairo_surface_t* ViewPainter::surfaceFor(const std::shared_ptr<ui::Image>& image) {
    if (!image || image->data().empty())
        return nullptr;
    auto found = images_.find(image.get());
    if (found != images_.end() && found->second.image.lock() == image)
        return found->second.surface.get();
    if (found != images_.end())
        images_.erase(found);
    std::pair<const std::uint8_t*, std::size_t> cursor(image->data().bytes(), image->data().size());
    auto surface = adopt(cairo_image_surface_create_from_png_stream(readPNG, &cursor));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        surface.reset();
    cairo_surface_t* decoded = surface.get();
    images_[image.get()] = Decoded{image, std::move(surface)};
    return decoded;
}

void ViewPainter::purgeImages() {
    for (auto it = images_.begin(); it != images_.end();) {
        if (it->second.image.expired())
            it = images_.erase(it);
        else
            ++it;
    }
}

void ViewPainter::paintImage(cairo_t* cr, const std::shared_ptr<ui::Image>& image, double x,
                             double y, double width, double height, int contentMode) {
    cairo_surface_t* surface = surfaceFor(image);
    if (!surface || width <= 0 || height <= 0)
        return;
    const double pixelWidth = cairo_image_surface_get_width(surface);
    const double pixelHeight = cairo_image_surface_get_height(surface);
    if (pixelWidth <= 0 || pixelHeight <= 0)
        return;
    // The image's size in points.
    const double imageWidth = image->size().width > 0 ? image->size().width : pixelWidth;
    const double imageHeight = image->size().height > 0 ? image->size().height : pixelHeight;
    double drawWidth = width;
    double drawHeight = height;
    switch (static_cast<ui::ContentMode>(contentMode)) {
    case ui::ContentMode::ScaleAspectFit: {
        const double scale = std::min(width / imageWidth, height / imageHeight);
        drawWidth = imageWidth * scale;
        drawHeight = imageHeight * scale;
        break;
    }
    case ui::ContentMode::ScaleAspectFill: {
        const double scale = std::max(width / imageWidth, height / imageHeight);
        drawWidth = imageWidth * scale;
        drawHeight = imageHeight * scale;
        break;
    }
    case ui::ContentMode::ScaleToFill:
    case ui::ContentMode::Redraw:
        break;
    default:
        drawWidth = imageWidth;
        drawHeight = imageHeight;
        break;
    }
    cairo_save(cr);
    cairo_rectangle(cr, x, y, width, height);
    cairo_clip(cr);
    cairo_translate(cr, x + (width - drawWidth) / 2, y + (height - drawHeight) / 2);
    cairo_scale(cr, drawWidth / pixelWidth, drawHeight / pixelHeight);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
}

// The bar button items of a toolbar or a navigation bar, where the bar laid them out: a title,
// or an image when the item has no title.
void ViewPainter::paintBarItems(cairo_t* cr, const ui::View& view,
                                const std::vector<std::shared_ptr<ui::BarButtonItem>>& items) {
    for (const auto& item : items) {
        if (item->isSpace() || item->customView())
            continue;
        const ui::Rect& frame = item->frameInBar();
        ui::Color color = item->tintColor().value_or(view.tintColor());
        if (!item->isEnabled())
            color = color.withAlpha(0.35);
        if (item->image() && item->title().empty()) {
            const ui::Size size = item->image()->size();
            paintImage(
                cr, item->image(), frame.origin.x, frame.origin.y, frame.size.width,
                frame.size.height,
                static_cast<int>(size.width > frame.size.width || size.height > frame.size.height
                                     ? ui::ContentMode::ScaleAspectFit
                                     : ui::ContentMode::Center));
            continue;
        }
        TextStyle style;
        style.font = item->titleFont();
        style.color = color;
        style.centredWhole = true;
        drawText(cr, itemTitle(*item), style, frame.origin.x, frame.origin.y, frame.size.width,
                 frame.size.height);
    }
}

std::optional<ui::Color> ViewPainter::solidFill(const ui::View& view) {
    const ui::Layer& layer = view.layer();
    if (layer.borderWidth > 0 || layer.cornerRadius > 0)
        return std::nullopt;
    // What paint() draws besides the background.
    if (dynamic_cast<const ui::Label*>(&view) || dynamic_cast<const ui::Toolbar*>(&view) ||
        dynamic_cast<const ui::NavigationBar*>(&view) ||
        dynamic_cast<const ui::ProgressView*>(&view))
        return std::nullopt;
    if (auto* button = dynamic_cast<const ui::Button*>(&view);
        button && button->currentBackgroundImage())
        return std::nullopt;
    if (auto* imageView = dynamic_cast<const ui::ImageView*>(&view);
        imageView && imageView->displayedImage())
        return std::nullopt;
    if (auto* spinner = dynamic_cast<const ui::ActivityIndicatorView*>(&view);
        spinner && spinner->isAnimating())
        return std::nullopt;
    if (auto* field = dynamic_cast<const ui::TextField*>(&view);
        field && field->borderStyle() != ui::TextBorderStyle::None)
        return std::nullopt;
    if (dynamic_cast<const ui::WebView*>(&view) && !view.backgroundColor())
        return ui::Color::whiteColor();
    // Nothing at all without a background: a clear colour.
    return view.backgroundColor().value_or(ui::Color::clearColor());
}

void ViewPainter::paint(const ui::View& view, cairo_t* cr) {
    const double width = view.bounds().size.width;
    const double height = view.bounds().size.height;
    const ui::Layer& layer = view.layer();

    if (view.backgroundColor() && view.backgroundColor()->alpha > 0) {
        setColor(cr, *view.backgroundColor());
        roundedRectangle(cr, 0, 0, width, height, layer.cornerRadius);
        cairo_fill(cr);
    }

    if (auto* label = dynamic_cast<const ui::Label*>(&view)) {
        TextStyle style;
        style.font = label->font();
        style.color = label->isHighlighted() && label->highlightedTextColor()
                          ? *label->highlightedTextColor()
                          : label->textColor();
        if (!label->isEnabled())
            style.color = style.color.withAlpha(style.color.alpha * 0.4);
        style.alignment = label->textAlignment();
        style.lines = label->numberOfLines();
        style.lineBreak = label->lineBreakMode();
        style.shadow = label->shadowColor();
        style.shadowOffset = label->shadowOffset();
        // A button lays its title out from an estimate of the text's width; the text may use
        // the button's room beside the label before it is cut short.
        double x = 0;
        double room = width;
        if (style.lines == 1) {
            const ui::Rect area = paintRect(view);
            if (style.alignment == ui::TextAlignment::Center) {
                const double extra =
                    std::min(-area.origin.x, area.origin.x + area.size.width - width);
                x = -extra;
                room = width + 2 * extra;
            } else if (style.alignment == ui::TextAlignment::Right) {
                x = area.origin.x;
                room = width - area.origin.x;
            } else {
                room = area.origin.x + area.size.width;
            }
        }
        drawText(cr, label->text(), style, x, 0, room, height);
    } else if (auto* button = dynamic_cast<const ui::Button*>(&view)) {
        // The title and image are subviews of their own.
        if (auto background = button->currentBackgroundImage())
            paintImage(cr, background, 0, 0, width, height,
                       static_cast<int>(ui::ContentMode::ScaleToFill));
    } else if (auto* imageView = dynamic_cast<const ui::ImageView*>(&view)) {
        paintImage(cr, imageView->displayedImage(), 0, 0, width, height,
                   static_cast<int>(view.contentMode()));
    } else if (auto* toolbar = dynamic_cast<const ui::Toolbar*>(&view)) {
        const bool black = toolbar->barStyle() == ui::BarStyle::Black;
        if (!view.backgroundColor()) {
            setColor(cr,
                     toolbar->barTintColor().value_or(
                         black ? ui::Color::fromWhite(0.1) : ui::Color::fromRGB255(247, 247, 247)));
            cairo_rectangle(cr, 0, 0, width, height);
            cairo_fill(cr);
        }
        setColor(cr, ui::Color::fromWhite(black ? 0.0 : 0.7));
        cairo_rectangle(cr, 0, 0, width, 0.5);
        cairo_fill(cr);
        paintBarItems(cr, view, toolbar->items());
    } else if (auto* bar = dynamic_cast<const ui::NavigationBar*>(&view)) {
        if (!view.backgroundColor()) {
            setColor(cr, ui::Color::fromRGB255(247, 247, 247));
            cairo_rectangle(cr, 0, 0, width, height);
            cairo_fill(cr);
        }
        setColor(cr, ui::Color::fromWhite(0.7));
        cairo_rectangle(cr, 0, height - 0.5, width, 0.5);
        cairo_fill(cr);
        if (auto top = bar->topItem()) {
            TextStyle title;
            title.font = ui::NavigationBar::titleFont();
            title.alignment = ui::TextAlignment::Center;
            const ui::Rect titleFrame = bar->titleFrame();
            drawText(cr, top->title(), title, titleFrame.minX(), titleFrame.minY(),
                     titleFrame.width(), titleFrame.height());
            paintBarItems(cr, view, top->leftBarButtonItems());
            paintBarItems(cr, view, top->rightBarButtonItems());
            if (bar->showsBackButton()) {
                const ui::Rect frame = bar->backButtonFrame();
                TextStyle backStyle;
                backStyle.font = ui::NavigationBar::backButtonFont();
                backStyle.color = view.tintColor();
                drawText(cr, bar->backButtonText(), backStyle, frame.minX(), frame.minY(),
                         frame.width(), frame.height());
            }
        }
    } else if (auto* progress = dynamic_cast<const ui::ProgressView*>(&view)) {
        setColor(cr, progress->trackTintColor().value_or(ui::Color::fromRGB255(184, 184, 184)));
        cairo_rectangle(cr, 0, 0, width, height);
        cairo_fill(cr);
        setColor(cr, progress->progressTintColor().value_or(view.tintColor()));
        cairo_rectangle(cr, 0, 0, width * std::clamp(progress->progress(), 0.0, 1.0), height);
        cairo_fill(cr);
    } else if (auto* spinner = dynamic_cast<const ui::ActivityIndicatorView*>(&view)) {
        if (spinner->isAnimating()) {
            const ui::Color color = spinner->color().value_or(
                spinner->style() == ui::ActivityIndicatorViewStyle::Gray ? ui::Color::grayColor()
                                                                         : ui::Color::whiteColor());
            const double radius = std::min(width, height) / 2;
            cairo_set_line_width(cr, std::max(1.5, radius / 5));
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            for (int spoke = 0; spoke < 12; ++spoke) {
                const double angle = spoke * pi / 6;
                setColor(cr, color, 0.25 + 0.75 * spoke / 11.0);
                cairo_move_to(cr, width / 2 + std::cos(angle) * radius * 0.45,
                              height / 2 + std::sin(angle) * radius * 0.45);
                cairo_line_to(cr, width / 2 + std::cos(angle) * radius * 0.9,
                              height / 2 + std::sin(angle) * radius * 0.9);
                cairo_stroke(cr);
            }
        }
    } else if (auto* field = dynamic_cast<const ui::TextField*>(&view)) {
        // The text is a real entry over the text area; the field's border is drawn here.
        const double inset = 0.5;
        switch (field->borderStyle()) {
        case ui::TextBorderStyle::Line:
            cairo_set_source_rgb(cr, 0, 0, 0);
            cairo_rectangle(cr, inset, inset, width - 1, height - 1);
            break;
        case ui::TextBorderStyle::Bezel:
            cairo_set_source_rgba(cr, 0, 0, 0, 0.2);
            cairo_rectangle(cr, 1, 1, width - 2, 1);
            cairo_fill(cr);
            setColor(cr, ui::Color::fromRGB255(142, 142, 147));
            cairo_rectangle(cr, inset, inset, width - 1, height - 1);
            break;
        case ui::TextBorderStyle::RoundedRect:
            cairo_set_source_rgb(cr, 1, 1, 1);
            roundedRectangle(cr, 0, 0, width, height, 5);
            cairo_fill(cr);
            setColor(cr, ui::Color::fromRGB255(200, 199, 204));
            roundedRectangle(cr, inset, inset, width - 1, height - 1, 4.5);
            break;
        case ui::TextBorderStyle::None:
            break;
        }
        if (field->borderStyle() != ui::TextBorderStyle::None) {
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
        }
    } else if (dynamic_cast<const ui::WebView*>(&view) && !view.backgroundColor()) {
        // Until the page paints, a web view is white.
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_rectangle(cr, 0, 0, width, height);
        cairo_fill(cr);
    }

    if (layer.borderWidth > 0) {
        setColor(cr, layer.borderColor);
        cairo_set_line_width(cr, layer.borderWidth);
        const double inset = layer.borderWidth / 2;
        roundedRectangle(cr, inset, inset, width - layer.borderWidth, height - layer.borderWidth,
                         std::max(0.0, layer.cornerRadius - inset));
        cairo_stroke(cr);
    }
}

ui::Rect ViewPainter::paintRect(const ui::View& view) {
    const ui::Rect own(ui::Point(0, 0), view.bounds().size);
    if (!dynamic_cast<const ui::Label*>(&view))
        return own;
    auto* button = dynamic_cast<const ui::Button*>(view.superviewPointer());
    if (!button)
        return own;
    // The room ends where the button's content does: its insets keep clear what lies there
    // (a close mark over a tab's title, say).
    const ui::Rect frame = view.frame();
    const ui::Rect content =
        ui::Rect(ui::Point(0, 0), button->bounds().size).insetBy(button->contentEdgeInsets());
    const double left = std::max(0.0, frame.origin.x - content.minX());
    const double right = std::max(0.0, content.maxX() - (frame.origin.x + frame.size.width));
    return ui::Rect(ui::Point(-left, 0), ui::Size(own.size.width + left + right, own.size.height));
}

std::size_t ViewPainter::lookHash(const ui::View& view) {
    Hasher hash;
    hash.add(view.className());
    hash.add(view.bounds());
    hash.add(view.center().x);
    hash.add(view.center().y);
    const ui::AffineTransform& transform = view.transform();
    hash.add(transform.a);
    hash.add(transform.b);
    hash.add(transform.c);
    hash.add(transform.d);
    hash.add(transform.tx);
    hash.add(transform.ty);
    hash.add(view.alpha());
    hash.add(view.isHidden());
    hash.add(view.backgroundColor());
    hash.add(view.clipsToBounds());
    hash.add(view.layer().cornerRadius);
    hash.add(view.layer().borderWidth);
    hash.add(view.layer().borderColor);
    hash.add(view.displayGeneration());
    hash.add(view.subviews().size());
    if (auto* label = dynamic_cast<const ui::Label*>(&view)) {
        hash.add(label->text());
        hash.add(label->font());
        hash.add(label->textColor());
        hash.add(label->highlightedTextColor());
        hash.add(label->isHighlighted());
        hash.add(label->isEnabled());
        hash.add(static_cast<int>(label->textAlignment()));
        hash.add(label->numberOfLines());
        hash.add(static_cast<int>(label->lineBreakMode()));
        hash.add(label->shadowColor());
        hash.add(label->shadowOffset().width);
        hash.add(label->shadowOffset().height);
        // A button's title may use the room beside it (paintRect).
        if (auto* button = dynamic_cast<const ui::Button*>(view.superviewPointer()))
            hash.add(button->bounds().size.width);
    } else if (auto* button = dynamic_cast<const ui::Button*>(&view)) {
        hash.add(button->state());
        hash.add(button->currentBackgroundImage().get());
    } else if (auto* imageView = dynamic_cast<const ui::ImageView*>(&view)) {
        hash.add(imageView->displayedImage().get());
        hash.add(static_cast<int>(view.contentMode()));
    } else if (auto* toolbar = dynamic_cast<const ui::Toolbar*>(&view)) {
        hash.add(static_cast<int>(toolbar->barStyle()));
        hash.add(toolbar->barTintColor());
        hash.add(view.tintColor());
        addBarItems(hash, toolbar->items());
    } else if (auto* bar = dynamic_cast<const ui::NavigationBar*>(&view)) {
        for (const auto& item : bar->items())
            hash.add(item->title());
        if (auto top = bar->topItem()) {
            addBarItems(hash, top->leftBarButtonItems());
            addBarItems(hash, top->rightBarButtonItems());
        }
        if (auto back = bar->backButtonItem())
            hash.add(back->title());
        hash.add(view.tintColor());
    } else if (auto* field = dynamic_cast<const ui::TextField*>(&view)) {
        hash.add(static_cast<int>(field->borderStyle()));
    } else if (auto* progress = dynamic_cast<const ui::ProgressView*>(&view)) {
        hash.add(progress->progress());
        hash.add(progress->progressTintColor());
        hash.add(progress->trackTintColor());
        hash.add(view.tintColor());
    } else if (auto* spinner = dynamic_cast<const ui::ActivityIndicatorView*>(&view)) {
        hash.add(spinner->isAnimating());
        hash.add(spinner->color());
        hash.add(static_cast<int>(spinner->style()));
    }
    return hash.value();
}

} // namespace gtk
