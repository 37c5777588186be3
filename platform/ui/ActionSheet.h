#pragma once

#include "platform/ui/ButtonPanel.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class ActionSheet;
class BarButtonItem;

// What an action sheet tells its delegate; every method has a default that does nothing.
class ActionSheetDelegate {
public:
    virtual ~ActionSheetDelegate() = default;
    virtual void actionSheetClickedButtonAtIndex(ActionSheet& actionSheet,
                                                 std::int64_t buttonIndex) {
        (void)actionSheet;
        (void)buttonIndex;
    }
    // Whether actionSheetCancel handles a cancel by the system; when not, the cancel counts
    // as a tap on the cancel button.
    virtual bool respondsToActionSheetCancel() const { return false; }
    virtual void actionSheetCancel(ActionSheet& actionSheet) { (void)actionSheet; }
    virtual void willPresentActionSheet(ActionSheet& actionSheet) { (void)actionSheet; }
    virtual void didPresentActionSheet(ActionSheet& actionSheet) { (void)actionSheet; }
    virtual void actionSheetWillDismissWithButtonIndex(ActionSheet& actionSheet,
                                                       std::int64_t buttonIndex) {
        (void)actionSheet;
        (void)buttonIndex;
    }
    virtual void actionSheetDidDismissWithButtonIndex(ActionSheet& actionSheet,
                                                      std::int64_t buttonIndex) {
        (void)actionSheet;
        (void)buttonIndex;
    }
};

// A sheet of choices. Buttons have indices in the order they were added: those given at
// creation come as destructive first, then the others, then cancel; addButtonWithTitle
// appends. The cancel and destructive indices can be set afterwards (-1 means none). The
// delegate is held weakly.
class ActionSheet : public ButtonPanel {
public:
    ActionSheet(std::string title, std::weak_ptr<ActionSheetDelegate> delegate,
                std::optional<std::string> cancelButtonTitle,
                std::optional<std::string> destructiveButtonTitle,
                std::vector<std::string> otherButtonTitles);
    static std::shared_ptr<ActionSheet>
    create(std::string title = {}, std::weak_ptr<ActionSheetDelegate> delegate = {},
           std::optional<std::string> cancelButtonTitle = {},
           std::optional<std::string> destructiveButtonTitle = {},
           std::vector<std::string> otherButtonTitles = {});
    std::string className() const override { return "ActionSheet"; }

    std::shared_ptr<ActionSheetDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ActionSheetDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::int64_t destructiveButtonIndex() const { return destructiveButtonIndex_; }
    void setDestructiveButtonIndex(std::int64_t index) { destructiveButtonIndex_ = index; }
    // The first button that is neither the cancel nor the destructive one, or -1.
    std::int64_t firstOtherButtonIndex() const;

    // Shows the sheet over a view (a phone's way), from a bar button item or from a
    // rectangle of a view (a pad's popover). What it was shown from is kept for the drawer.
    void showInView(const std::shared_ptr<View>& view);
    void showFromBarButtonItem(const std::shared_ptr<BarButtonItem>& item, bool animated);
    void showFromRect(const Rect& rect, const std::shared_ptr<View>& view, bool animated);
    std::shared_ptr<View> shownInView() const { return shownInView_.lock(); }
    std::shared_ptr<BarButtonItem> shownFromBarButtonItem() const { return shownFromItem_.lock(); }
    const std::optional<Rect>& shownFromRect() const { return shownFromRect_; }

    void layoutSubviews() override;

protected:
    void notifyClicked(std::int64_t index) override;
    void notifyWillPresent() override;
    void notifyDidPresent() override;
    void notifyWillDismiss(std::int64_t index) override;
    void notifyDidDismiss(std::int64_t index) override;
    bool notifyCancel() override;
    void registerShown() override;

private:
    void buildContent();
    void forgetAnchor();

    std::weak_ptr<ActionSheetDelegate> delegate_;
    std::int64_t destructiveButtonIndex_ = -1;
    std::weak_ptr<View> shownInView_;
    std::weak_ptr<BarButtonItem> shownFromItem_;
    std::optional<Rect> shownFromRect_;
};

} // namespace ui
