#pragma once

#include "platform/base/URL.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ui {

class Image;

// Where the general pasteboard keeps its one item: a text, a URL or an image; writing one
// replaces what was there. The process keeps it by default (MemoryClipboard, what unit tests
// use); the window's platform installs the desktop's clipboard (Pasteboard::install), so that
// what is copied here pastes in any program and what was copied there reads here.
//
// Main thread only once a desktop clipboard is installed: reading what another program holds
// waits for its answer.
class Clipboard {
public:
    virtual ~Clipboard() = default;

    // The text of the item; a URL reads as its absolute string.
    virtual std::optional<std::string> text() = 0;
    virtual std::optional<base::URL> url() = 0;
    virtual std::shared_ptr<Image> image() = 0;

    virtual void setText(std::string text) = 0;
    virtual void setURL(base::URL url) = 0;
    // False (the clipboard emptied) for an image without a picture that can be handed on.
    virtual bool setImage(std::shared_ptr<Image> image) = 0;
    virtual void clear() = 0;

    // Goes up with every change, this program's or another's.
    virtual std::int64_t changeCount() const = 0;
};

} // namespace ui
