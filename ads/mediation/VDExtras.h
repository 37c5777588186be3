#pragma once

#include "ads/mediation/VDAdNetworkExtras.h"
#include "platform/base/URL.h"
#include "platform/base/Value.h"

#include <memory>
#include <optional>

// The extras of the ads client's own network: additionalParameters() is sent as the request
// parameter "extras". When it holds "_useOnce" true, the extras steer one load only: the load
// that reads them removes them from its request. requestURL() is the extras' "_requestUrl":
// a ready ad URL that the load fetches instead of asking the core page for one (a text under
// "_requestUrl" in the parameters is no URL and is ignored).
class VDExtras final : public VDAdNetworkExtras {
public:
    static constexpr const char* name = "VDExtras";
    static std::shared_ptr<VDExtras> create() { return std::make_shared<VDExtras>(); }

    std::string className() const override { return name; }

    const std::optional<base::Value::Dictionary>& additionalParameters() const {
        return additionalParameters_;
    }
    void setAdditionalParameters(std::optional<base::Value::Dictionary> parameters) {
        additionalParameters_ = std::move(parameters);
    }

    const std::optional<base::URL>& requestURL() const { return requestURL_; }
    void setRequestURL(std::optional<base::URL> url) { requestURL_ = std::move(url); }

private:
    std::optional<base::Value::Dictionary> additionalParameters_;
    std::optional<base::URL> requestURL_;
};
