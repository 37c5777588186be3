#pragma once

#include "platform/ui/Clipboard.h"

#include <mutex>

namespace ui {

// A clipboard inside the process: what the pasteboard uses where there is no desktop (unit
// tests, programs without a window). Thread-safe.
class MemoryClipboard : public Clipboard {
public:
    std::optional<std::string> text() override;
    std::optional<base::URL> url() override;
    std::shared_ptr<Image> image() override;
    void setText(std::string text) override;
    void setURL(base::URL url) override;
    // Takes any image, with or without a picture.
    bool setImage(std::shared_ptr<Image> image) override;
    void clear() override;
    std::int64_t changeCount() const override;

private:
    mutable std::mutex mutex_;
    std::optional<std::string> text_;
    std::optional<base::URL> url_;
    std::shared_ptr<Image> image_;
    std::int64_t changeCount_ = 0;
};

} // namespace ui
