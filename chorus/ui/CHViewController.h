#pragma once

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/SheetBar.h"
#include "platform/ui/ViewController.h"

#include <functional>
#include <memory>
#include <string>

// A screen of the client's controls with a bar of its own: Cancel on the left, the title in
// the middle, Done on the right, and the content below (canvasView()).
//
// Presented with presentModallyFromViewControllerAnimatedHandler, it dismisses itself when
// Done or Cancel is pressed (animated as it was presented) and then calls the handler once:
// true for Done, false for Cancel. Main thread only.
class CHViewController : public ui::ViewController {
public:
    using Handler = std::function<void(CHViewController& sender, bool donePressed)>;

    CHViewController();
    std::string className() const override { return "CHViewController"; }

    // Presents this screen modally from `viewController`. When it cannot be shown there (no
    // controller, or one busy presenting another) nothing is shown and the handler hears
    // Cancel on the next turn of the run loop, so that the caller is never left waiting.
    void presentModallyFromViewControllerAnimatedHandler(
        const std::shared_ptr<ui::ViewController>& viewController, bool animated, Handler handler);

    // Also the title shown in the bar.
    void setTitle(std::string title) override;

    // The bar and its buttons; made with the view.
    const std::shared_ptr<ui::SheetBar>& bar() const { return bar_; }
    const std::shared_ptr<ui::BarButtonItem>& cancelButton() const { return cancelButton_; }
    const std::shared_ptr<ui::BarButtonItem>& doneButton() const { return doneButton_; }
    // Where a subclass puts its content: the whole view below the bar.
    const std::shared_ptr<ui::View>& canvasView() const { return canvasView_; }

    void doneButtonPressed();
    void cancelButtonPressed();

    void loadView() override;

private:
    void finish(bool done);

    Handler handler_;
    bool presentedAnimated_ = false;
    bool finishing_ = false;
    std::shared_ptr<ui::SheetBar> bar_;
    std::shared_ptr<ui::BarButtonItem> cancelButton_;
    std::shared_ptr<ui::BarButtonItem> doneButton_;
    std::shared_ptr<ui::View> canvasView_;
};
