#pragma once

#include "platform/base/URL.h"
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

// The platform's share sheet results, with their values.
enum class ShareSheetResult { Cancelled = 0, Done = 1 };

// The system's sheet for posting to a social service: initial text, URLs and images, then
// the user posts or cancels (with the buttons of its bar, or from tests) and the completion
// handler hears it.
// Nothing is sent anywhere. A sheet without a completion handler dismisses itself. A sheet
// has one outcome: the first choice is reported, later ones are ignored.
class ShareSheet : public ViewController {
public:
    using CompletionHandler = std::function<void(ShareSheetResult result)>;

    explicit ShareSheet(ShareServiceType serviceType);
    static std::shared_ptr<ShareSheet> create(ShareServiceType serviceType) {
        return std::make_shared<ShareSheet>(serviceType);
    }
    std::string className() const override { return "ShareSheet"; }

    // Whether an account for the service is set up. Every service is, unless set otherwise.
    static bool isAvailableForServiceType(ShareServiceType serviceType);
    static void setAvailableForServiceType(ShareServiceType serviceType, bool available);
    static void resetAvailability();

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
    std::shared_ptr<SheetBar> bar_;
    std::shared_ptr<BarButtonItem> cancelButton_;
    std::shared_ptr<BarButtonItem> postButton_;
    std::shared_ptr<Label> textLabel_;
};

} // namespace ui
