#include "platform/ui/SheetBar.h"

#include <algorithm>

namespace ui {

std::shared_ptr<SheetBar> SheetBar::create(const Rect& frame) {
    auto bar = std::make_shared<SheetBar>(Private{}, frame);
    bar->addSubview(bar->toolbar_);
    bar->addSubview(bar->titleLabel_);
    return bar;
}

SheetBar::SheetBar(Private, const Rect& frame)
    : View(frame)
    , toolbar_(Toolbar::create(Rect(Point(0, 0), frame.size)))
    , titleLabel_(Label::create(Rect(Point(0, 0), frame.size))) {
    toolbar_->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
    titleLabel_->setFont(Font::boldSystemFont(17));
    titleLabel_->setTextAlignment(TextAlignment::Center);
    titleLabel_->setUserInteractionEnabled(false);
}

void SheetBar::setItems(std::vector<std::shared_ptr<BarButtonItem>> left,
                        std::vector<std::shared_ptr<BarButtonItem>> right) {
    left.push_back(BarButtonItem::flexibleSpace());
    left.insert(left.end(), right.begin(), right.end());
    toolbar_->setItems(std::move(left));
    setNeedsLayout();
}

Rect SheetBar::frameOfItem(const BarButtonItem& item, const View* view) const {
    return toolbar_->convertRectToView(item.frameInBar(), view);
}

double SheetBar::textHeight(const Label& label, double width, double room) {
    const double measured = label.sizeThatFits(Size(width, room)).height;
    return std::min(room, measured * 1.5 + label.font().pointSize);
}

void SheetBar::layoutSubviews() {
    View::layoutSubviews();
    toolbar_->layoutIfNeeded();
    // The title stands between the items: centred on the bar when it fits there, otherwise
    // moved into the room they leave, and cut short when it is wider than that room.
    const Rect b = bounds();
    double left = b.minX();
    double right = b.maxX();
    for (const auto& item : toolbar_->items()) {
        if (item->isSpace())
            continue;
        const Rect frame = toolbar_->convertRectToView(item->frameInBar(), this);
        if (frame.midX() < b.midX())
            left = std::max(left, frame.maxX());
        else
            right = std::min(right, frame.minX());
    }
    left += titleSpacing;
    right -= titleSpacing;
    const double room = std::max(0.0, right - left);
    const double width =
        std::min(Label::measure(titleLabel_->text(), titleLabel_->font()).width, room);
    const double x = std::clamp(b.midX() - width / 2, left, std::max(left, right - width));
    titleLabel_->setFrame(Rect(x, b.minY(), width, b.height()));
}

} // namespace ui
