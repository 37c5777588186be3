#pragma once

#include "platform/ui/InterfaceFileOwner.h"
#include "platform/ui/View.h"

#include <memory>
#include <string>

// The browser screen's root view. A tap on the strip under the status bar asks for the page to
// be scrolled to the top and reaches no view; every other touch is delivered as usual. Its
// outlets are set by the browser screen's interface file: "controller" is the owner whose
// "scrollToTop" action a tap on the strip sends.
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
    // What a tap on the strip does, sent with this view; none does nothing. The action that the
    // "controller" outlet binds holds its owner weakly (the screen owns this view).
    const Action& scrollToTop() const { return scrollToTop_; }
    void setScrollToTop(Action action) { scrollToTop_ = std::move(action); }

    // Called once by the screen when its view has loaded; the strip keeps the size the
    // interface file gives it.
    void sizeStatusBar() {}

    std::shared_ptr<ui::View> hitTest(ui::Point point, const ui::Event* event) override;

    bool setOutlet(const std::string& name, const ui::InterfaceObject& object) override;

private:
    std::shared_ptr<ui::View> statusBarView_;
    Action scrollToTop_;
};
