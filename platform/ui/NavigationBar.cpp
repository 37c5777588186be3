#include "platform/ui/NavigationBar.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
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

double NavigationBar::titleRoomRight() const {
    double right = bounds().maxX() - edgeMargin;
    if (const auto top = topItem())
        for (const auto& item : top->rightBarButtonItems())
            if (item->barView().get() == this)
                right = std::min(right, item->frameInBar().minX() - itemSpacing);
    return right;
}

std::string NavigationBar::backButtonText() const {
    const auto back = backButtonItem();
    const auto top = topItem();
    const std::string mark = "\u2039";
    std::vector<std::string> texts;
    if (back && !back->title().empty())
        texts.push_back(mark + " " + back->title());
    texts.push_back(mark + " Back");
    // The first that leaves the title its whole width.
    const double title = top ? Label::measure(top->title(), titleFont()).width : 0;
    const double room = titleRoomRight() - bounds().minX() - edgeMargin - itemSpacing;
    for (const auto& text : texts)
        if (Label::measure(text, backButtonFont()).width + title <= room)
            return text;
    return mark;
}

Rect NavigationBar::backButtonFrame() const {
    const Rect b = bounds();
    const double width = std::min(Label::measure(backButtonText(), backButtonFont()).width,
                                  std::max(0.0, b.width() * 0.4 - edgeMargin));
    return Rect(b.minX() + edgeMargin, b.minY(), width, b.height());
}

Rect NavigationBar::titleFrame() const {
    const Rect b = bounds();
    const auto top = topItem();
    if (!top)
        return Rect(b.midX(), b.minY(), 0, b.height());
    double left = b.minX() + edgeMargin;
    if (showsBackButton())
        left = backButtonFrame().maxX() + itemSpacing;
    for (const auto& item : top->leftBarButtonItems())
        if (item->barView().get() == this)
            left = std::max(left, item->frameInBar().maxX() + itemSpacing);
    const double right = titleRoomRight();
    const double room = std::max(0.0, right - left);
    const double width = std::min(Label::measure(top->title(), titleFont()).width, room);
    const double x = std::clamp(b.midX() - width / 2, left, std::max(left, right - width));
    return Rect(x, b.minY(), width, b.height());
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
