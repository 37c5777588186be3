#pragma once

#include "platform/ui/Geometry.h"
#include "platform/ui/WebView.h"

#include <memory>

// Makes the ads client's web views (the hidden SDK-core pages, the pooled creative views) as
// related views of one another, so that the engine runs them all in one web process: an ad
// costs a page, not a process. A new view is related to any ads web view still alive; when
// none is, it starts a process of its own. Main thread only.
class VDWebViewFactory {
public:
    VDWebViewFactory() = delete;

    static std::shared_ptr<ui::WebView> createWebView(const ui::Rect& frame = ui::Rect());
    // Forgets the views made so far (tests).
    static void resetForTesting();
};
