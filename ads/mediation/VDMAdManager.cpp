#include "ads/mediation/VDMAdManager.h"

#include "ads/foundation/VDBlockTimers.h"
#include "ads/foundation/VDClassRegistry.h"
#include "ads/foundation/VDLogger.h"
#include "ads/foundation/VDSlotStatistics.h"
#include "ads/mediation/VDMAdNetworkAdapter.h"
#include "ads/mediation/VDMAdNetworkConnector.h"
#include "ads/mediation/VDMediationAdapters.h"
#include "platform/base/RunLoop.h"

std::shared_ptr<VDMAdManager> VDMAdManager::create() {
    VDMediationAdapters::registerBuiltInAdapterClasses();
    return std::make_shared<VDMAdManager>(Private{});
}

VDMAdManager::~VDMAdManager() {
    stopTimeoutTimer();
    dropConnector(requestingConnector_);
    dropConnector(receivedConnector_);
}

void VDMAdManager::loadAdWithConfiguration(VDMConfig configuration) {
    base::assertMainThread();
    configuration_ = std::move(configuration);
    makeAdRequest();
}

void VDMAdManager::makeAdRequest() {
    base::assertMainThread();
    // A new waterfall: whatever the last one still had under way goes, the ad on show stays.
    stopAsking();
    nextNetwork_ = 0;
    anyAdapterFound_ = false;
    scheduleStep(&VDMAdManager::askNextNetwork);
}

void VDMAdManager::scheduleStep(void (VDMAdManager::*step)()) {
    pendingStep_ = true;
    base::RunLoop::main().dispatch([weakSelf = weak_from_this(), generation = generation_, step] {
        auto self = weakSelf.lock();
        if (!self || self->generation_ != generation || !self->pendingStep_)
            return;
        self->pendingStep_ = false;
        ((*self).*step)();
    });
}

void VDMAdManager::askNextNetwork() {
    auto slot = this->slot();
    if (!slot || !configuration_)
        return;
    if (nextNetwork_ >= configuration_->networks.size()) {
        finishWaterfallWithoutFill();
        return;
    }
    const VDMAdNetworkConfig& network = configuration_->networks[nextNetwork_++];
    if (auto statistics = slot->slotStats())
        statistics->startTimingAdapter();

    auto adapterClass =
        VDClassRegistry::classNamed<VDMAdNetworkAdapterClass>(network.adapterClassName);
    auto connector = VDMAdNetworkConnector::create(weak_from_this(), network);
    auto adapter = adapterClass ? adapterClass->adapterWithConnector(connector) : nullptr;
    if (!adapter) {
        VDLogger::sharedInstance()->logPublicMessage("No mediation adapter named " +
                                                     network.adapterClassName + "; skipped.");
        endNetworkWithExitCode(network, ExitCodeNoAdapter);
        scheduleStep(&VDMAdManager::askNextNetwork);
        return;
    }
    anyAdapterFound_ = true;
    connector->setAdapter(adapter);
    requestingConnector_ = connector;
    timeoutTimer_ = vd_scheduledTimerWithTimeIntervalRepeatsToleranceBlock<VDMAdManager>(
        network.timeout, false, base::Seconds(0), weak_from_this(),
        [generation = generation_, connector = std::weak_ptr(connector)](VDMAdManager& self,
                                                                         base::Timer&) {
            if (self.generation_ == generation && self.requestingConnector_ &&
                self.requestingConnector_ == connector.lock())
                self.networkTimedOut();
        });
    if (slot->requestsInterstitialAd())
        adapter->getInterstitial();
    else
        adapter->getBannerWithSize(slot->requestedAdSize());
}

void VDMAdManager::networkTimedOut() {
    timeoutTimer_.reset();
    auto connector = requestingConnector_;
    dropConnector(requestingConnector_);
    endNetworkWithExitCode(connector->network(), ExitCodeTimedOut);
    scheduleStep(&VDMAdManager::askNextNetwork);
}

