#pragma once

#include "ads/pub/VDAdLoaderDelegate.h"
#include "ads/pub/VDAdPreprocessor.h"
#include "ads/request/VDRequest.h"
#include "ads/request/VDSlot.h"
#include "ads/request/VDSlotAdResponseDelegate.h"
#include "ads/request/VDSlotDelegate.h"

#include <memory>
#include <optional>
#include <string>

// Loads native ads for an ad unit: it owns a slot whose responses it reads itself (it is the
// slot's slot delegate and response delegate; a VDAdPreprocessor is its ad-event delegate). A
// native response (JSON whose body is a dictionary) becomes a VDNativeAd for the host; any
// other response, or a body that is no dictionary, fails the load. No refresh. The delegate is
// held weakly. Main thread only.
class VDAdLoader : public VDSlotDelegate,
                   public VDSlotAdResponseDelegate,
                   public std::enable_shared_from_this<VDAdLoader> {
    struct Private {};

public:
    static std::shared_ptr<VDAdLoader> create(std::string adUnitID);
    VDAdLoader(Private, std::string adUnitID);
    ~VDAdLoader() override;

    std::shared_ptr<VDAdLoaderDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<VDAdLoaderDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    const std::shared_ptr<VDSlot>& slot() const { return slot_; }

    // A default request when null.
    void loadRequest(const std::shared_ptr<VDRequest>& request);

    // --- From the slot.
    bool slotDidReceiveAd(VDSlot& slot, const std::shared_ptr<VDAd>& ad) override;
    // Failures reach the host through the preprocessor, once.
    void slotDidFailToReceiveAdWithError(VDSlot& slot,
                                         const std::optional<base::Error>& error) override;
    void didFailToReceiveAdWithError(const base::Error& error);

private:
    std::string adUnitID_;
    std::shared_ptr<VDSlot> slot_;
    std::shared_ptr<VDAdPreprocessor> preprocessor_;
    std::weak_ptr<VDAdLoaderDelegate> delegate_;
};
