#pragma once

#include "platform/base/Seconds.h"
#include "platform/gtk/GOwned.h"
#include "platform/ui/Clipboard.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

typedef struct _GdkClipboard GdkClipboard;
typedef struct _GdkContentProvider GdkContentProvider;

namespace gtk {

// The desktop's clipboard (GDK's clipboard of a display) standing for the pasteboard's
// (GtkPlatform installs the default display's). Writing claims the desktop's clipboard with the
// item: a text as text; a URL as a URI list and as text (its absolute string), so that it pastes
// into an entry as the address and into a file manager as a link; an image as a picture, in
// every image format GDK offers. Reading what this program put there answers from the item
// itself; reading what another program holds waits in place for that program's answer (the
// window keeps drawing and taking input, but none of the run loop's own work runs meanwhile)
// for at most readTimeout, and is nothing when no answer comes. Main thread only.
class DesktopClipboard : public ui::Clipboard {
public:
    static constexpr base::Seconds readTimeout{2.0};

    // The clipboard of the default display; null when there is none.
    static std::shared_ptr<DesktopClipboard> forDefaultDisplay();
    explicit DesktopClipboard(GdkClipboard* clipboard);
    ~DesktopClipboard() override;
    DesktopClipboard(const DesktopClipboard&) = delete;
    DesktopClipboard& operator=(const DesktopClipboard&) = delete;

    std::optional<std::string> text() override;
    std::optional<base::URL> url() override;
    std::shared_ptr<ui::Image> image() override;
    void setText(std::string text) override;
    void setURL(base::URL url) override;
    // Refuses an image whose bytes are no picture GDK can read (a blank image).
    bool setImage(std::shared_ptr<ui::Image> image) override;
    void clear() override;
    std::int64_t changeCount() const override { return changes_; }

private:
    // What this program last put on the clipboard, while it is still there.
    struct Item {
        std::optional<std::string> text;
        std::optional<base::URL> url;
        std::shared_ptr<ui::Image> image;
    };
    // Claims the clipboard with the provider (null: empties it) standing for `item`.
    bool claim(GOwned<GdkContentProvider> provider, Item item);
    // The item when the clipboard still holds what this program put there.
    const Item* ownItem() const;
    // Whether another program's clipboard offers nothing at all (a read would fail).
    bool isEmpty() const;
    void changed();

    GOwned<GdkClipboard> clipboard_;
    GOwned<GdkContentProvider> written_;
    Item item_;
    std::int64_t changes_ = 0;
};

} // namespace gtk
