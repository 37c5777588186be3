#include "ads/pub/VIZAvizuverazad.h"

#include "ads/request/PUBRequestPrivate.h"
#include "ads/request/VDRequest.h"

void VIZAvizuverazad::willLoadAdWithRequest(const VDRequest& request) {
    previousCorrelationID_ = request.correlationID();
}

bool VIZAvizuverazad::shouldPreemptInProgressRequest() const {
    return previousCorrelationID_ &&
           *previousCorrelationID_ != PUBRequestPrivate::sharedInstance()->correlationID();
}
