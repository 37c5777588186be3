#include "browser/BookmarkScreens.h"

#include "browser/BookmarkList.h"
#include "browser/BrowserDelegate.h"
#include "platform/base/Log.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"

#include <algorithm>

const std::shared_ptr<store::Object>& objectOf(const BookmarkListItem& item) {
    static const std::shared_ptr<store::Object> none;
    const auto* object = std::get_if<std::shared_ptr<store::Object>>(&item);
    return object ? *object : none;
}

void takeDelegateContextIfNone(std::shared_ptr<store::Context>& context) {
    BrowserDelegate::takeContextIfNone(context);
}

std::string textValue(const store::Object& object, std::string_view key) {
    const auto value = object.value(key);
    const auto* text = value.string();
    return text ? *text : std::string();
}

std::shared_ptr<ui::ViewController> controllerBelow(const ui::ViewController& controller) {
    auto navigation = controller.navigationController();
    if (!navigation)
        return nullptr;
    const auto& stack = navigation->viewControllers();
    auto position = std::find_if(stack.begin(), stack.end(),
                                 [&](const auto& onStack) { return onStack.get() == &controller; });
    if (position == stack.end() || position == stack.begin())
        return nullptr;
    return *(position - 1);
}

std::shared_ptr<store::Object> selectedObjectInListBelow(const ui::ViewController& controller,
                                                         std::string_view entity) {
    auto list = std::dynamic_pointer_cast<BookmarkList>(controllerBelow(controller));
    auto object = list ? list->selectedObject() : nullptr;
    return object && object->entityName() == entity ? object : nullptr;
}

void crossDissolve(const std::shared_ptr<ui::ViewController>& from,
                   const std::shared_ptr<ui::ViewController>& to) {
    if (!from || !to || from == to || !from->view()->superview())
        return;
    // The views are loaded before the controllers hear of their appearance.
    auto fromView = from->view();
    auto toView = to->view();
    from->beginAppearanceTransition(false, true);
    to->beginAppearanceTransition(true, true);
    ui::View::transition(fromView, toView, 0.5, ui::ViewAnimationOptionTransitionCrossDissolve,
                         [from, to](bool) {
                             from->endAppearanceTransition();
                             to->endAppearanceTransition();
                         });
}

void showFailureAlert(const std::string& title, const std::string& message) {
    ui::AlertView::create(title, message, {}, "OK")->show();
}

bool saveOrReport(store::Context& context, const std::string& failureTitle) {
    auto saved = context.save();
    if (saved)
        return true;
    context.rollback();
    showFailureAlert(failureTitle, saved.error().localizedDescription());
    return false;
}
