#include "platform/ui/NavigationItem.h"

namespace ui {

std::shared_ptr<BarButtonItem> NavigationItem::leftBarButtonItem() const {
    return left_.empty() ? nullptr : left_.front();
}

void NavigationItem::setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item, bool animated) {
    std::vector<std::shared_ptr<BarButtonItem>> items;
    if (item)
        items.push_back(std::move(item));
    setLeftBarButtonItems(std::move(items), animated);
}

void NavigationItem::setLeftBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items,
                                           bool animated) {
    (void)animated;
    left_ = std::move(items);
}

std::shared_ptr<BarButtonItem> NavigationItem::rightBarButtonItem() const {
    return right_.empty() ? nullptr : right_.front();
}

void NavigationItem::setRightBarButtonItem(std::shared_ptr<BarButtonItem> item, bool animated) {
    std::vector<std::shared_ptr<BarButtonItem>> items;
    if (item)
        items.push_back(std::move(item));
    setRightBarButtonItems(std::move(items), animated);
}

void NavigationItem::setRightBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items,
                                            bool animated) {
    (void)animated;
    right_ = std::move(items);
}

} // namespace ui
