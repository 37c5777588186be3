#include "platform/ui/BarButtonItem.h"

#include "platform/ui/Label.h"
#include "platform/ui/View.h"

namespace ui {

namespace {

// Items of the system that show a word rather than an icon.
const char* systemItemTitle(BarButtonSystemItem item) {
    switch (item) {
    case BarButtonSystemItem::Done:
        return "Done";
    case BarButtonSystemItem::Cancel:
        return "Cancel";
    case BarButtonSystemItem::Edit:
        return "Edit";
    case BarButtonSystemItem::Save:
        return "Save";
    case BarButtonSystemItem::Undo:
        return "Undo";
    case BarButtonSystemItem::Redo:
        return "Redo";
    default:
        return nullptr;
    }
}

constexpr double iconWidth = 28;

} // namespace

std::shared_ptr<BarButtonItem> BarButtonItem::createWithTitle(std::string title,
                                                              BarButtonItemStyle style) {
    auto item = std::make_shared<BarButtonItem>();
    item->title_ = std::move(title);
    item->style_ = style;
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::createWithImage(std::shared_ptr<Image> image,
                                                              BarButtonItemStyle style) {
    auto item = std::make_shared<BarButtonItem>();
    item->image_ = std::move(image);
    item->style_ = style;
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::createWithSystemItem(BarButtonSystemItem system) {
    auto item = std::make_shared<BarButtonItem>();
    item->systemItem_ = system;
    if (const char* title = systemItemTitle(system))
        item->title_ = title;
    if (system == BarButtonSystemItem::Done)
        item->style_ = BarButtonItemStyle::Done;
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::createWithCustomView(std::shared_ptr<View> view) {
    auto item = std::make_shared<BarButtonItem>();
    item->customView_ = std::move(view);
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::fixedSpace(double width) {
    auto item = createWithSystemItem(BarButtonSystemItem::FixedSpace);
    item->width_ = width;
    return item;
}

bool BarButtonItem::isSpace() const {
    return systemItem_ == BarButtonSystemItem::FlexibleSpace ||
           systemItem_ == BarButtonSystemItem::FixedSpace;
}

void BarButtonItem::setAction(const void* target, std::string actionName, Action action) {
    target_ = target;
    actionName_ = std::move(actionName);
    action_ = std::move(action);
}

bool BarButtonItem::sendAction() {
    if (!enabled_ || !action_ || isSpace())
        return false;
    const auto keep = weak_from_this().lock();
    const Action action = action_; // the action may replace itself
    action(*this);
    return true;
}

Font BarButtonItem::titleFont() const {
    return style_ == BarButtonItemStyle::Done ? Font::boldSystemFont(17) : Font::systemFont(17);
}

double BarButtonItem::naturalWidth() const {
    if (width_ > 0)
        return width_;
    if (systemItem_ == BarButtonSystemItem::FlexibleSpace ||
        systemItem_ == BarButtonSystemItem::FixedSpace)
        return 0;
    if (customView_)
        return customView_->frame().width();
    if (image_)
        return std::max(iconWidth, image_->size().width);
    if (!title_.empty())
        return Label::measure(title_, titleFont()).width;
    return iconWidth;
}

void BarButtonItem::setLayout(const std::shared_ptr<View>& bar, const Rect& frame) {
    bar_ = bar;
    frameInBar_ = frame;
}

void BarButtonItem::clearLayout(const View* bar) {
    if (bar_.lock().get() == bar) {
        bar_.reset();
        frameInBar_ = Rect();
    }
}

} // namespace ui
