#pragma once

#include "platform/base/URL.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace ui {

class Image;

// The system pasteboard: it holds one item, a text, a URL or an image; setting one replaces
// what was there. A URL also reads as text (its absolute string), so a copied link pastes
// into a text field. The window mirrors the general pasteboard to the desktop's clipboard.
class Pasteboard {
public:
    static Pasteboard& general();

    std::optional<std::string> string() const;
    void setString(std::string text);
    std::optional<base::URL> url() const;
    void setURL(base::URL url);
    std::shared_ptr<Image> image() const;
    void setImage(std::shared_ptr<Image> image);

    // Goes up with every change.
    std::int64_t changeCount() const;
    // Empties the pasteboard (tests).
    void clear();

private:
    mutable std::mutex mutex_;
    std::optional<std::string> string_;
    std::optional<base::URL> url_;
    std::shared_ptr<Image> image_;
    std::int64_t changeCount_ = 0;
};

} // namespace ui
