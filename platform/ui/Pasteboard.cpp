#include "platform/ui/Pasteboard.h"

#include "platform/ui/Image.h"

namespace ui {

Pasteboard& Pasteboard::general() {
    static Pasteboard pasteboard;
    return pasteboard;
}

std::optional<std::string> Pasteboard::string() const {
    std::lock_guard lock(mutex_);
    if (string_)
        return string_;
    if (url_)
        return url_->absoluteString();
    return std::nullopt;
}

void Pasteboard::setString(std::string text) {
    std::lock_guard lock(mutex_);
    string_ = std::move(text);
    url_.reset();
    image_.reset();
    ++changeCount_;
}

std::optional<base::URL> Pasteboard::url() const {
    std::lock_guard lock(mutex_);
    return url_;
}

void Pasteboard::setURL(base::URL url) {
    std::lock_guard lock(mutex_);
    string_.reset();
    url_ = std::move(url);
    image_.reset();
    ++changeCount_;
}

std::shared_ptr<Image> Pasteboard::image() const {
    std::lock_guard lock(mutex_);
    return image_;
}

void Pasteboard::setImage(std::shared_ptr<Image> image) {
    std::lock_guard lock(mutex_);
    string_.reset();
    url_.reset();
    image_ = std::move(image);
    ++changeCount_;
}

std::int64_t Pasteboard::changeCount() const {
    std::lock_guard lock(mutex_);
    return changeCount_;
}

void Pasteboard::clear() {
    std::lock_guard lock(mutex_);
    string_.reset();
    url_.reset();
    image_.reset();
    ++changeCount_;
}

} // namespace ui
