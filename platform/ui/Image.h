#pragma once

#include "platform/base/Data.h"
#include "platform/ui/Geometry.h"

#include <memory>
#include <string>
#include <string_view>

namespace ui {

// An image: encoded bytes (PNG, or whatever the drawer can decode) with the size in points,
// and the resource name it was loaded from, if any. Immutable; shared by reference.
class Image {
public:
    // The image resource `name` of the main bundle ("folder.png", or "folder" meaning
    // "folder.png"); a "@2x" variant is preferred when the main screen's scale is 2.
    // Null when there is no such resource.
    static std::shared_ptr<Image> named(std::string_view name);
    // An image from encoded bytes; its size is read from the PNG header (zero for other
    // formats). Null for empty data.
    static std::shared_ptr<Image> withData(base::Data data, double scale = 1.0);
    // An image of the given size without pixels (for views that need only a size).
    static std::shared_ptr<Image> blank(Size size, std::string name = {});

    const std::string& name() const { return name_; }
    const base::Data& data() const { return data_; }
    // In points: pixel size divided by the scale.
    Size size() const { return size_; }
    double scale() const { return scale_; }

    // The picture re-encoded as JPEG: quality 0.0 gives the smallest file, 1.0 the best
    // picture; values outside are clamped. Transparent parts are laid over white, as JPEG has
    // no transparency. Empty for an image without pixels (blank) or whose bytes no decoder
    // reads (PNG, JPEG, GIF and the other common formats are read).
    base::Data jpegData(double quality) const;

    struct Private {};
    Image(Private, std::string name, base::Data data, Size size, double scale)
        : name_(std::move(name))
        , data_(std::move(data))
        , size_(size)
        , scale_(scale) {}

private:
    std::string name_;
    base::Data data_;
    Size size_;
    double scale_ = 1.0;
};

} // namespace ui
