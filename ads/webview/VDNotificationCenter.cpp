#include "ads/webview/VDNotificationCenter.h"

#include "ads/webview/VDAdView.h"
#include "platform/base/JSON.h"

VDNotificationCenter& VDNotificationCenter::defaultCenter() {
    // Holds nothing: one is all the process needs.
    static VDNotificationCenter center;
    return center;
}

std::string VDNotificationCenter::pageCommand(const std::string& name,
                                              const base::Value::Dictionary& userInfo) {
    const auto nameJSON = base::toJSON(base::Value(name), false, true).valueOr("\"\"");
    const auto infoJSON = base::toJSON(base::Value(userInfo)).valueOr("{}");
    return "VDMA_fireNotification(" + nameJSON + "," + infoJSON + ");";
}

void VDNotificationCenter::postJSNotificationAdViewUserInfo(
    const std::string& name, VDAdView& adView, const base::Value::Dictionary& userInfo) {
    adView.postSDKEventScript(pageCommand(name, userInfo));
}
