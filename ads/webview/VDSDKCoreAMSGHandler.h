#pragma once

#include "ads/webview/VDAMSGHandler.h"
#include "ads/webview/VDSDKCoreAMSGHandlerDelegate.h"

#include <memory>

// The SDK-core page's handler on the "amsg" bus. It serves five messages and passes each to
// its weakly held delegate asynchronously on the main queue, so that the delegate never runs
// inside the web view's own delivery:
//   "loadAdURL", "loadAd", "invalidRequest" (each with its "request_id"),
//   "loadSdkConstants" and "requestReload".
// A "loadAd" whose "fetched_ad" is not the JSON text of a dictionary passes an empty one.
class VDSDKCoreAMSGHandler : public VDAMSGHandler,
                             public std::enable_shared_from_this<VDSDKCoreAMSGHandler> {
    struct Private {};

public:
    static constexpr const char* requestIDKey = "request_id";
    static constexpr const char* fetchedAdKey = "fetched_ad";

    static std::shared_ptr<VDSDKCoreAMSGHandler> create();
    explicit VDSDKCoreAMSGHandler(Private) {}

    std::shared_ptr<VDSDKCoreAMSGHandlerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<VDSDKCoreAMSGHandlerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    const ActionBlockDictionary& actionBlockDictionary() const override;

private:
    void didReceiveLoadAdURLAction(const VDNotification& note);
    void didReceiveLoadAdAction(const VDNotification& note);
    void didReceiveInvalidRequestAction(const VDNotification& note);
    void didReceiveLoadSDKConstantsAction(const VDNotification& note);
    void didReceiveRequestReloadAction(const VDNotification& note);
    // Runs `call` with the delegate on the main queue, when both are still there then.
    void
    tellDelegate(std::function<void(VDSDKCoreAMSGHandlerDelegate&, VDSDKCoreAMSGHandler&)> call);

    std::weak_ptr<VDSDKCoreAMSGHandlerDelegate> delegate_;
};
