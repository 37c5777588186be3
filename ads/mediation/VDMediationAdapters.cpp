#include "ads/mediation/VDMediationAdapters.h"

#include "ads/foundation/VDClassRegistry.h"
#include "ads/mediation/VDMAdapterCustomEvents.h"
#include "ads/mediation/VDMAdapterHTML.h"

void VDMediationAdapters::registerBuiltInAdapterClasses() {
    if (!VDClassRegistry::classNamed(VDMAdapterHTML::className))
        VDClassRegistry::registerClass(
            VDMAdapterHTML::className,
            std::make_shared<VDMAdNetworkAdapterClassOf<VDMAdapterHTML>>());
    if (!VDClassRegistry::classNamed(VDMAdapterCustomEvents::className))
        VDClassRegistry::registerClass(
            VDMAdapterCustomEvents::className,
            std::make_shared<VDMAdNetworkAdapterClassOf<VDMAdapterCustomEvents>>());
}