void VDMAdManager::finishWaterfallWithoutFill() {
    const bool noAdapter = !anyAdapterFound_ && !configuration_->networks.empty();
    configuration_.reset();
    if (auto slot = this->slot())
        slot->mediationDidFailWithRequestErrorCode(noAdapter ? mediationAdapterErrorCode
                                                             : mediationNoFillCode);
}

void VDMAdManager::endNetworkWithExitCode(const VDMAdNetworkConfig& network, long exitCode) {
    auto slot = this->slot();
    if (!slot)
        return;
    auto statistics = slot->slotStats();
    if (statistics)
        statistics->endTimingAdapterWithExitCode(exitCode);
    static const std::optional<std::string> none;
    slot->trackMediationURLsFromTemplatesDefaultTemplateNetworkIDAllocationIDQDataAppKeyRefreshDurationsExitCodes(
        network.pingTemplates, configuration_ ? configuration_->defaultPingTemplate : none,
        network.networkID, network.allocationID, configuration_ ? configuration_->qData : "",
        configuration_ ? configuration_->appKey : "", slot->hasAutoRefreshed(),
        statistics ? statistics->adapterDurationsParameter() : std::nullopt,
        statistics ? statistics->adapterExitCodesParameter() : std::nullopt);
    if (statistics)
        statistics->resetTimingAdapters();
}

void VDMAdManager::connectorDidReceiveAdView(VDMAdNetworkConnector& connector,
                                             const std::shared_ptr<ui::View>& view) {
    auto slot = this->slot();
    if (!slot)
        return;
    if (receivedConnector_.get() == &connector) {
        // The network on show loaded a new ad by itself.
        slot->mediatedAdNetworkAutoRefreshed();
        slot->setViewForAdUsingView(view);
        slot->adFinishedLoadingContent();
        return;
    }
    if (requestingConnector_.get() != &connector)
        return;
    stopTimeoutTimer();
    endNetworkWithExitCode(connector.network(), ExitCodeFilled);
    dropConnector(receivedConnector_);
    receivedConnector_ = std::move(requestingConnector_);
    configuration_.reset();
    slot->setViewForAdUsingView(view);
    slot->didReceiveValidAd();
    slot->adFinishedLoadingContent();
}

void VDMAdManager::connectorDidFail(VDMAdNetworkConnector& connector) {
    auto slot = this->slot();
    if (!slot)
        return;
    if (receivedConnector_.get() == &connector) {
        slot->mediatedAdNetworkAutoRefreshed();
        slot->mediationDidFailWithRequestErrorCode(mediationNoFillCode);
        return;
    }
    if (requestingConnector_.get() != &connector)
        return;
    stopTimeoutTimer();
    auto failed = requestingConnector_;
    dropConnector(requestingConnector_);
    endNetworkWithExitCode(failed->network(), ExitCodeFailed);
    scheduleStep(&VDMAdManager::askNextNetwork);
}

void VDMAdManager::dropConnector(std::shared_ptr<VDMAdNetworkConnector>& connector) {
    if (!connector)
        return;
    // Taken out first: an adapter that reports while it stops finds no connector here.
    auto dropped = std::move(connector);
    connector.reset();
    dropped->disconnect();
    if (const auto& adapter = dropped->adapter())
        adapter->stopBeingDelegate();
}

void VDMAdManager::stopAsking() {
    ++generation_;
    pendingStep_ = false;
    stopTimeoutTimer();
    dropConnector(requestingConnector_);
}

void VDMAdManager::stopTimeoutTimer() {
    if (timeoutTimer_)
        timeoutTimer_->invalidate();
    timeoutTimer_.reset();
}

void VDMAdManager::cancel() {
    base::assertMainThread();
    stopAsking();
    dropConnector(receivedConnector_);
    configuration_.reset();
}

std::optional<std::string> VDMAdManager::fillingAdapterClassName() const {
    if (!receivedConnector_)
        return std::nullopt;
    return receivedConnector_->network().adapterClassName;
}

bool VDMAdManager::changeAdTypeTo(bool interstitial, ui::Size size) {
    if (interstitial || !receivedConnector_ || !receivedConnector_->adapter())
        return false;
    return receivedConnector_->adapter()->changeAdSizeTo(size);
}
