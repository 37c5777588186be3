#pragma once

#include "ads/presentation/VDAdAppViewControllerSlot.h"
#include "ads/presentation/VDViewController.h"
#include "ads/webview/VDAdAppAdViewDelegate.h"
#include "platform/base/URL.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/SheetBar.h"
#include "platform/ui/WebView.h"

#include <memory>

// An ad app's page shown full screen for a slot: a web view under a bar with Done. Its loads
// are stamped into the ad's statistics (VDAdAppAdViewDelegate). Each time it is about to
// appear the slot hears interstitialViewWillAppear, each time it is about to disappear
// interstitialViewWillDisappear; as a VDViewController its presentation is a full-screen
// takeover. The slot is held weakly. Main thread only.
class VDAdAppViewController : public VDViewController {
    struct Private {};

public:
    static std::shared_ptr<VDAdAppViewController>
    createWithURL(const base::URL& url, std::weak_ptr<VDAdAppViewControllerSlot> slot,
                  std::shared_ptr<VDStatisticDictionary> adStatistics);
    VDAdAppViewController(Private, const base::URL& url,
                          std::weak_ptr<VDAdAppViewControllerSlot> slot);
    std::string className() const override { return "VDAdAppViewController"; }

    const std::shared_ptr<ui::WebView>& webView() const { return webView_; }
    const std::shared_ptr<ui::SheetBar>& bar() const { return bar_; }
    const std::shared_ptr<ui::BarButtonItem>& doneButton() const { return doneButton_; }
    // The user is done: the page is dismissed.
    void done();

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    base::URL url_;
    std::weak_ptr<VDAdAppViewControllerSlot> slot_;
    std::shared_ptr<VDAdAppAdViewDelegate> pageDelegate_;
    std::shared_ptr<ui::WebView> webView_;
    std::shared_ptr<ui::SheetBar> bar_;
    std::shared_ptr<ui::BarButtonItem> doneButton_;
};
