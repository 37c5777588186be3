#include "ads/request/VDAdsClient.h"

#include "ads/foundation/VDApplication.h"
#include "ads/mediation/VDMediationAdapters.h"
#include "ads/request/VDMAdapterRedodiVeDivAds.h"
#include "ads/request/VDSDKCoreAdFetch.h"
#include "ads/webview/VDMRAIDInterceptor.h"

#include <mutex>

void VDAdsClient::load() {
    installEarlyActivities();
    VDApplication::load();
}

void VDAdsClient::installEarlyActivities() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        VDMediationAdapters::registerBuiltInAdapterClasses();
        VDMAdapterRedodiVeDivAds::registerAdapterClasses();
        VDApplication::setEarlyActivities(&VDMRAIDInterceptor::allow);
        VDSDKCoreAdFetch::install();
    });
}
