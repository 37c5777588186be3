#include "ads/foundation/VDGeometry.h"
#include "ads/request/VDSlot.h"
#include "ads/webview/VDNotificationCenter.h"

void VDSlot::MRAIDAdDidLoad() {
    isListeningToDeviceOrientationChangeEvent_ = true;
}

void VDSlot::MRAIDAdDidUnload() {
    isListeningToDeviceOrientationChangeEvent_ = false;
}

void VDSlot::updateVisibility(bool visible) {
    if (!adView_)
        return;
    VDNotificationCenter::defaultCenter().postJSNotificationAdViewUserInfo(
        "onAdVisibilityChanged", *adView_, {{"visible", base::Value(visible ? "1" : "0")}});
}

void VDSlot::updatePositionFromView(const std::shared_ptr<ui::View>& view) {
    if (!adView_ || !view || !view->window())
        return;
    const ui::Rect position = view->convertRectToView(view->bounds(), nullptr);
    if (lastCreativePosition_ == position)
        return;
    base::Value::Dictionary info{{"position", base::Value(VDDictionaryFromCGRect(position))}};
    if (!lastCreativePosition_)
        info["defaultPosition"] = base::Value(VDDictionaryFromCGRect(position));
    lastCreativePosition_ = position;
    VDNotificationCenter::defaultCenter().postJSNotificationAdViewUserInfo("onSizeChanged",
                                                                           *adView_, info);
}
