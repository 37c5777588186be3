#include "browser/myAlertView.h"

#include "platform/ui/InterfaceFile.h"
#include "platform/ui/Label.h"

#include <mutex>

std::shared_ptr<myAlertView> myAlertView::create(std::string title, std::string message,
                                                 std::weak_ptr<ui::AlertViewDelegate> delegate,
                                                 std::optional<std::string> cancelButtonTitle,
                                                 std::vector<std::string> otherButtonTitles) {
    registerInterfaceClass();
    auto alert =
        std::make_shared<myAlertView>(std::move(title), std::move(message), std::move(delegate),
                                      std::move(cancelButtonTitle), std::move(otherButtonTitles));
    alert->setBackgroundColor(ui::Color::whiteColor());
    return alert;
}

void myAlertView::registerInterfaceClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        ui::InterfaceFile::registerClass(interfaceClassName, "AlertView",
                                         [](const base::Value::Dictionary&) {
                                             return ui::InterfaceObject(myAlertView::create());
                                         });
    });
}

void myAlertView::layoutSubviews() {
    // Only the look of what the alert holds: the alert's own placing of its labels and buttons
    // is not run (the window shows an alert from its title, message and buttons).
    for (const auto& subview : subviews()) {
        if (subview->className() == "ImageView") {
            subview->setHidden(true);
        } else if (subview->className() == "Label") {
            auto label = std::static_pointer_cast<ui::Label>(subview);
            label->setTextColor(ui::Color::blackColor());
            label->setFont(ui::Font::named("Futura Medium", 25));
            label->setShadowColor(ui::Color::clearColor());
            label->setNumberOfLines(0);
            label->setLineBreakMode(ui::LineBreakMode::WordWrapping);
        }
    }
}

void myAlertView::touchesBegan(const ui::TouchSet&, const ui::Event*) {}
