#include "platform/ui/NavigationBar.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Touch.h"

#include <algorithm>

namespace ui {

void NavigationBar::setItems(std::vector<std::shared_ptr<NavigationItem>> items, bool) {
    items_ = std::move(items);
    layoutItems();
    setNeedsDisplay();
}

void NavigationBar::boundsSizeDidChange(Size oldSize) {
    View::boundsSizeDidChange(oldSize);
    layoutItems();
}

void NavigationBar::layoutItems() {
    const auto self = weak_from_this().lock();
    std::vector<std::shared_ptr<BarButtonItem>> shown;
    const Rect b = bounds();
    if (const auto top = topItem(); top && self) {
        double x = b.minX() + edgeMargin;
        for (const auto& item : top->leftBarButtonItems()) {
            const double width = item->naturalWidth();
            item->setLayout(self, Rect(x, b.minY(), width, b.height()));
            shown.push_back(item);
            x += width + itemSpacing;
        }
        x = b.maxX() - edgeMargin;
        for (const auto& item : top->rightBarButtonItems()) {
            const double width = item->naturalWidth();
            x -= width;
            item->setLayout(self, Rect(x, b.minY(), width, b.height()));
            shown.push_back(item);
            x -= itemSpacing;
        }
    }
    for (const auto& old : laidOut_)
        if (std::find(shown.begin(), shown.end(), old) == shown.end())
            old->clearLayout(this);
    laidOut_ = std::move(shown);
    setNeedsDisplay();
}

std::shared_ptr<BarButtonItem> NavigationBar::itemAtPoint(Point point) const {
    for (const auto& item : laidOut_)
        if (item->barView().get() == this && !item->isSpace() &&
            item->frameInBar().containsPoint(point))
            return item;
    return nullptr;
}

bool NavigationBar::showsBackButton() const {
    const auto top = topItem();
    return backButtonItem() && top->leftBarButtonItems().empty();
}

Rect NavigationBar::backButtonFrame() const {
    const Rect b = bounds();
    return Rect(b.minX() + edgeMargin, b.minY(), std::max(0.0, b.width() * 0.2 - edgeMargin),
                b.height());
}

void NavigationBar::touchesEnded(const TouchSet& touches, const Event*) {
    if (touches.empty())
        return;
    const Point point = touches.front()->locationInView(this);
    if (const auto item = itemAtPoint(point))
        item->sendAction();
    else if (showsBackButton() && backButtonFrame().containsPoint(point) && backAction_)
        backAction_();
}

} // namespace ui
