#include "ads/pub/PUBRequest.h"

#include "ads/request/PUBRequestPrivate.h"

std::shared_ptr<PUBRequest> PUBRequest::request() {
    // The plain request's first creation runs the ads client's early start-up work.
    VDRequest::request();
    return std::make_shared<PUBRequest>(Private{});
}

PUBRequest::PUBRequest(Private)
    : VDRequest(Private{}) {}

std::shared_ptr<VDRequest> PUBRequest::copy() const {
    auto copy = std::make_shared<PUBRequest>(Private{});
    copyPropertiesInto(*copy);
    return copy;
}

void PUBRequest::updateCorrelator() {
    PUBRequestPrivate::sharedInstance()->updateCorrelationID();
}
