#include "ads/presentation/VDOpener.h"

#include "ads/foundation/VDLogger.h"
#include "platform/ui/Application.h"

std::shared_ptr<VDOpener> VDOpener::create(std::weak_ptr<VDOpenerDelegate> delegate) {
    return std::make_shared<VDOpener>(std::move(delegate));
}

bool VDOpener::openClickURL(const base::URL& url, bool userInitiated) {
    if (autoClickProtected_ && !userInitiated) {
        VDLogger::sharedInstance()->logPublicMessage("Ignored a click the user did not make: " +
                                                     url.absoluteString());
        return false;
    }
    auto& application = ui::Application::shared();
    if (!application.canOpenURL(url))
        return false;
    if (auto delegate = this->delegate()) {
        delegate->adWillLeaveApplication();
        delegate->willLeaveAppDueToClick();
    }
    if (!application.openURL(url))
        return false;
    if (auto delegate = this->delegate())
        delegate->pingClickURLs();
    return true;
}
