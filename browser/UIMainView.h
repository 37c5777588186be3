#pragma once

#include "platform/ui/InterfaceFileOwner.h"
#include "platform/ui/View.h"

#include <memory>
#include <string>

class BrowserViewController;

// The browser screen's root view. A tap on the strip under the status bar asks the screen to
// scroll its page to the top and reaches no view; every other touch is delivered as usual.
// Its outlets are set by the browser screen's interface file.
class UIMainView : public ui::View, public ui::InterfaceFileOwner {
public:
    // The class name interface files use.
    static constexpr const char* interfaceClassName = "UIMainView";

    explicit UIMainView(const ui::Rect& frame = ui::Rect());
    static std::shared_ptr<UIMainView> create(const ui::Rect& frame = ui::Rect()) {
        return std::make_shared<UIMainView>(frame);
    }
    std::string className() const override { return interfaceClassName; }

    // Makes the class known to interface files (once per process; later calls do nothing).
    static void registerInterfaceClass();

    // The strip under the system status bar.
    const std::shared_ptr<ui::View>& statusBarView() const { return statusBarView_; }
    void setStatusBarView(std::shared_ptr<ui::View> view) { statusBarView_ = std::move(view); }
    // The screen that gets the scroll-to-top request. Held weakly: the screen owns this view.
    std::shared_ptr<BrowserViewController> controller() const { return controller_.lock(); }
    void setController(const std::shared_ptr<BrowserViewController>& controller) {
        controller_ = controller;
    }

    // Called once by the screen when its view has loaded; the strip keeps the size the
    // interface file gives it.
    void sizeStatusBar() {}

    std::shared_ptr<ui::View> hitTest(ui::Point point, const ui::Event* event) override;

    bool setOutlet(const std::string& name, const ui::InterfaceObject& object) override;

private:
    std::shared_ptr<ui::View> statusBarView_;
    std::weak_ptr<BrowserViewController> controller_;
};
