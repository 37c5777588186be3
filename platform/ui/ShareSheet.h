#pragma once

#include "platform/base/Error.h"
#include "platform/base/URL.h"
#include "platform/ui/ShareService.h"
#include "platform/ui/ViewController.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class BarButtonItem;
class Image;
class Label;
class SheetBar;

// The social services the system share sheet knows.
enum class ShareServiceType { Twitter, Chorus };

// The share sheet's results: cancelled by the user, posted (the service has the post), or
// failed (the service refused it or could not be reached; error() says why).
enum class ShareSheetResult { Cancelled = 0, Done = 1, Failed = 2 };

// The system's sheet for posting to a social service: initial text, URLs and images, then
// the user posts or cancels (with the buttons of its bar, or from tests) and the completion
// handler hears it.
// Post hands the content to the service installed for the sheet's type (setService) and the
// outcome waits for the service's answer: Done only once the service has the post, Failed
// when it refused or could not be reached. While the post is under way both buttons are
// disabled and a cancel does nothing. A sheet without a completion handler dismisses itself.
// A sheet has one outcome: the first is reported, later ones are ignored.
class ShareSheet : public ViewController {
public:
    using CompletionHandler = std::function<void(ShareSheetResult result)>;
    static constexpr const char* errorDomain = "ShareSheetErrorDomain";
    // A post on a sheet whose service is not installed.
    static constexpr long ServiceUnavailable = 1;

    explicit ShareSheet(ShareServiceType serviceType);
    static std::shared_ptr<ShareSheet> create(ShareServiceType serviceType) {
        return std::make_shared<ShareSheet>(serviceType);
    }
    std::string className() const override { return "ShareSheet"; }

    // Whether the program can reach the service: a service is installed for it. Thread-safe.
    static bool isAvailableForServiceType(ShareServiceType serviceType);
    // Installs the road to the service (null: none, the sheet is not available); returns the
    // one it replaces.
    static std::shared_ptr<ShareService> setService(ShareServiceType serviceType,
                                                    std::shared_ptr<ShareService> service);
    static std::shared_ptr<ShareService> service(ShareServiceType serviceType);
    // Removes every service (tests).
    static void resetServices();

    ShareServiceType serviceType() const { return serviceType_; }

    // Content can only be changed before the sheet is shown: afterwards these refuse (false),
    // as on the platform. A null image is refused too.
    bool setInitialText(std::string text);
    bool addURL(const base::URL& url);
    bool addImage(std::shared_ptr<Image> image);
    const std::string& initialText() const { return text_; }
    const std::vector<base::URL>& urls() const { return urls_; }
    const std::vector<std::shared_ptr<Image>>& images() const { return images_; }

    void setCompletionHandler(CompletionHandler handler) { completion_ = std::move(handler); }

    // The user's choices; only the first one counts.
    void post();
    void cancel();
    // While the service has not answered a post.
    bool isPosting() const { return posting_; }
    // Why the post failed (after a Failed result).
    const std::optional<base::Error>& error() const { return error_; }

    // The parts of the view, once it is loaded: the bar with Cancel and Post, the text with
    // the URLs under it.
    const std::shared_ptr<SheetBar>& bar() const { return bar_; }
    const std::shared_ptr<BarButtonItem>& cancelButton() const { return cancelButton_; }
    const std::shared_ptr<BarButtonItem>& postButton() const { return postButton_; }
    const std::shared_ptr<Label>& textLabel() const { return textLabel_; }
    void loadView() override;

private:
    bool isFrozen() const { return isViewLoaded() && (isVisible() || isAppearing()); }
    void finish(ShareSheetResult result);

    ShareServiceType serviceType_;
    std::string text_;
    std::vector<base::URL> urls_;
    std::vector<std::shared_ptr<Image>> images_;
    CompletionHandler completion_;
    bool finished_ = false;
    bool posting_ = false;
    std::optional<base::Error> error_;
    std::shared_ptr<SheetBar> bar_;
    std::shared_ptr<BarButtonItem> cancelButton_;
    std::shared_ptr<BarButtonItem> postButton_;
    std::shared_ptr<Label> textLabel_;
};

} // namespace ui
