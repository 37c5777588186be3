#pragma once

#include "platform/base/Error.h"
#include "platform/ui/WebViewNavigationType.h"

namespace net {
class URLRequest;
}

namespace ui {

class WebView;

// What a web view tells its delegate. Every method has a default, so a delegate implements
// what it needs. The view never calls its delegate from inside the delegate's own call to
// stringByEvaluatingJavaScriptFromString: what happens meanwhile comes afterwards, in order.
class WebViewDelegate {
public:
    virtual ~WebViewDelegate() = default;

    // Whether the frame may load the request; asked for the view's own loads (type Other)
    // and for every navigation of the page, sub-frames included.
    virtual bool webViewShouldStartLoadWithRequestNavigationType(WebView& webView,
                                                                 const net::URLRequest& request,
                                                                 WebViewNavigationType type) {
        (void)webView;
        (void)request;
        (void)type;
        return true;
    }
    virtual void webViewDidStartLoad(WebView& webView) { (void)webView; }
    virtual void webViewDidFinishLoad(WebView& webView) { (void)webView; }
    virtual void webViewDidFailLoadWithError(WebView& webView, const base::Error& error) {
        (void)webView;
        (void)error;
    }
    // The view's load script (WebView::setLoadScript) ran in the page that loaded, and gave
    // `answer`.
    virtual void webViewLoadScriptAnswered(WebView& webView, const std::string& answer) {
        (void)webView;
        (void)answer;
    }
};

} // namespace ui
