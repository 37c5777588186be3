#include "ads/webview/VDWebViewFactory.h"

#include "platform/base/RunLoop.h"

std::shared_ptr<ui::WebView> VDWebViewFactory::createWebView(const ui::Rect& frame) {
    base::assertMainThread();
    return ui::WebView::create(frame, ui::WebView::oldestLiveWebView());
}
