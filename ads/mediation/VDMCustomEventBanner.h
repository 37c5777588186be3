#pragma once

#include "ads/foundation/VDClassRegistry.h"
#include "ads/mediation/VDMCustomEventBannerDelegate.h"
#include "platform/ui/Geometry.h"

#include <memory>
#include <optional>
#include <string>

// A host's own banner network, which a mediation configuration names as a custom event (the
// VDMAdapterCustomEvents network's "class_name"). The host registers a VDMCustomEventBannerClass
// under that name in VDClassRegistry; for each request the class makes a new event, which is
// given its delegate (held weakly) and asked once for a banner of the size with the server's
// "parameter" and "label". Main thread only.
class VDMCustomEventBanner {
public:
    virtual ~VDMCustomEventBanner() = default;

    std::shared_ptr<VDMCustomEventBannerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<VDMCustomEventBannerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    virtual void requestBannerAd(ui::Size size, const std::optional<std::string>& parameter,
                                 const std::optional<std::string>& label) = 0;

private:
    std::weak_ptr<VDMCustomEventBannerDelegate> delegate_;
};

class VDMCustomEventBannerClass : public VDClassRegistry::Class {
public:
    virtual std::shared_ptr<VDMCustomEventBanner> makeCustomEventBanner() const = 0;
};
