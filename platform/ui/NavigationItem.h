#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class BarButtonItem;
class View;

// What a controller shows in a navigation bar while it is on top: a title (or a view in its
// place), bar button items on either side and whether the back button shows.
class NavigationItem {
public:
    explicit NavigationItem(std::string title = {})
        : title_(std::move(title)) {}

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    const std::shared_ptr<View>& titleView() const { return titleView_; }
    void setTitleView(std::shared_ptr<View> view) { titleView_ = std::move(view); }

    // The first left item, or null.
    std::shared_ptr<BarButtonItem> leftBarButtonItem() const;
    void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item, bool animated = false);
    const std::vector<std::shared_ptr<BarButtonItem>>& leftBarButtonItems() const { return left_; }
    void setLeftBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items,
                               bool animated = false);
    // The first right item, or null.
    std::shared_ptr<BarButtonItem> rightBarButtonItem() const;
    void setRightBarButtonItem(std::shared_ptr<BarButtonItem> item, bool animated = false);
    const std::vector<std::shared_ptr<BarButtonItem>>& rightBarButtonItems() const {
        return right_;
    }
    void setRightBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items,
                                bool animated = false);
    // The item the next controller's back button shows; null means the title.
    const std::shared_ptr<BarButtonItem>& backBarButtonItem() const { return back_; }
    void setBackBarButtonItem(std::shared_ptr<BarButtonItem> item) { back_ = std::move(item); }

    bool hidesBackButton() const { return hidesBackButton_; }
    void setHidesBackButton(bool hides, bool animated = false) {
        (void)animated;
        hidesBackButton_ = hides;
    }

private:
    std::string title_;
    std::shared_ptr<View> titleView_;
    std::vector<std::shared_ptr<BarButtonItem>> left_;
    std::vector<std::shared_ptr<BarButtonItem>> right_;
    std::shared_ptr<BarButtonItem> back_;
    bool hidesBackButton_ = false;
};

} // namespace ui
