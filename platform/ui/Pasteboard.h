#pragma once

#include "platform/base/URL.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace ui {

class Clipboard;
class Image;

// The system pasteboard: it holds one item, a text, a URL or an image; setting one replaces
// what was there. A URL also reads as text (its absolute string), so a copied link pastes
// into a text field. The item lives in the installed Clipboard: the desktop's clipboard once
// the window's platform has installed it (both ways: what this program copies pastes in any
// other, what another copied reads here), else one inside the process.
class Pasteboard {
public:
    static Pasteboard& general();

    std::optional<std::string> string() const;
    void setString(std::string text);
    std::optional<base::URL> url() const;
    void setURL(base::URL url);
    std::shared_ptr<Image> image() const;
    // False when the image has no picture the clipboard can hand on; the pasteboard is then
    // empty.
    bool setImage(std::shared_ptr<Image> image);

    // Goes up with every change, this program's or (with the desktop's clipboard) another's.
    std::int64_t changeCount() const;
    // Empties the pasteboard (tests).
    void clear();

    // Makes `clipboard` the one the pasteboard uses (null: a fresh one inside the process) and
    // returns the one it replaces. The window's platform installs the desktop's; tests put
    // back what they replaced.
    std::shared_ptr<Clipboard> install(std::shared_ptr<Clipboard> clipboard);

private:
    Pasteboard();
    std::shared_ptr<Clipboard> clipboard() const;

    mutable std::mutex mutex_;
    std::shared_ptr<Clipboard> clipboard_;
};

} // namespace ui
