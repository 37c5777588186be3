#include "platform/ui/ShareSheet.h"

#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Screen.h"
#include "platform/ui/SheetBar.h"

#include <map>
#include <mutex>

namespace ui {

namespace {

struct Availability {
    std::mutex mutex;
    std::map<ShareServiceType, bool> available;
};

Availability& availability() {
    static Availability shared;
    return shared;
}

} // namespace

ShareSheet::ShareSheet(ShareServiceType serviceType)
    : serviceType_(serviceType) {
    setTitle(serviceType == ShareServiceType::Twitter ? "Twitter" : "Chorus");
}

bool ShareSheet::isAvailableForServiceType(ShareServiceType serviceType) {
    auto& shared = availability();
    std::lock_guard lock(shared.mutex);
    auto found = shared.available.find(serviceType);
    return found == shared.available.end() || found->second;
}

void ShareSheet::setAvailableForServiceType(ShareServiceType serviceType, bool available) {
    auto& shared = availability();
    std::lock_guard lock(shared.mutex);
    shared.available[serviceType] = available;
}

void ShareSheet::resetAvailability() {
    auto& shared = availability();
    std::lock_guard lock(shared.mutex);
    shared.available.clear();
}

bool ShareSheet::setInitialText(std::string text) {
    if (isFrozen())
        return false;
    text_ = std::move(text);
    return true;
}

bool ShareSheet::addURL(const base::URL& url) {
    if (isFrozen())
        return false;
    urls_.push_back(url);
    return true;
}

bool ShareSheet::addImage(std::shared_ptr<Image> image) {
    if (isFrozen() || !image)
        return false;
    images_.push_back(std::move(image));
    return true;
}

void ShareSheet::loadView() {
    const Rect bounds = Screen::mainScreen().bounds();
    const double width = bounds.width();
    auto root = View::create(bounds);
    root->setBackgroundColor(Color::whiteColor());
    std::weak_ptr<ViewController> weak = weak_from_this();
    cancelButton_ = BarButtonItem::createWithSystemItem(BarButtonSystemItem::Cancel);
    cancelButton_->setAction(this, "cancel", [weak](BarButtonItem&) {
        if (auto self = std::static_pointer_cast<ShareSheet>(weak.lock()))
            self->cancel();
    });
    postButton_ = BarButtonItem::createWithTitle("Post", BarButtonItemStyle::Done);
    postButton_->setAction(this, "post", [weak](BarButtonItem&) {
        if (auto self = std::static_pointer_cast<ShareSheet>(weak.lock()))
            self->post();
    });
    bar_ = SheetBar::create(Rect(0, Screen::statusBarHeight, width, SheetBar::height));
    bar_->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
    bar_->setTitle(title());
    bar_->setItems({cancelButton_}, {postButton_});
    root->addSubview(bar_);

    const double top = bar_->frame().maxY() + 12;
    double textWidth = width - 24;
    if (!images_.empty()) {
        // The first picture, small, beside the text.
        auto picture = ImageView::createWithImage(images_.front());
        picture->setFrame(Rect(width - 92, top, 80, 80));
        picture->setContentMode(ContentMode::ScaleAspectFit);
        picture->setAutoresizingMask(ViewAutoresizingFlexibleLeftMargin);
        root->addSubview(picture);
        textWidth -= 92;
    }
    std::string text = text_;
    for (const auto& url : urls_)
        text += "\n" + url.absoluteString();
    textLabel_ = Label::create(Rect(12, top, textWidth, 0));
    textLabel_->setText(std::move(text));
    textLabel_->setNumberOfLines(0);
    textLabel_->setFrame(Rect(12, top, textWidth,
                              SheetBar::textHeight(*textLabel_, textWidth, bounds.height() - top)));
    textLabel_->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
    root->addSubview(textLabel_);
    setView(root);
}

void ShareSheet::post() {
    finish(ShareSheetResult::Done);
}

void ShareSheet::cancel() {
    finish(ShareSheetResult::Cancelled);
}

void ShareSheet::finish(ShareSheetResult result) {
    if (finished_)
        return;
    finished_ = true;
    auto keepAlive = shared_from_this();
    if (completion_) {
        auto handler = completion_;
        handler(result);
    } else {
        dismissViewControllerAnimated(true);
    }
}

} // namespace ui
