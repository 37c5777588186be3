#pragma once

#include "platform/base/URL.h"

#include <memory>
#include <optional>
#include <string>

class VDAd;
class VDSlot;

// A custom-rendered ad handed to the PUB publisher, who renders its HTML himself and reports
// what happens to it: the render finished (the load succeeds), the user clicked (the click URLs
// are pinged), the ad was seen (the impression is counted and its URLs pinged, once). The slot
// is held weakly: once the banner is gone, the reports do nothing. Main thread only.
class PUBCustomRenderedAd {
    struct Private {};

public:
    static std::shared_ptr<PUBCustomRenderedAd> create(const std::shared_ptr<VDSlot>& slot,
                                                       const std::shared_ptr<VDAd>& ad);
    PUBCustomRenderedAd(Private, const std::shared_ptr<VDSlot>& slot,
                        const std::shared_ptr<VDAd>& ad);

    const std::optional<std::string>& adHTML() const;
    const std::optional<base::URL>& adBaseURL() const;

    // Each only while this ad is the slot's current one.
    void finishedRenderingAdView();
    void recordClick();
    void recordImpression();

private:
    std::shared_ptr<VDSlot> currentSlot() const;

    std::weak_ptr<VDSlot> slot_;
    std::shared_ptr<VDAd> ad_;
    bool finished_ = false;
};
