#include "browser/UIMainView.h"

#include "platform/ui/InterfaceFile.h"
#include "platform/ui/ViewController.h"

#include <mutex>

UIMainView::UIMainView(const ui::Rect& frame)
    : ui::View(frame) {}

void UIMainView::registerInterfaceClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        ui::InterfaceFile::registerClass(interfaceClassName, "View",
                                         [](const base::Value::Dictionary&) {
                                             return ui::InterfaceObject(UIMainView::create());
                                         });
    });
}

std::shared_ptr<ui::View> UIMainView::hitTest(ui::Point point, const ui::Event* event) {
    // Motion and remote-control events find nothing here; a missing event counts as a touch.
    if (event && event->type() != ui::EventType::Touches)
        return nullptr;
    auto hit = ui::View::hitTest(point, event);
    if (!hit || hit != statusBarView_)
        return hit;
    if (scrollToTop_)
        scrollToTop_(ui::InterfaceObject(shared_from_this()));
    return nullptr;
}

bool UIMainView::setOutlet(const std::string& name, const ui::InterfaceObject& object) {
    if (name == "statusBarView")
        return ui::connectOutlet(statusBarView_, object);
    if (name == "controller") {
        auto owner = object.dynamicAs<ui::InterfaceFileOwner>();
        auto action = owner ? owner->actionNamed("scrollToTop") : Action();
        if (!action)
            return false;
        scrollToTop_ = std::move(action);
        return true;
    }
    return false;
}
