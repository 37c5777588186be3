#pragma once

#include "platform/ui/ButtonPanel.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class AlertView;
class ImageView;
class Label;
class TextField;

// The platform's alert styles, with their values.
enum class AlertViewStyle {
    Default = 0,
    SecureTextInput = 1,
    PlainTextInput = 2,
    LoginAndPasswordInput = 3,
};

// What an alert tells its delegate; every method has a default that does nothing.
class AlertViewDelegate {
public:
    virtual ~AlertViewDelegate() = default;
    virtual void alertViewClickedButtonAtIndex(AlertView& alertView, std::int64_t buttonIndex) {
        (void)alertView;
        (void)buttonIndex;
    }
    // Whether alertViewCancel handles a cancel by the system; when not, the cancel counts as
    // a tap on the cancel button.
    virtual bool respondsToAlertViewCancel() const { return false; }
    virtual void alertViewCancel(AlertView& alertView) { (void)alertView; }
    virtual void willPresentAlertView(AlertView& alertView) { (void)alertView; }
    virtual void didPresentAlertView(AlertView& alertView) { (void)alertView; }
    virtual void alertViewWillDismissWithButtonIndex(AlertView& alertView,
                                                     std::int64_t buttonIndex) {
        (void)alertView;
        (void)buttonIndex;
    }
    virtual void alertViewDidDismissWithButtonIndex(AlertView& alertView,
                                                    std::int64_t buttonIndex) {
        (void)alertView;
        (void)buttonIndex;
    }
};

// A modal alert: title, message, buttons and, in the input styles, text fields. The cancel
// button, when there is one, has index 0 and the other buttons follow from 1 in order;
// without a cancel button they start at 0; addButtonWithTitle appends. The delegate is held
// weakly and may be absent. Its subviews are a background image view, a label for the title,
// one for the message, the buttons and the text fields.
class AlertView : public ButtonPanel {
public:
    AlertView(std::string title, std::string message, std::weak_ptr<AlertViewDelegate> delegate,
              std::optional<std::string> cancelButtonTitle,
              std::vector<std::string> otherButtonTitles);
    static std::shared_ptr<AlertView> create(std::string title, std::string message,
                                             std::weak_ptr<AlertViewDelegate> delegate = {},
                                             std::optional<std::string> cancelButtonTitle = {},
                                             std::vector<std::string> otherButtonTitles = {});
    std::string className() const override { return "AlertView"; }

    const std::string& message() const { return message_; }
    void setMessage(std::string message);
    std::shared_ptr<AlertViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<AlertViewDelegate> delegate) { delegate_ = std::move(delegate); }

    // The first button after the cancel button, or -1.
    std::int64_t firstOtherButtonIndex() const;

    AlertViewStyle alertViewStyle() const { return style_; }
    void setAlertViewStyle(AlertViewStyle style);
    // The text fields of the input styles: index 0 (and 1 for the login style). Throws
    // std::out_of_range for any other index, as the platform raised.
    std::shared_ptr<TextField> textFieldAtIndex(std::int64_t index) const;

    // Shows the alert (will-present now, did-present after the animation).
    void show();

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

    std::string message_;
    std::weak_ptr<AlertViewDelegate> delegate_;
    AlertViewStyle style_ = AlertViewStyle::Default;
    std::shared_ptr<ImageView> background_;
    std::shared_ptr<Label> messageLabel_;
    std::vector<std::shared_ptr<TextField>> textFields_;
};

} // namespace ui
