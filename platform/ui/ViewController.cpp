#include "platform/ui/ViewController.h"

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Device.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/Screen.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace ui {

namespace {

void logRefusal(const std::string& message) {
    base::log(message);
}

std::string describe(const ViewController& controller) {
    return "<" + controller.className() + ">";
}

} // namespace

ViewController::ViewController(std::string nibName)
    : nibName_(std::move(nibName)) {}

ViewController::~ViewController() {
    if (transitionTimer_)
        transitionTimer_->invalidate();
}

// --- The view.

const std::shared_ptr<View>& ViewController::view() {
    if (view_)
        return view_;
    if (loadingView_)
        throw std::logic_error(className() + ": its view was asked for while being loaded");
    loadingView_ = true;
    try {
        loadView();
    } catch (...) {
        loadingView_ = false;
        throw;
    }
    loadingView_ = false;
    if (!view_)
        throw std::logic_error(className() + ": loadView made no view");
    viewDidLoad();
    return view_;
}

void ViewController::setView(std::shared_ptr<View> view) {
    view_ = std::move(view);
}

void ViewController::loadView() {
    if (nibName_.empty()) {
        view_ = View::create(Screen::mainScreen().bounds());
        return;
    }
    auto loaded = InterfaceFile::load(nibName_, InterfaceObject(shared_from_this()));
    if (!loaded)
        throw InterfaceFileError(loaded.error());
    if (!view_)
        throw InterfaceFileError(InterfaceFile::makeError(
            nibName_, "the file connects no \"view\" outlet of its owner " + className()));
}

bool ViewController::setOutlet(const std::string& name, const InterfaceObject& object) {
    if (name != "view")
        return false;
    auto view = object.as<View>();
    if (!view)
        return false;
    setView(std::move(view));
    return true;
}

void ViewController::setTitle(std::string title) {
    title_ = std::move(title);
    navigationItem()->setTitle(title_);
}

const std::shared_ptr<NavigationItem>& ViewController::navigationItem() {
    if (!navigationItem_)
        navigationItem_ = std::make_shared<NavigationItem>(title_);
    return navigationItem_;
}

// --- Appearance.

void ViewController::beginAppearanceTransition(bool isAppearing, bool animated) {
    if (isAppearing) {
        if (appearance_ == Appearance::Appeared || appearance_ == Appearance::Appearing)
            return;
        appearance_ = Appearance::Appearing;
    } else {
        if (appearance_ == Appearance::Disappeared || appearance_ == Appearance::Disappearing)
            return;
        appearance_ = Appearance::Disappearing;
    }
    appearanceAnimated_ = animated;
    auto keepAlive = weak_from_this().lock();
    if (isAppearing)
        viewWillAppear(animated);
    else
        viewWillDisappear(animated);
    for (const auto& child : childrenForAppearance())
        child->beginAppearanceTransition(isAppearing, animated);
}

void ViewController::endAppearanceTransition() {
    auto keepAlive = weak_from_this().lock();
    if (appearance_ == Appearance::Appearing) {
        appearance_ = Appearance::Appeared;
        viewDidAppear(appearanceAnimated_);
    } else if (appearance_ == Appearance::Disappearing) {
        appearance_ = Appearance::Disappeared;
        viewDidDisappear(appearanceAnimated_);
    } else {
        return;
    }
    for (const auto& child : childrenForAppearance())
        child->endAppearanceTransition();
}

std::vector<std::shared_ptr<ViewController>> ViewController::childrenForAppearance() const {
    std::vector<std::shared_ptr<ViewController>> shown;
    if (!view_)
        return shown;
    for (const auto& child : children_)
        if (child->view_ && child->view_->isDescendantOfView(view_.get()))
            shown.push_back(child);
    return shown;
}

// --- Modal presentation.

ViewController* ViewController::presentationHost() {
    ViewController* host = this;
    while (auto parent = host->parent_.lock())
        host = parent.get();
    return host;
}

bool ViewController::coversPresenter() const {
    switch (presentationStyle_) {
    case ModalPresentationStyle::FullScreen:
    case ModalPresentationStyle::CurrentContext:
        return true;
    case ModalPresentationStyle::PageSheet:
    case ModalPresentationStyle::FormSheet:
        return Device::current().userInterfaceIdiom() != UserInterfaceIdiom::Pad;
    default:
        return false;
    }
}

std::shared_ptr<ViewController> ViewController::presentedViewController() const {
    for (auto* controller = this; controller;) {
        if (controller->presented_)
            return controller->presented_;
        auto parent = controller->parent_.lock();
        controller = parent.get();
    }
    return nullptr;
}

std::shared_ptr<ViewController> ViewController::presentingViewController() const {
    const ViewController* top = this;
    while (auto parent = top->parent_.lock())
        top = parent.get();
    return top->presenting_.lock();
}

void ViewController::startTransition(bool animated, std::function<void()> finish) {
    finishPendingTransition();
    finishTransition_ = std::move(finish);
    auto self = shared_from_this();
    // The timer is kept by the object it would otherwise keep alive: it holds it weakly.
    auto later = [weak = std::weak_ptr(self)] {
        if (auto strong = weak.lock())
            strong->finishPendingTransition();
    };
    transitionTimer_ = base::RunLoop::main().dispatchAfter(
        base::Seconds(animated ? transitionDuration : 0.0), later);
}

void ViewController::finishPendingTransition() {
    if (!finishTransition_)
        return;
    auto finish = std::exchange(finishTransition_, nullptr);
    if (auto timer = std::exchange(transitionTimer_, nullptr))
        timer->invalidate();
    finish();
}

void ViewController::presentViewController(std::shared_ptr<ViewController> controller,
                                           bool animated, Completion completion) {
    if (!controller)
        throw std::invalid_argument("presentViewController: no controller to present");
    ViewController* host = presentationHost();
    auto hostPointer = host->shared_from_this();
    if (host->presented_) {
        logRefusal("Attempt to present " + describe(*controller) + " on " + describe(*host) +
                   " which is already presenting " + describe(*host->presented_));
        return;
    }
    if (controller.get() == host || !controller->presenting_.expired() ||
        !controller->parent_.expired()) {
        logRefusal("Application tried to present " + describe(*controller) +
                   ", which is already shown, modally");
        return;
    }

    host->presented_ = controller;
    controller->presenting_ = hostPointer;
    Presentation::shared().add(controller);

    const bool covers = controller->coversPresenter();
    const auto& view = controller->view();
    controller->beingPresented_ = true;
    if (covers)
        host->beginAppearanceTransition(false, animated);
    controller->beginAppearanceTransition(true, animated);
    if (host->view_) {
        if (auto window = host->view_->window()) {
            Rect frame = window->bounds();
            if (!covers && (controller->presentationStyle_ == ModalPresentationStyle::FormSheet ||
                            controller->presentationStyle_ == ModalPresentationStyle::PageSheet)) {
                const Size size =
                    controller->presentationStyle_ == ModalPresentationStyle::FormSheet
                        ? Size(540, 620)
                        : Size(768, frame.size.height);
                frame = Rect(frame.midX() - size.width / 2, frame.midY() - size.height / 2,
                             size.width, size.height);
            }
            view->setFrame(frame);
            window->addSubview(view);
        }
    }
    host->startTransition(animated, [host, controller, covers, completion = std::move(completion)] {
        if (covers)
            host->endAppearanceTransition();
        controller->endAppearanceTransition();
        controller->beingPresented_ = false;
        if (completion)
            completion();
    });
}

void ViewController::dismissViewControllerAnimated(bool animated, Completion completion) {
    std::shared_ptr<ViewController> target = presentedViewController();
    std::shared_ptr<ViewController> host;
    if (target) {
        host = target->presenting_.lock();
    } else {
        ViewController* top = presentationHost();
        host = top->presenting_.lock();
        if (host)
            target = top->shared_from_this();
    }
    if (!target || !host) {
        // Nothing to dismiss: the caller still hears back, so that nothing waits for ever.
        if (completion)
            base::RunLoop::main().dispatch(std::move(completion));
        return;
    }
    if (target->beingDismissed_) {
        if (completion)
            host->pendingDismissCompletions_.push_back(std::move(completion));
        return;
    }
    // A presentation still under way ends first, so that the dismissal starts from a shown
    // controller and the appearance calls stay paired.
    host->finishPendingTransition();
    if (host->presented_ != target)
        return; // the presentation's completion dismissed it already

    std::vector<std::shared_ptr<ViewController>> chain;
    for (auto controller = target; controller; controller = controller->presented_)
        chain.push_back(controller);
    for (auto& controller : chain)
        controller->finishPendingTransition();

    const bool covers = target->coversPresenter();
    target->beingDismissed_ = true;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        (*it)->beginAppearanceTransition(false, animated);
    if (covers)
        host->beginAppearanceTransition(true, animated);

    ViewController* hostRaw = host.get();
    host->startTransition(animated, [hostRaw, chain, target, covers,
                                     completion = std::move(completion)] {
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            auto& controller = *it;
            if (controller->view_ && dynamic_cast<Window*>(controller->view_->superview().get()))
                controller->view_->removeFromSuperview();
            controller->endAppearanceTransition();
        }
        for (auto& controller : chain) {
            controller->presenting_.reset();
            controller->presented_.reset();
            Presentation::shared().remove(controller.get());
        }
        hostRaw->presented_.reset();
        target->beingDismissed_ = false;
        if (covers)
            hostRaw->endAppearanceTransition();
        auto waiting = std::exchange(hostRaw->pendingDismissCompletions_, {});
        if (completion)
            completion();
        for (auto& more : waiting)
            more();
    });
}

