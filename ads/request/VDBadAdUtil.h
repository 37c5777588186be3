#pragma once

#include "ads/request/VDURLConnection.h"
#include "ads/request/VDURLConnectionDelegate.h"
#include "platform/base/URL.h"
#include "platform/base/Value.h"

#include <memory>

// Reports a bad ad to the ad server: the report (a dictionary) goes as JSON in the body of a
// POST to "/s/reportAd" on the ad server's host (the core page's origin), through a
// VDURLConnection with a request of vd_requestForURLDataHeadersType. Redirects are followed,
// no cached answer is taken, and the outcome is not looked at: a report is sent once, never
// retried. A report in flight keeps itself alive until its connection ends. Main thread only.
class VDBadAdUtil : public VDURLConnectionDelegate,
                    public std::enable_shared_from_this<VDBadAdUtil> {
    struct Private {};

public:
    static constexpr const char* reportPath = "/s/reportAd";

    static std::shared_ptr<VDBadAdUtil> create();
    explicit VDBadAdUtil(Private) {}

    // Where reports go.
    static base::URL reportURL();
    // Sends the report; false when it could not be sent (not JSON-serialisable, a report of
    // this object still in flight).
    bool reportBadAd(const base::Value::Dictionary& report);
    bool isReporting() const { return self_ != nullptr; }

    // --- VDURLConnectionDelegate: nothing is refused, nothing is taken from the cache, every
    // outcome only ends the report.
    std::optional<base::Error> connectionShouldRedirectToURL(VDURLConnection& connection,
                                                             const base::URL& url) override;
    void connectionLoadDidReceiveRedirectResponse(VDURLConnection& connection,
                                                  const net::HTTPURLResponse& response) override;
    bool connectionLoadShouldUseCachedResponse(VDURLConnection& connection,
                                               const net::HTTPURLResponse& response) override;
    void connectionLoadDidReceiveCachedResponse(VDURLConnection& connection,
                                                const net::HTTPURLResponse& response) override;
    void connectionLoadDidFinishBaseURL(VDURLConnection& connection,
                                        const std::optional<std::string>& body,
                                        const std::optional<base::URL>& baseURL) override;
    void connectionLoadDidFailHTTPStatusCode(VDURLConnection& connection,
                                             const std::optional<base::Error>& error,
                                             long statusCode) override;

private:
    void finish();

    std::shared_ptr<VDURLConnection> connection_ = VDURLConnection::create();
    std::shared_ptr<VDBadAdUtil> self_;
};
