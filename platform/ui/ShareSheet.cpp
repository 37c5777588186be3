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

struct Services {
    std::mutex mutex;
    std::map<ShareServiceType, std::shared_ptr<ShareService>> installed;
};

Services& services() {
    static Services shared;
    return shared;
}

} // namespace

ShareSheet::ShareSheet(ShareServiceType serviceType)
    : serviceType_(serviceType) {
    setTitle(serviceType == ShareServiceType::Twitter ? "Twitter" : "Chorus");
}

bool ShareSheet::isAvailableForServiceType(ShareServiceType serviceType) {
    return service(serviceType) != nullptr;
}

std::shared_ptr<ShareService> ShareSheet::setService(ShareServiceType serviceType,
                                                     std::shared_ptr<ShareService> service) {
    auto& shared = services();
    std::lock_guard lock(shared.mutex);
    auto previous = std::move(shared.installed[serviceType]);
    if (service)
        shared.installed[serviceType] = std::move(service);
    else
        shared.installed.erase(serviceType);
    return previous;
}

std::shared_ptr<ShareService> ShareSheet::service(ShareServiceType serviceType) {
    auto& shared = services();
    std::lock_guard lock(shared.mutex);
    auto found = shared.installed.find(serviceType);
    return found == shared.installed.end() ? nullptr : found->second;
}

void ShareSheet::resetServices() {
    auto& shared = services();
    std::lock_guard lock(shared.mutex);
    shared.installed.clear();
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
    if (finished_ || posting_)
        return;
    auto road = service(serviceType_);
    if (!road) {
        error_ = base::Error::make(ShareSheet::errorDomain, ServiceUnavailable,
                                   title() + " cannot be reached from this program.");
        finish(ShareSheetResult::Failed);
        return;
    }
    posting_ = true;
    if (postButton_)
        postButton_->setEnabled(false);
    if (cancelButton_)
        cancelButton_->setEnabled(false);
    std::weak_ptr<ViewController> weak = weak_from_this();
    road->post(SharePost{text_, urls_, images_}, [weak](const std::optional<base::Error>& error) {
        auto self = std::static_pointer_cast<ShareSheet>(weak.lock());
        if (!self)
            return;
        self->posting_ = false;
        self->error_ = error;
        self->finish(error ? ShareSheetResult::Failed : ShareSheetResult::Done);
    });
}

void ShareSheet::cancel() {
    if (posting_)
        return;
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
