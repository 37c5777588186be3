#pragma once

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/View.h"

#include <memory>
#include <vector>

namespace ui {

// The platform's bar styles.
enum class BarStyle { Default = 0, Black = 1 };

// A bar of BarButtonItems laid out left to right: a margin at each end and a gap between
// items; flexible spaces share the width left over, fixed spaces take their width, custom
// views are added as subviews at their item's place. A tap on an item sends its action.
class Toolbar : public View {
public:
    static constexpr double edgeMargin = 12;
    static constexpr double itemSpacing = 10;

    explicit Toolbar(const Rect& frame = Rect());
    static std::shared_ptr<Toolbar> create(const Rect& frame = Rect()) {
        return std::make_shared<Toolbar>(frame);
    }
    std::string className() const override { return "Toolbar"; }

    const std::vector<std::shared_ptr<BarButtonItem>>& items() const { return items_; }
    // Lays the items out at once.
    void setItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool animated = false);
    BarStyle barStyle() const { return barStyle_; }
    void setBarStyle(BarStyle style) { barStyle_ = style; }
    bool isTranslucent() const { return translucent_; }
    void setTranslucent(bool on) { translucent_ = on; }
    const std::optional<Color>& barTintColor() const { return barTintColor_; }
    void setBarTintColor(std::optional<Color> color) { barTintColor_ = color; }

    // The item whose frame holds the point (toolbar coordinates), spaces excluded.
    std::shared_ptr<BarButtonItem> itemAtPoint(Point point) const;

    void layoutSubviews() override;
    void touchesEnded(const TouchSet& touches, const Event* event) override;
    Size sizeThatFits(Size size) const override;

protected:
    void boundsSizeDidChange(Size oldSize) override;

private:
    void layoutItems();

    std::vector<std::shared_ptr<BarButtonItem>> items_;
    BarStyle barStyle_ = BarStyle::Default;
    bool translucent_ = true;
    std::optional<Color> barTintColor_;
};

} // namespace ui
