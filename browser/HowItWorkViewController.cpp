#include "browser/HowItWorkViewController.h"

#include "browser/BrowserSettings.h"
#include "browser/BrowserViewController.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/Image.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"

#include <mutex>

namespace {

// The picture attached to a mail about the application.
constexpr const char* mailPicture = "tarvo_logo";

std::int64_t tagOf(const ui::InterfaceObject& sender) {
    auto view = sender.as<ui::View>();
    return view ? view->tag() : 0;
}

void showOutcome(const std::string& message) {
    ui::AlertView::create("", message, {}, "Done")->show();
}

} // namespace

std::shared_ptr<HowItWorkViewController> HowItWorkViewController::create(std::string nibName) {
    base::assertMainThread();
    registerInterfaceClass();
    auto screen = std::make_shared<HowItWorkViewController>(Private{}, std::move(nibName));
    screen->share_ = ShareKit::create();
    screen->share_->setDelegate(std::static_pointer_cast<SimpleShareKitDelegate>(screen));
    return screen;
}

HowItWorkViewController::HowItWorkViewController(Private, std::string nibName)
    : ui::ViewController(std::move(nibName)) {}

HowItWorkViewController::~HowItWorkViewController() = default;

void HowItWorkViewController::registerInterfaceClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        ui::InterfaceFile::registerClass(
            interfaceClassName, "ViewController",
            [](const base::Value::Dictionary&) { return ui::InterfaceObject(create()); });
    });
}

void HowItWorkViewController::viewDidLoad() {
    base::assertMainThread();
    ui::ViewController::viewDidLoad();
    setTitle("About Us");
    auto navigation = navigationController();
    auto container = navigation ? navigation->parentViewController() : nullptr;
    if (!container || !container->actionNamed("revealGesture") ||
        !container->actionNamed("revealToggle"))
        return;
    auto menu = ui::Button::create(ui::ButtonType::Custom, ui::Rect(-2, 0, 52, 30));
    menu->setBackgroundImage(ui::Image::named("col.png"), ui::ControlStateNormal);
    menu->titleLabel()->setFont(ui::Font::boldSystemFont(12));
    std::weak_ptr<ui::ViewController> weakContainer = container;
    menu->addAction(
        container.get(), "revealToggle",
        [weakContainer](ui::Control& sender, const ui::Event*) {
            if (auto side = weakContainer.lock())
                if (auto toggle = side->actionNamed("revealToggle"))
                    toggle(ui::InterfaceObject(sender.shared_from_this()));
        },
        ui::ControlEventTouchUpInside);
    navigationItem()->setLeftBarButtonItem(ui::BarButtonItem::createWithCustomView(menu));
}

void HowItWorkViewController::chorus_share(const ui::InterfaceObject&) {
    share_->shareOnChorusWithTextAndURLFromViewController(
        ui::Image::named(BrowserSettings::productPicture), "Check out this app! ",
        BrowserSettings::appStorePageAddress(), shared_from_this());
}

void HowItWorkViewController::twitter_share(const ui::InterfaceObject&) {
    share_->shareOnTwitterWithTextAndURLFromViewController(
        ui::Image::named(BrowserSettings::productPicture), "Check out this SimpleShareKit!",
        BrowserSettings::appStorePageAddress(), shared_from_this());
}

void HowItWorkViewController::mail_view(const ui::InterfaceObject&) {
    share_->shareViaEmailWithSubjectAndBodyAndImageFromViewController(
        "", "", ui::Image::named(mailPicture), shared_from_this());
}

void HowItWorkViewController::brws_url(const ui::InterfaceObject& sender) {
    if (tagOf(sender) != 0) {
        if (auto navigation = navigationController())
            navigation->popToRootViewControllerAnimated(true);
        return;
    }
    if (auto page = base::URL::parse(BrowserSettings::appStorePageAddress()))
        ui::Application::shared().openURL(*page);
}

void HowItWorkViewController::shareKitSharingFinished(std::int32_t code) {
    base::assertMainThread();
    showOutcome(BrowserViewController::sharingFinishedMessage(code));
}

void HowItWorkViewController::shareKitSharingFailed(std::int32_t code) {
    base::assertMainThread();
    showOutcome(BrowserViewController::sharingFailedMessage(code));
}

ui::InterfaceFileOwner::Action HowItWorkViewController::actionNamed(const std::string& name) {
    static const ui::NamedAction<HowItWorkViewController> actions[] = {
        {"chorus_share", &HowItWorkViewController::chorus_share},
        {"twitter_share", &HowItWorkViewController::twitter_share},
        {"mail_view", &HowItWorkViewController::mail_view},
        {"brws_url", &HowItWorkViewController::brws_url},
    };
    if (auto action = ui::bindAction(*this, name, actions))
        return action;
    return ui::ViewController::actionNamed(name);
}
