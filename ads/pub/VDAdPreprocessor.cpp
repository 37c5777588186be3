#include "ads/pub/VDAdPreprocessor.h"

#include "ads/pub/VDAdLoader.h"

void VDAdPreprocessor::slotDidFailToLoadAdContentWithError(VDSlot&, const base::Error& error) {
    if (auto loader = loader_.lock())
        loader->didFailToReceiveAdWithError(error);
}
