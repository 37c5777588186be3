#include "ads/mediation/VDMAdManager.h"

#include "ads/foundation/VDLogger.h"
#include "ads/mediation/VDMediationAdapters.h"
#include "platform/base/RunLoop.h"

std::shared_ptr<VDMAdManager> VDMAdManager::create() {
    return std::make_shared<VDMAdManager>(Private{});
}

void VDMAdManager::loadAdWithConfiguration(const base::Value::Dictionary& configuration) {
    base::assertMainThread();
    cancel();
    requesting_ = true;
    const std::uint64_t waterfall = waterfall_;
    const base::Value networks = base::Value(configuration)[adNetworksKey];
    if (const auto* list = networks.array()) {
        for (const auto& network : *list) {
            const auto adapter = network[adapterKey].stringValue();
            if (!adapter || !VDMediationAdapters::isAdapterClassAvailable(*adapter))
                continue;
            // No adapter class is built into the program yet: one that is registered has no
            // code here to run it.
            VDLogger::sharedInstance()->logPublicMessage("No mediation adapter code for " +
                                                         *adapter + "; passed over.");
        }
    }
    base::RunLoop::main().dispatch([weakSelf = weak_from_this(), waterfall] {
        if (auto self = weakSelf.lock())
            self->finishWaterfall(waterfall);
    });
}

void VDMAdManager::finishWaterfall(std::uint64_t waterfall) {
    if (waterfall != waterfall_ || !requesting_)
        return;
    requesting_ = false;
    if (auto slot = this->slot())
        slot->mediationDidFailWithRequestErrorCode(mediationNoFillCode);
}

void VDMAdManager::cancel() {
    base::assertMainThread();
    ++waterfall_;
    requesting_ = false;
    fillingAdapterClassName_.reset();
}

bool VDMAdManager::changeAdTypeTo(bool, ui::Size) {
    // No network's ad is ever on show without an adapter to show it.
    return false;
}
