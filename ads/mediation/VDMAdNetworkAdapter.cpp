#include "ads/mediation/VDMAdNetworkAdapter.h"

#include "ads/mediation/VDMAdNetworkConnector.h"
#include "platform/base/RunLoop.h"

void VDMAdNetworkAdapter::getInterstitial() {
    base::RunLoop::main().dispatch([connector = connector_] {
        if (auto strong = connector.lock())
            strong->adapterDidFailToReceiveAd(base::Error::make(
                "VDMAdNetworkAdapter", 0, "The network serves no interstitials."));
    });
}
