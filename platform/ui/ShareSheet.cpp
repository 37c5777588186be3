#include "platform/ui/ShareSheet.h"

#include "platform/ui/Image.h"

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
