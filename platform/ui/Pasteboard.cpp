#include "platform/ui/Pasteboard.h"

#include "platform/ui/Image.h"
#include "platform/ui/MemoryClipboard.h"

#include <utility>

namespace ui {

Pasteboard::Pasteboard()
    : clipboard_(std::make_shared<MemoryClipboard>()) {}

Pasteboard& Pasteboard::general() {
    static Pasteboard pasteboard;
    return pasteboard;
}

std::shared_ptr<Clipboard> Pasteboard::install(std::shared_ptr<Clipboard> clipboard) {
    if (!clipboard)
        clipboard = std::make_shared<MemoryClipboard>();
    std::lock_guard lock(mutex_);
    return std::exchange(clipboard_, std::move(clipboard));
}

std::shared_ptr<Clipboard> Pasteboard::clipboard() const {
    std::lock_guard lock(mutex_);
    return clipboard_;
}

std::optional<std::string> Pasteboard::string() const {
    return clipboard()->text();
}

void Pasteboard::setString(std::string text) {
    clipboard()->setText(std::move(text));
}

std::optional<base::URL> Pasteboard::url() const {
    return clipboard()->url();
}

void Pasteboard::setURL(base::URL url) {
    clipboard()->setURL(std::move(url));
}

std::shared_ptr<Image> Pasteboard::image() const {
    return clipboard()->image();
}

bool Pasteboard::setImage(std::shared_ptr<Image> image) {
    return clipboard()->setImage(std::move(image));
}

std::int64_t Pasteboard::changeCount() const {
    return clipboard()->changeCount();
}

void Pasteboard::clear() {
    clipboard()->clear();
}

} // namespace ui
