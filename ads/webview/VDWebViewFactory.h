#pragma once

#include "platform/ui/Geometry.h"
#include "platform/ui/WebView.h"

#include <memory>

// Makes the ads client's web views (the hidden SDK-core pages, the pooled creative views) as
// related views of the oldest web view alive in the process, so that the engine runs them in
// the web process already there: the host's first page when it has one, the ads' own first
// view otherwise. An ad costs a page, not a process; only with no web view alive does a new
// one start a process of its own. Each view still has its own page and script world: an ad's
// script cannot reach the host's page, nor the page an ad's. Main thread only.
class VDWebViewFactory {
public:
    VDWebViewFactory() = delete;

    static std::shared_ptr<ui::WebView> createWebView(const ui::Rect& frame = ui::Rect());
};
