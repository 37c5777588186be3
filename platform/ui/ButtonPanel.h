#pragma once

#include "platform/base/Timer.h"
#include "platform/ui/View.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class Button;
class Label;

// What alerts and action sheets share: a title, a list of titled buttons known by index, a cancel
// button index, and the life of a panel on screen: shown, a button tapped by the user or a
// dismissal from code, gone. The panel registers with Presentation while it is shown.
//
// A user's tap on a button reports clicked, then will-dismiss, then (after the dismissal
// animation) did-dismiss; a dismissal from code reports will-dismiss and did-dismiss only. A
// panel dismissed while the one dismissal under way has not ended ignores the second.
class ButtonPanel : public View {
public:
    static constexpr double animationDuration = 0.3;

    explicit ButtonPanel(std::string title);
    ~ButtonPanel() override;

    const std::string& title() const { return title_; }
    void setTitle(std::string title);

    std::int64_t numberOfButtons() const { return std::int64_t(buttonTitles_.size()); }
    // Appends a button; returns its index.
    std::int64_t addButtonWithTitle(std::string title);
    // Throws std::out_of_range for an index that names no button.
    const std::string& buttonTitleAtIndex(std::int64_t index) const;
    // -1 when there is none.
    std::int64_t cancelButtonIndex() const { return cancelButtonIndex_; }
    void setCancelButtonIndex(std::int64_t index) { cancelButtonIndex_ = index; }

    // From show() until the dismissal has ended.
    bool isVisible() const { return visible_; }

    // A user's tap on a button. False (and nothing happens) when the panel is not shown, is
    // already going away or the index names no button.
    bool tapButton(std::int64_t index);
    // Dismisses from code with `index` reported as the button, without a click.
    void dismissWithClickedButtonIndex(std::int64_t index, bool animated);
    // The system cancels the panel (the application leaves the foreground): the delegate's
    // cancel when it has one, else a tap on the cancel button (or a dismissal reporting the
    // cancel index when there is no such button).
    void cancel();

protected:
    // Puts the panel on screen: registers it, will-present now, did-present after the
    // animation. Nothing when it is already shown.
    void present();
    // The label that shows the title; the subclass styles it, adds it and places it.
    const std::shared_ptr<Label>& titleLabel() const { return titleLabel_; }
    // Sets the frame unless the panel is there already, as setting it marks it for layout again.
    void setFrameIfMoved(const Rect& frame);
    // The buttons as views, for layout and the drawer; rebuilt when buttons are added.
    const std::vector<std::shared_ptr<Button>>& buttonViews() const { return buttonViews_; }
    void rebuildButtonViews();

    // Delegate calls, made by the subclass.
    virtual void notifyClicked(std::int64_t index) = 0;
    virtual void notifyWillPresent() = 0;
    virtual void notifyDidPresent() = 0;
    virtual void notifyWillDismiss(std::int64_t index) = 0;
    virtual void notifyDidDismiss(std::int64_t index) = 0;
    // Whether the delegate handles cancel itself, and the call.
    virtual bool notifyCancel() = 0;
    // Registers with Presentation (the subclass knows its own type).
    virtual void registerShown() = 0;

private:
    void dismiss(std::int64_t index, bool animated);
    void finishPresenting();

    std::string title_;
    std::shared_ptr<Label> titleLabel_;
    std::vector<std::string> buttonTitles_;
    std::vector<std::shared_ptr<Button>> buttonViews_;
    std::int64_t cancelButtonIndex_ = -1;
    bool visible_ = false;
    bool dismissing_ = false;
    std::shared_ptr<base::Timer> presentTimer_;
};

} // namespace ui
