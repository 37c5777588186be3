#include "ads/foundation/VDGeometry.h"
#include "ads/request/VDSlot.h"
#include "ads/webview/VDNotificationCenter.h"
#include "platform/ui/Application.h"

namespace {

// The interface orientation as the rich-media interface counts it, in degrees.
int orientationDegrees(ui::InterfaceOrientation orientation) {
    switch (orientation) {
    case ui::InterfaceOrientation::PortraitUpsideDown:
        return 180;
    case ui::InterfaceOrientation::LandscapeRight:
        return 90;
    case ui::InterfaceOrientation::LandscapeLeft:
        return -90;
    default:
        return 0;
    }
}

} // namespace

void VDSlot::MRAIDAdDidLoad() {
    if (!adView_)
        return;
    // A new creative: it learns its default position again.
    lastCreativePosition_.reset();
    lastCreativeOrientation_.reset();
    if (!isListeningToDeviceOrientationChangeEvent_) {
        isListeningToDeviceOrientationChangeEvent_ = true;
        orientationObserver_ = base::NotificationCenter::defaultCenter().addObserver(
            ui::ApplicationDidChangeStatusBarOrientationNotification, nullptr, std::nullopt,
            [weakSelf = weak_from_this()](const auto&) {
                if (auto self = weakSelf.lock(); self && self->adView_)
                    self->updatePositionFromView(self->adView_);
            });
    }
    VDNotificationCenter::defaultCenter().postJSNotificationAdViewUserInfo(
        "onReady", *adView_,
        {{"placementType", base::Value(adType_.isInterstitial() ? "interstitial" : "inline")}});
    sendOrientationIfChanged();
    updatePositionFromView(adView_);
}

void VDSlot::MRAIDAdDidUnload() {
    isListeningToDeviceOrientationChangeEvent_ = false;
    if (orientationObserver_)
        base::NotificationCenter::defaultCenter().removeObserver(*orientationObserver_);
    orientationObserver_.reset();
}

void VDSlot::updateVisibility(bool visible) {
    if (!adView_)
        return;
    VDNotificationCenter::defaultCenter().postJSNotificationAdViewUserInfo(
        "onAdVisibilityChanged", *adView_, {{"visible", base::Value(visible ? "1" : "0")}});
}

void VDSlot::sendOrientationIfChanged() {
    const int degrees = orientationDegrees(ui::Application::shared().statusBarOrientation());
    if (!adView_ || lastCreativeOrientation_ == degrees)
        return;
    lastCreativeOrientation_ = degrees;
    VDNotificationCenter::defaultCenter().postJSNotificationAdViewUserInfo(
        "onOrientationChanged", *adView_, {{"orientation", base::Value(degrees)}});
}

void VDSlot::updatePositionFromView(const std::shared_ptr<ui::View>& view) {
    if (!adView_)
        return;
    sendOrientationIfChanged();
    if (!view || !view->window())
        return;
    const ui::Rect position = view->convertRectToView(view->bounds(), nullptr);
    if (lastCreativePosition_ == position)
        return;
    auto box = [](const ui::Rect& rect) { return base::Value(VDDictionaryFromCGRect(rect)); };
    base::Value::Dictionary info{{"position", box(position)}};
    if (!lastCreativePosition_)
        info["defaultPosition"] = box(position);
    lastCreativePosition_ = position;
    VDNotificationCenter::defaultCenter().postJSNotificationAdViewUserInfo("onSizeChanged",
                                                                           *adView_, info);
}
