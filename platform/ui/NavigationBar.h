#pragma once

#include "platform/ui/Font.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/View.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

// The bar at the top of a navigation controller: shows the top item's title and bar button
// items, and a back button for the item below it unless the top item hides it. The top item's
// left items are laid out from the left edge and its right items from the right edge (each
// item knows its frame in the bar); a tap on one sends its action, a tap on the back button its
// back action.
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
    void setItems(std::vector<std::shared_ptr<NavigationItem>> items, bool animated = false);
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

    // Lays out the top item's bar button items; items that are no longer shown forget the bar.
    // The navigation controller calls it after its controllers have set their items.
    void layoutItems();
    // The left or right item whose frame holds the point (bar coordinates), or null.
    std::shared_ptr<BarButtonItem> itemAtPoint(Point point) const;

    // Whether the back button shows: there is a back button item and the top item has no left
    // items in its place. Its frame is at the left edge (bar coordinates).
    bool showsBackButton() const;
    // As wide as its text, up to two fifths of the bar.
    Rect backButtonFrame() const;
    // What the back button shows: a back mark and the back item's title; when that leaves the
    // top item's title too little room, the mark and "Back", or the mark alone.
    std::string backButtonText() const;
    // Where the top item's title stands (bar coordinates): as wide as its text, centred on the
    // bar when that leaves it clear of what stands left of it (the back button or the left
    // items) and of the right items, otherwise moved into the room between them, and cut to
    // that room when it is wider.
    Rect titleFrame() const;
    static Font titleFont() { return Font::boldSystemFont(17); }
    static Font backButtonFont() { return Font::systemFont(17); }
    // What a tap on the back button does (the navigation controller pops its top controller).
    void setBackAction(std::function<void()> action) { backAction_ = std::move(action); }

    static constexpr double edgeMargin = 8;
    static constexpr double itemSpacing = 8;

    void layoutSubviews() override { layoutItems(); }
    void boundsSizeDidChange(Size oldSize) override;
    void touchesEnded(const TouchSet& touches, const Event* event) override;

private:
    // Where the title's room ends on the right: before the right items.
    double titleRoomRight() const;

    std::vector<std::shared_ptr<NavigationItem>> items_;
    std::vector<std::shared_ptr<BarButtonItem>> laidOut_;
    std::function<void()> backAction_;
};

} // namespace ui
