#include "platform/ui/ImageView.h"

namespace ui {

ImageView::ImageView(const Rect& frame)
    : View(frame) {
    setUserInteractionEnabled(false);
}

ImageView::ImageView(std::shared_ptr<Image> image)
    : View(image ? Rect(Point(), image->size()) : Rect())
    , image_(std::move(image)) {
    setUserInteractionEnabled(false);
}

void ImageView::setImage(std::shared_ptr<Image> image) {
    image_ = std::move(image);
    setNeedsDisplay();
}

std::shared_ptr<Image> ImageView::displayedImage() const {
    if (highlighted_ && highlightedImage_)
        return highlightedImage_;
    return image_;
}

Size ImageView::sizeThatFits(Size) const {
    return image_ ? image_->size() : Size();
}

} // namespace ui
