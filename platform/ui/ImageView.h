#pragma once

#include "platform/ui/Image.h"
#include "platform/ui/View.h"

#include <memory>

namespace ui {

// Shows an image (the highlighted one while highlighted, when there is one). User
// interaction is off by default, as on the platform, so touches go to the view behind.
class ImageView : public View {
public:
    explicit ImageView(const Rect& frame = Rect());
    // Sized to the image.
    explicit ImageView(std::shared_ptr<Image> image);
    static std::shared_ptr<ImageView> create(const Rect& frame = Rect()) {
        return std::make_shared<ImageView>(frame);
    }
    static std::shared_ptr<ImageView> createWithImage(std::shared_ptr<Image> image) {
        return std::make_shared<ImageView>(std::move(image));
    }
    std::string className() const override { return "ImageView"; }

    const std::shared_ptr<Image>& image() const { return image_; }
    void setImage(std::shared_ptr<Image> image);
    const std::shared_ptr<Image>& highlightedImage() const { return highlightedImage_; }
    void setHighlightedImage(std::shared_ptr<Image> image) { highlightedImage_ = std::move(image); }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool on) { highlighted_ = on; }
    // The image drawn now.
    std::shared_ptr<Image> displayedImage() const;

    Size sizeThatFits(Size size) const override;

private:
    std::shared_ptr<Image> image_;
    std::shared_ptr<Image> highlightedImage_;
    bool highlighted_ = false;
};

} // namespace ui
