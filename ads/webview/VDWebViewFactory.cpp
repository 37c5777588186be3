#include "ads/webview/VDWebViewFactory.h"

#include "platform/base/RunLoop.h"

#include <algorithm>
#include <vector>

namespace {

// Main thread only, like the views themselves.
std::vector<std::weak_ptr<ui::WebView>>& madeViews() {
    static std::vector<std::weak_ptr<ui::WebView>> views;
    return views;
}

} // namespace

std::shared_ptr<ui::WebView> VDWebViewFactory::createWebView(const ui::Rect& frame) {
    base::assertMainThread();
    auto& views = madeViews();
    std::erase_if(views, [](const auto& view) { return view.expired(); });
    std::shared_ptr<ui::WebView> related = views.empty() ? nullptr : views.front().lock();
    auto view = ui::WebView::create(frame, related.get());
    views.push_back(view);
    return view;
}

void VDWebViewFactory::resetForTesting() {
    madeViews().clear();
}
