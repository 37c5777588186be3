#pragma once

#include "platform/ui/View.h"

#include <memory>
#include <optional>

namespace ui {

// The platform's progress view styles.
enum class ProgressViewStyle { Default = 0, Bar = 1 };

// A bar showing progress from 0 to 1. The value is clamped into that range and kept while
// the view is hidden, so a bar shown again resumes where it was.
class ProgressView : public View {
public:
    explicit ProgressView(const Rect& frame = Rect());
    explicit ProgressView(ProgressViewStyle style);
    static std::shared_ptr<ProgressView> create(const Rect& frame = Rect()) {
        return std::make_shared<ProgressView>(frame);
    }
    std::string className() const override { return "ProgressView"; }

    double progress() const { return progress_; }
    void setProgress(double progress, bool animated = false);
    ProgressViewStyle progressViewStyle() const { return style_; }
    void setProgressViewStyle(ProgressViewStyle style) { style_ = style; }
    const std::optional<Color>& progressTintColor() const { return progressTint_; }
    void setProgressTintColor(std::optional<Color> color) { progressTint_ = color; }
    const std::optional<Color>& trackTintColor() const { return trackTint_; }
    void setTrackTintColor(std::optional<Color> color) { trackTint_ = color; }

    // The bar is 2 points high, as the platform's.
    Size sizeThatFits(Size size) const override;

private:
    double progress_ = 0;
    ProgressViewStyle style_ = ProgressViewStyle::Default;
    std::optional<Color> progressTint_;
    std::optional<Color> trackTint_;
};

} // namespace ui
