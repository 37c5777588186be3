#pragma once

#include "platform/base/Value.h"

#include <memory>
#include <string>

class VDAdView;

// Sends notifications into a creative's page: each becomes the page command
// VDMA_fireNotification(<name>, <user info>) with both as JSON, run in the ad view's page from
// the main run loop once its creative has loaded (VDAdView::postSDKEventScript). A page that
// defines no such function ignores it. Main thread only.
class VDNotificationCenter {
public:
    static VDNotificationCenter& defaultCenter();

    void postJSNotificationAdViewUserInfo(const std::string& name, VDAdView& adView,
                                          const base::Value::Dictionary& userInfo);
    // The page command for the notification.
    static std::string pageCommand(const std::string& name,
                                   const base::Value::Dictionary& userInfo);
};
