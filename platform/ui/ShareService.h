#pragma once

#include "platform/base/Error.h"
#include "platform/base/URL.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class Image;

// What a share sheet posts.
struct SharePost {
    std::string text;
    std::vector<base::URL> urls;
    std::vector<std::shared_ptr<Image>> images;
};

// The road by which a share sheet's post reaches its social service: the client of that
// service, which the program installs for each service it can reach (ShareSheet::setService).
// A service the program cannot reach has none, and its sheet is not available.
class ShareService {
public:
    // Called exactly once, on the main thread: no error once the service has the post, else
    // why it does not.
    using Completion = std::function<void(const std::optional<base::Error>& error)>;

    virtual ~ShareService() = default;
    // Sends the post; the service may first ask the user to log in, over the sheet.
    virtual void post(SharePost post, Completion completion) = 0;
};

} // namespace ui
