#include "platform/ui/Toolbar.h"

#include <algorithm>

namespace ui {

Toolbar::Toolbar(const Rect& frame)
    : View(frame) {}

void Toolbar::setItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool) {
    for (const auto& old : items_) {
        if (std::find(items.begin(), items.end(), old) != items.end())
            continue;
        old->clearLayout(this);
        if (old->customView() && old->customView()->superviewPointer() == this)
            old->customView()->removeFromSuperview();
    }
    items_ = std::move(items);
    layoutItems();
}

void Toolbar::layoutSubviews() {
    layoutItems();
}

void Toolbar::boundsSizeDidChange(Size oldSize) {
    View::boundsSizeDidChange(oldSize);
    layoutItems();
}

void Toolbar::layoutItems() {
    const Rect b = bounds();
    const double available = std::max(0.0, b.width() - 2 * edgeMargin);
    double fixed = 0;
    int flexible = 0;
    for (const auto& item : items_) {
        if (item->systemItem() == BarButtonSystemItem::FlexibleSpace)
            ++flexible;
        else
            fixed += item->naturalWidth();
    }
    const double gaps = items_.empty() ? 0 : double(items_.size() - 1) * itemSpacing;
    const double leftover = std::max(0.0, available - gaps - fixed);
    const auto self = weak_from_this().lock();
    double x = b.minX() + edgeMargin;
    for (const auto& item : items_) {
        const double width = item->systemItem() == BarButtonSystemItem::FlexibleSpace
                                 ? leftover / flexible
                                 : item->naturalWidth();
        const Rect frame(x, b.minY(), width, b.height());
        item->setLayout(self, frame);
        if (const auto& custom = item->customView()) {
            const double height = std::min(custom->frame().height(), b.height());
            custom->setFrame(Rect(x, b.minY() + (b.height() - height) / 2, width, height));
            if (custom->superviewPointer() != this)
                addSubview(custom);
        }
        x += width + itemSpacing;
    }
}

std::shared_ptr<BarButtonItem> Toolbar::itemAtPoint(Point point) const {
    for (const auto& item : items_) {
        if (item->isSpace() || item->barView().get() != this)
            continue;
        if (item->frameInBar().containsPoint(point))
            return item;
    }
    return nullptr;
}

void Toolbar::touchesEnded(const TouchSet& touches, const Event*) {
    if (touches.empty())
        return;
    const auto item = itemAtPoint(touches.front()->locationInView(this));
    if (item && !item->customView())
        item->sendAction();
}

Size Toolbar::sizeThatFits(Size size) const {
    return Size(size.width, 44);
}

} // namespace ui
