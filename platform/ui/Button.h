#pragma once

#include "platform/ui/Control.h"
#include "platform/ui/Font.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace ui {

// The platform's button types, with their values.
enum class ButtonType {
    Custom = 0,
    System = 1,
    DetailDisclosure = 2,
    InfoLight = 3,
    InfoDark = 4,
    ContactAdd = 5,
    RoundedRect = System,
};

// A push button with a title, image and background image per control state. A state without
// its own value shows the normal state's, as the platform does.
class Button : public Control {
public:
    explicit Button(ButtonType type = ButtonType::Custom, const Rect& frame = Rect());
    static std::shared_ptr<Button> create(ButtonType type = ButtonType::Custom,
                                          const Rect& frame = Rect()) {
        return std::make_shared<Button>(type, frame);
    }
    std::string className() const override { return "Button"; }

    ButtonType buttonType() const { return type_; }

    // Per-state values; setting std::nullopt / null clears the state's own value.
    void setTitle(std::optional<std::string> title, ControlState state);
    std::optional<std::string> titleForState(ControlState state) const;
    void setTitleColor(std::optional<Color> color, ControlState state);
    std::optional<Color> titleColorForState(ControlState state) const;
    void setTitleShadowColor(std::optional<Color> color, ControlState state);
    std::optional<Color> titleShadowColorForState(ControlState state) const;
    void setImage(std::shared_ptr<Image> image, ControlState state);
    std::shared_ptr<Image> imageForState(ControlState state) const;
    void setBackgroundImage(std::shared_ptr<Image> image, ControlState state);
    std::shared_ptr<Image> backgroundImageForState(ControlState state) const;

    // The values for the current state.
    std::optional<std::string> currentTitle() const { return titleForState(state()); }
    Color currentTitleColor() const;
    std::shared_ptr<Image> currentImage() const { return imageForState(state()); }
    std::shared_ptr<Image> currentBackgroundImage() const {
        return backgroundImageForState(state());
    }

    // The label that shows the current title; its font is the button's title font.
    const std::shared_ptr<Label>& titleLabel() const { return titleLabel_; }
    const std::shared_ptr<ImageView>& imageView() const { return imageView_; }

    const EdgeInsets& contentEdgeInsets() const { return contentEdgeInsets_; }
    void setContentEdgeInsets(EdgeInsets insets);
    const EdgeInsets& titleEdgeInsets() const { return titleEdgeInsets_; }
    void setTitleEdgeInsets(EdgeInsets insets);
    const EdgeInsets& imageEdgeInsets() const { return imageEdgeInsets_; }
    void setImageEdgeInsets(EdgeInsets insets);
    bool adjustsImageWhenHighlighted() const { return adjustsImageWhenHighlighted_; }
    void setAdjustsImageWhenHighlighted(bool on) { adjustsImageWhenHighlighted_ = on; }
    bool showsTouchWhenHighlighted() const { return showsTouchWhenHighlighted_; }
    void setShowsTouchWhenHighlighted(bool on) { showsTouchWhenHighlighted_ = on; }

    Size sizeThatFits(Size size) const override;
    void layoutSubviews() override;

    // A tap from code (tests, the drawer's keyboard activation): touch-down then
    // touch-up-inside, each with no event; nothing when the button is disabled or hidden.
    // Returns whether the actions were sent.
    bool simulateTap();

protected:
    void stateDidChange() override;

private:
    template <class T>
    static const T* lookup(const std::map<ControlState, T>& values, ControlState state);
    void refreshContent();

    ButtonType type_;
    std::map<ControlState, std::string> titles_;
    std::map<ControlState, Color> titleColors_;
    std::map<ControlState, Color> titleShadowColors_;
    std::map<ControlState, std::shared_ptr<Image>> images_;
    std::map<ControlState, std::shared_ptr<Image>> backgroundImages_;
    std::shared_ptr<Label> titleLabel_;
    std::shared_ptr<ImageView> imageView_;
    EdgeInsets contentEdgeInsets_;
    EdgeInsets titleEdgeInsets_;
    EdgeInsets imageEdgeInsets_;
    bool adjustsImageWhenHighlighted_ = true;
    bool showsTouchWhenHighlighted_ = false;
};

} // namespace ui
