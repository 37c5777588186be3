#pragma once

class VDSDKCoreWebView;

// What waits for the SDK-core page to finish loading (the SDK-core controller). Called on the
// main thread, once per registration, when a load has ended, loaded or failed.
class VDSDKCoreWebViewNotification {
public:
    virtual ~VDSDKCoreWebViewNotification() = default;
    virtual void didFinishLoadingSDKCoreInSDKCoreWebView(VDSDKCoreWebView& webView) = 0;
};
