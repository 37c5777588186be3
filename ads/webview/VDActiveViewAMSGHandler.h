#pragma once

#include "ads/webview/VDAMSGHandler.h"
#include "ads/webview/VDActiveViewAMSGHandlerDelegate.h"

#include <memory>

// The active-view page's handler on the "amsg" bus:
//   "visibilityChanged"      ("hashCode", "isVisible"): the measurement's visibility, visible
//                            when "isVisible" is "1";
//   "untrackActiveViewUnit"  ("hashCode"): the page has stopped measuring.
// "hashCode" is the measurement's active-view identifier, a whole number. A message without
// its parameters, or whose identifier is no whole number, is ignored. The delegate is held
// weakly and told at once, on the main thread the bus runs on.
class VDActiveViewAMSGHandler : public VDAMSGHandler {
public:
    static constexpr const char* hashCodeKey = "hashCode";
    static constexpr const char* isVisibleKey = "isVisible";

    std::shared_ptr<VDActiveViewAMSGHandlerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<VDActiveViewAMSGHandlerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    const ActionBlockDictionary& actionBlockDictionary() const override;

private:
    void didReceiveActiveViewVisibilityChangedNotification(const VDNotification& note);
    void didReceiveActiveViewUntrackActiveViewNotification(const VDNotification& note);

    std::weak_ptr<VDActiveViewAMSGHandlerDelegate> delegate_;
};
