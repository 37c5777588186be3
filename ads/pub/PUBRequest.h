#pragma once

#include "ads/request/VDRequest.h"

#include <memory>

// The PUB publisher's request: a VDRequest whose host can ask for a new correlator, so that
// the ads requested from then on are told apart from those requested before (a new page view).
class PUBRequest : public VDRequest {
public:
    static std::shared_ptr<PUBRequest> request();
    explicit PUBRequest(Private);

    std::shared_ptr<VDRequest> copy() const override;

    // Every later request of the process carries a new "correlation_id".
    static void updateCorrelator();

protected:
    std::string className() const override { return "PUBRequest"; }
};
