#include "ads/request/VDActiveViewReporting.h"

#include "ads/foundation/VDApplication.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/webview/VDMRAIDEventHandling.h"
#include "ads/webview/VDSDKCoreWebView.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

std::shared_ptr<VDActiveViewReporting>
VDActiveViewReporting::create(std::shared_ptr<VDSDKCoreController> controller, Source source) {
    return std::make_shared<VDActiveViewReporting>(Private(), std::move(controller),
                                                   std::move(source));
}

VDActiveViewReporting::VDActiveViewReporting(Private,
                                             std::shared_ptr<VDSDKCoreController> controller,
                                             Source source)
    : controller_(std::move(controller))
    , source_(std::move(source)) {}

VDActiveViewReporting::~VDActiveViewReporting() {
    finishActiveViewReporting();
}

bool VDActiveViewReporting::canEnableActiveViewMonitoring(bool mediating, const Ad& ad) {
    if (mediating)
        return false;
    return ad.activeViewConfiguration.has_value() || ad.MRAID;
}

void VDActiveViewReporting::resetActiveViewReportingForAdInView(
    const Ad& ad, const std::shared_ptr<ui::View>& view, bool mediating) {
    base::assertMainThread();
    finishActiveViewReporting();
    if (!canEnableActiveViewMonitoring(mediating, ad))
        return;
    auto controller = controller_;
    monitor_ = VDActiveViewMonitor::createWithView(
        view, [controller] { return base::Seconds(controller->activeViewSamplingInterval()); });
    if (!monitor_)
        return;
    ad_ = ad;
    activeViewID_ = VDApplication::sharedInstance()->nextActiveViewID();
    SDKCoreWebView_ = controller_->SDKCoreWebViewForActiveViewProcessing();
    if (SDKCoreWebView_)
        SDKCoreWebView_->setActiveViewObserverForActiveViewID(shared_from_this(), activeViewID_);
    monitor_->setDelegate(weak_from_this());
}

void VDActiveViewReporting::finishActiveViewReporting() {
    if (monitor_) {
        monitor_->stopMonitoring();
        monitor_->setDelegate({});
        send(true);
        monitor_.reset();
    }
    if (SDKCoreWebView_) {
        SDKCoreWebView_->removeActiveViewObserverForActiveViewID(activeViewID_);
        controller_->finishedUsingSDKCoreWebViewForActiveViewProcessing(SDKCoreWebView_);
        SDKCoreWebView_.reset();
    }
}

void VDActiveViewReporting::sampleOnce() {
    if (monitor_)
        monitor_->sample();
}

void VDActiveViewReporting::start() {
    if (monitor_)
        monitor_->startMonitoring();
}

void VDActiveViewReporting::stop() {
    if (monitor_)
        monitor_->stopMonitoring();
}

bool VDActiveViewReporting::monitoredViewIsSubviewOfDeviceScreen() const {
    auto view = monitor_ ? monitor_->monitoredView() : nullptr;
    return view && view->window();
}

void VDActiveViewReporting::resetActiveViewReporting() {
    auto shown = source_ ? source_() : std::nullopt;
    if (!shown) {
        finishActiveViewReporting();
        return;
    }
    resetActiveViewReportingForAdInView(shown->ad, shown->view, shown->mediating);
}

std::optional<std::string> VDActiveViewReporting::activeViewCommand(bool unloaded) const {
    if (!monitor_)
        return std::nullopt;
    const VDActiveViewReport::Unit unit{ad_.MRAID, ad_.interstitial, ad_.activeViewConfiguration,
                                        activeViewID_};
    return VDActiveViewReport::activeViewJSCommandWithParams(
        VDActiveViewReport::activeViewParametersActiveViewUnloaded(*monitor_, unit, unloaded));
}

void VDActiveViewReporting::send(bool unloaded) {
    auto command = activeViewCommand(unloaded);
    if (command && SDKCoreWebView_)
        SDKCoreWebView_->executeJavaScriptCommand(std::move(*command));
}

void VDActiveViewReporting::didRefreshActiveViewMonitor(VDActiveViewMonitor& monitor) {
    if (&monitor != monitor_.get())
        return;
    send(false);
    auto handler = ad_.MRAIDEventHandler.lock();
    if (auto view = monitor.monitoredView(); handler && view)
        handler->updatePositionFromView(view);
}

void VDActiveViewReporting::adViewDidChangeActiveViewVisibility(bool visible) {
    if (!ad_.MRAID)
        return;
    if (auto handler = ad_.MRAIDEventHandler.lock())
        handler->updateVisibility(visible);
}

void VDActiveViewReporting::adViewDidStopActiveViewMonitoring() {
    finishActiveViewReporting();
}
