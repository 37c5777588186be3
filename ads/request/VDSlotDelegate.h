#pragma once

#include "ads/request/VDAdSize.h"
#include "platform/base/Error.h"
#include "platform/base/Value.h"
#include "platform/ui/Geometry.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class VDAd;
class VDInAppPurchaseDelegate;
class VDRequest;
class VDSlot;
namespace ui {
class Screen;
class View;
class ViewController;
} // namespace ui

// What a slot asks its owner (the banner view, the interstitial). Every method is optional: a
// question answered with nullopt is one the owner does not answer, and the slot acts as the
// rules for an unanswered question say; the other calls do nothing unless overridden. Main
// thread.
class VDSlotDelegate {
public:
    virtual ~VDSlotDelegate() = default;

    // May this request be loaded? No: the slot reports an invalid request (code 0).
    virtual std::optional<bool> slotShouldLoadRequest(VDSlot& slot, const VDRequest& request) {
        (void)slot;
        (void)request;
        return std::nullopt;
    }
    // May the refresh timer load again now?
    virtual std::optional<bool> slotShouldReloadCurrentRequest(VDSlot& slot) {
        (void)slot;
        return std::nullopt;
    }
    // May a new load replace one in progress? Unanswered: no, the new load is dropped.
    virtual std::optional<bool> slotShouldPreemptInProgressRequest(VDSlot& slot) {
        (void)slot;
        return std::nullopt;
    }
    // The owner's geometry, sent with requests.
    virtual std::optional<ui::Rect> slotOwnerFrame() const { return std::nullopt; }
    virtual std::optional<ui::Rect> frameInInterface() const { return std::nullopt; }
    virtual std::optional<ui::Rect> slotOwnerBounds() const { return std::nullopt; }
    // Where the content is on the screen ("ad_pos").
    virtual std::optional<base::Value::Dictionary>
    coordinatesOfContentInScreen(const ui::Screen& screen) const {
        (void)screen;
        return std::nullopt;
    }
    // Who hears of the in-app purchases the owner's creatives offer.
    virtual std::shared_ptr<VDInAppPurchaseDelegate> inAppPurchaseDelegate() const {
        return nullptr;
    }
    virtual std::shared_ptr<ui::View> swipeToViewControllerView() const { return nullptr; }
    virtual std::shared_ptr<ui::ViewController> rootViewController() const { return nullptr; }
    // The view to show: the slot's creative view or a mediated network's; null removes it.
    virtual void slotDidReceiveAdView(VDSlot& slot, const std::shared_ptr<ui::View>& view) {
        (void)slot;
        (void)view;
    }
    virtual void setAdSizeAndReload(VDAdSize size, bool reload) {
        (void)size;
        (void)reload;
    }
    // The sizes a response may resize the owner to ("sz").
    virtual std::optional<std::vector<VDAdSize>> validAdSizes() const { return std::nullopt; }
    virtual void slotWillResizeToAdSize(VDSlot& slot, VDAdSize size) {
        (void)slot;
        (void)size;
    }
    virtual void slotDidReceiveAppEventWithInfo(VDSlot& slot, const std::string& name,
                                                const std::optional<std::string>& info) {
        (void)slot;
        (void)name;
        (void)info;
    }
    // Will the owner render this custom-rendered ad itself? No (or unanswered): the error, when
    // set, says why.
    virtual std::optional<bool>
    slotNotifyPublisherToRenderCustomRenderingAd(VDSlot& slot, const std::shared_ptr<VDAd>& ad,
                                                 std::optional<base::Error>& error) {
        (void)slot;
        (void)ad;
        (void)error;
        return std::nullopt;
    }
    virtual void slotWillLoadAdWithRequest(VDSlot& slot, const VDRequest& request) {
        (void)slot;
        (void)request;
    }
    virtual void slotDidReceiveAdClick(VDSlot& slot) { (void)slot; }
};
