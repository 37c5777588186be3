#pragma once

#include "ads/presentation/VDViewController.h"
#include "ads/webview/VDBrowserAdViewDelegate.h"
#include "platform/base/URL.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/SheetBar.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/WebView.h"
#include "platform/ui/WebViewDelegate.h"

#include <memory>

// The landing page a click on an ad opens inside the application, presented full screen over
// the host: a web view under a bar with Done, and a toolbar with back, forward, reload and
// "open in the system browser". The page's loads and navigations go into the clicked ad's
// statistics (VDBrowserAdViewDelegate); back and forward are enabled when the page's history
// allows. As a VDViewController its presentation and dismissal are a full-screen takeover
// (every slot pauses its refresh; the clicked slot hears it through intermission()) and the
// dismissal is recorded in the ad's statistics. Done dismisses it; openInSafari hands the
// page's address to the desktop's browser and marks "pcbo" in the ad's statistics.
// Main thread only.
class VDBrowserViewController : public VDViewController, public ui::WebViewDelegate {
    struct Private {};

public:
    static std::shared_ptr<VDBrowserViewController>
    createWithURL(const base::URL& url, std::shared_ptr<VDStatisticDictionary> adStatistics);
    VDBrowserViewController(Private, const base::URL& url);
    std::string className() const override { return "VDBrowserViewController"; }

    const base::URL& initialURL() const { return url_; }
    // The address of the page on show: the web view's, else the one it was opened with.
    base::URL currentURL() const;

    // The parts of the view, once it is loaded.
    const std::shared_ptr<ui::WebView>& webView() const { return webView_; }
    const std::shared_ptr<ui::SheetBar>& bar() const { return bar_; }
    const std::shared_ptr<ui::Toolbar>& toolbar() const { return toolbar_; }
    const std::shared_ptr<ui::BarButtonItem>& doneButton() const { return doneButton_; }
    const std::shared_ptr<ui::BarButtonItem>& backButton() const { return backButton_; }
    const std::shared_ptr<ui::BarButtonItem>& forwardButton() const { return forwardButton_; }
    const std::shared_ptr<ui::BarButtonItem>& reloadButton() const { return reloadButton_; }
    const std::shared_ptr<ui::BarButtonItem>& safariButton() const { return safariButton_; }

    // The user's actions.
    void done();
    void goBack();
    void goForward();
    void reload();
    void openInSafari();

    void loadView() override;
    void viewDidLoad() override;

    // --- ui::WebViewDelegate: the ad's statistics, and the buttons follow the history.
    bool webViewShouldStartLoadWithRequestNavigationType(ui::WebView& webView,
                                                         const net::URLRequest& request,
                                                         ui::WebViewNavigationType type) override;
    void webViewDidStartLoad(ui::WebView& webView) override;
    void webViewDidFinishLoad(ui::WebView& webView) override;
    void webViewDidFailLoadWithError(ui::WebView& webView, const base::Error& error) override;

private:
    void updateButtons();

    base::URL url_;
    std::shared_ptr<VDBrowserAdViewDelegate> statisticsDelegate_;
    std::shared_ptr<ui::WebView> webView_;
    std::shared_ptr<ui::SheetBar> bar_;
    std::shared_ptr<ui::Toolbar> toolbar_;
    std::shared_ptr<ui::BarButtonItem> doneButton_;
    std::shared_ptr<ui::BarButtonItem> backButton_;
    std::shared_ptr<ui::BarButtonItem> forwardButton_;
    std::shared_ptr<ui::BarButtonItem> reloadButton_;
    std::shared_ptr<ui::BarButtonItem> safariButton_;
};
