#include "platform/ui/Presentation.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/PopoverController.h"
#include "platform/ui/ViewController.h"

#include <algorithm>

namespace ui {

namespace {

const void* addressOf(const Presentation::Item& item) {
    return std::visit([](const auto& pointer) -> const void* { return pointer.get(); }, item);
}

template <class T> std::shared_ptr<T> topOf(const std::vector<Presentation::Item>& items) {
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        if (auto* found = std::get_if<std::shared_ptr<T>>(&*it))
            return *found;
    return nullptr;
}

} // namespace

Presentation& Presentation::shared() {
    static Presentation presentation;
    return presentation;
}

std::shared_ptr<AlertView> Presentation::topAlertView() const {
    return topOf<AlertView>(items_);
}

std::shared_ptr<ActionSheet> Presentation::topActionSheet() const {
    return topOf<ActionSheet>(items_);
}

std::shared_ptr<ViewController> Presentation::topViewController() const {
    return topOf<ViewController>(items_);
}

std::shared_ptr<PopoverController> Presentation::topPopoverController() const {
    return topOf<PopoverController>(items_);
}

bool Presentation::tapButton(std::int64_t index) {
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
        if (auto* alert = std::get_if<std::shared_ptr<AlertView>>(&*it)) {
            auto keep = *alert;
            return keep->tapButton(index);
        }
        if (auto* sheet = std::get_if<std::shared_ptr<ActionSheet>>(&*it)) {
            auto keep = *sheet;
            return keep->tapButton(index);
        }
    }
    return false;
}

void Presentation::add(Item item) {
    base::assertMainThread();
    const void* address = addressOf(item);
    if (!address)
        return;
    remove(address);
    items_.push_back(std::move(item));
}

void Presentation::remove(const void* object) {
    base::assertMainThread();
    std::erase_if(items_, [object](const Item& item) { return addressOf(item) == object; });
}

} // namespace ui
