#include "platform/ui/MemoryClipboard.h"

#include "platform/ui/Image.h"

namespace ui {

std::optional<std::string> MemoryClipboard::text() {
    std::lock_guard lock(mutex_);
    if (text_)
        return text_;
    if (url_)
        return url_->absoluteString();
    return std::nullopt;
}

std::optional<base::URL> MemoryClipboard::url() {
    std::lock_guard lock(mutex_);
    return url_;
}

std::shared_ptr<Image> MemoryClipboard::image() {
    std::lock_guard lock(mutex_);
    return image_;
}

void MemoryClipboard::setText(std::string text) {
    std::lock_guard lock(mutex_);
    text_ = std::move(text);
    url_.reset();
    image_.reset();
    ++changeCount_;
}

void MemoryClipboard::setURL(base::URL url) {
    std::lock_guard lock(mutex_);
    text_.reset();
    url_ = std::move(url);
    image_.reset();
    ++changeCount_;
}

bool MemoryClipboard::setImage(std::shared_ptr<Image> image) {
    std::lock_guard lock(mutex_);
    text_.reset();
    url_.reset();
    image_ = std::move(image);
    ++changeCount_;
    return true;
}

void MemoryClipboard::clear() {
    std::lock_guard lock(mutex_);
    text_.reset();
    url_.reset();
    image_.reset();
    ++changeCount_;
}

std::int64_t MemoryClipboard::changeCount() const {
    std::lock_guard lock(mutex_);
    return changeCount_;
}

} // namespace ui
