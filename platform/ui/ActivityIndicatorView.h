#pragma once

#include "platform/ui/View.h"

#include <memory>
#include <optional>

namespace ui {

// The platform's spinner styles.
enum class ActivityIndicatorViewStyle { WhiteLarge = 0, White = 1, Gray = 2 };

// A spinner. With hidesWhenStopped (the default) it is hidden while stopped and shown when
// started.
class ActivityIndicatorView : public View {
public:
    explicit ActivityIndicatorView(
        ActivityIndicatorViewStyle style = ActivityIndicatorViewStyle::White);
    static std::shared_ptr<ActivityIndicatorView>
    create(ActivityIndicatorViewStyle style = ActivityIndicatorViewStyle::White) {
        return std::make_shared<ActivityIndicatorView>(style);
    }
    std::string className() const override { return "ActivityIndicatorView"; }

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }
    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool on);
    ActivityIndicatorViewStyle style() const { return style_; }
    void setStyle(ActivityIndicatorViewStyle style) { style_ = style; }
    const std::optional<Color>& color() const { return color_; }
    void setColor(std::optional<Color> color) { color_ = color; }

    // 37 points square for the large style, 20 otherwise.
    Size sizeThatFits(Size size) const override;

private:
    ActivityIndicatorViewStyle style_;
    bool animating_ = false;
    bool hidesWhenStopped_ = true;
    std::optional<Color> color_;
};

} // namespace ui
