#pragma once

#include "platform/ui/NavigationItem.h"
#include "platform/ui/View.h"

#include <memory>
#include <vector>

namespace ui {

// The bar at the top of a navigation controller: shows the top item's title and bar button
// items, and a back button for the item below it unless the top item hides it.
class NavigationBar : public View {
public:
    static constexpr double defaultHeight = 44;

    explicit NavigationBar(const Rect& frame = Rect())
        : View(frame) {}
    static std::shared_ptr<NavigationBar> create(const Rect& frame = Rect()) {
        return std::make_shared<NavigationBar>(frame);
    }
    std::string className() const override { return "NavigationBar"; }

    const std::vector<std::shared_ptr<NavigationItem>>& items() const { return items_; }
    void setItems(std::vector<std::shared_ptr<NavigationItem>> items, bool animated = false) {
        (void)animated;
        items_ = std::move(items);
        setNeedsDisplay();
    }
    std::shared_ptr<NavigationItem> topItem() const {
        return items_.empty() ? nullptr : items_.back();
    }
    // The item below the top one, whose title the back button shows.
    std::shared_ptr<NavigationItem> backItem() const {
        return items_.size() < 2 ? nullptr : items_[items_.size() - 2];
    }
    // The item whose title the back button shows: the back item, unless the top item
    // hides the back button. Null when no back button shows.
    std::shared_ptr<NavigationItem> backButtonItem() const {
        const auto top = topItem();
        return top && !top->hidesBackButton() ? backItem() : nullptr;
    }

private:
    std::vector<std::shared_ptr<NavigationItem>> items_;
};

} // namespace ui