// --- Containment.

void ViewController::addChildViewController(const std::shared_ptr<ViewController>& child) {
    if (!child || child.get() == this)
        throw std::invalid_argument("addChildViewController: no child, or the parent itself");
    if (child->parent_.lock().get() == this)
        return;
    child->removeFromParentViewController();
    child->willMoveToParentViewController(this);
    children_.push_back(child);
    child->parent_ = weak_from_this();
}

void ViewController::removeFromParentViewController() {
    auto parent = parent_.lock();
    if (!parent)
        return;
    auto keepAlive = shared_from_this();
    std::erase_if(parent->children_, [this](const auto& child) { return child.get() == this; });
    parent_.reset();
    didMoveToParentViewController(nullptr);
}

std::shared_ptr<NavigationController> ViewController::navigationController() const {
    for (auto controller = parent_.lock(); controller; controller = controller->parent_.lock())
        if (auto navigation = std::dynamic_pointer_cast<NavigationController>(controller))
            return navigation;
    return nullptr;
}

// --- Orientation, editing.

InterfaceOrientation ViewController::interfaceOrientation() const {
    return Application::shared().statusBarOrientation();
}

InterfaceOrientationMask ViewController::supportedInterfaceOrientations() const {
    return Device::current().userInterfaceIdiom() == UserInterfaceIdiom::Pad
               ? InterfaceOrientationMaskAll
               : InterfaceOrientationMaskAllButUpsideDown;
}

void ViewController::setEditing(bool editing, bool animated) {
    (void)animated;
    editing_ = editing;
}

} // namespace ui
