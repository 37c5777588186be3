#pragma once

#include "platform/base/Timer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/InterfaceFileOwner.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class NavigationController;
class NavigationItem;
class View;

// The platform's modal presentation and transition styles and status bar styles, with their
// values.
enum class ModalPresentationStyle {
    FullScreen = 0,
    PageSheet = 1,
    FormSheet = 2,
    CurrentContext = 3,
    Custom = 4,
    OverFullScreen = 5,
    OverCurrentContext = 6,
    Popover = 7,
};
enum class ModalTransitionStyle {
    CoverVertical = 0,
    FlipHorizontal = 1,
    CrossDissolve = 2,
    PartialCurl = 3
};
enum class StatusBarStyle { Default = 0, LightContent = 1 };

// A screen's controller: loads its view on first use, gets the appearance calls, presents
// and dismisses other controllers modally and holds child controllers.
//
// Appearance calls come in the platform's order for every transition (a window showing its
// root, a modal presentation or dismissal, a push or pop): the controller going away gets
// viewWillDisappear, the one coming gets viewWillAppear, then, when the transition ends,
// viewDidDisappear and viewDidAppear. A controller gets each call only when its state
// changes (never two will-appears in a row). Containers pass the calls on to the children
// they show.
//
// Modal transitions end on the main run loop: after transitionDuration when animated, on the
// next turn otherwise. isBeingPresented / isBeingDismissed hold from the transition's start
// to its end, so they are true inside that transition's appearance calls; the completion
// runs after the end.
class ViewController : public std::enable_shared_from_this<ViewController>,
                       public InterfaceFileOwner {
public:
    using Completion = std::function<void()>;

    static constexpr double transitionDuration = 0.3;

    // With a name, loadView() loads the interface file of that name with this controller as
    // owner; the file must connect the "view" outlet.
    explicit ViewController(std::string nibName = {});
    ~ViewController() override;
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    static std::shared_ptr<ViewController> create(std::string nibName = {}) {
        return std::make_shared<ViewController>(std::move(nibName));
    }

    // The class name for diagnostics ("ViewController", "NavigationController", ...).
    virtual std::string className() const { return "ViewController"; }

    // --- The view.
    const std::string& nibName() const { return nibName_; }
    // Loads the view on first use: loadView(), then viewDidLoad() once.
    const std::shared_ptr<View>& view();
    bool isViewLoaded() const { return view_ != nullptr; }
    void setView(std::shared_ptr<View> view);
    // Makes the view: from the interface file when there is a name, else a plain view over
    // the main screen's bounds. Throws InterfaceFileError when the file cannot be loaded or
    // connects no view.
    virtual void loadView();
    virtual void viewDidLoad() {}

    const std::string& title() const { return title_; }
    // Also the navigation item's title.
    virtual void setTitle(std::string title);

    // --- Appearance.
    virtual void viewWillAppear(bool animated) { (void)animated; }
    virtual void viewDidAppear(bool animated) { (void)animated; }
    virtual void viewWillDisappear(bool animated) { (void)animated; }
    virtual void viewDidDisappear(bool animated) { (void)animated; }
    // Drive the appearance calls from a container or the window. A begin that does not
    // change the state (appearing while appeared, for instance) calls nothing, nor does its
    // end.
    void beginAppearanceTransition(bool isAppearing, bool animated);
    void endAppearanceTransition();
    // Between viewDidAppear and viewWillDisappear (or inside the appearing transition).
    bool isAppearing() const { return appearance_ == Appearance::Appearing; }
    bool isVisible() const { return appearance_ == Appearance::Appeared; }

    // --- Modal presentation.
    // Presents `controller` over this controller's top-level ancestor. Refused (logged, the
    // completion not run) when that ancestor already presents a controller or when
    // `controller` is already presented or has a parent.
    void presentViewController(std::shared_ptr<ViewController> controller, bool animated,
                               Completion completion = {});
    // Dismisses the controller this one (or an ancestor) presents, or, when it presents none,
    // this controller itself from its presenter. Everything presented above goes too. The
    // completion runs after the transition; with nothing to dismiss, on the next turn.
    void dismissViewControllerAnimated(bool animated, Completion completion = {});
    // The controller presented by this one or by an ancestor.
    std::shared_ptr<ViewController> presentedViewController() const;
    // The controller that presented this one (or an ancestor of it).
    std::shared_ptr<ViewController> presentingViewController() const;
    bool isBeingPresented() const { return beingPresented_; }
    bool isBeingDismissed() const { return beingDismissed_; }
    ModalPresentationStyle modalPresentationStyle() const { return presentationStyle_; }
    void setModalPresentationStyle(ModalPresentationStyle style) { presentationStyle_ = style; }
    ModalTransitionStyle modalTransitionStyle() const { return transitionStyle_; }
    void setModalTransitionStyle(ModalTransitionStyle style) { transitionStyle_ = style; }

    // --- Containment. addChildViewController calls the child's willMoveToParentViewController
    // with this controller; the caller calls didMoveToParentViewController after adding the
    // child's view. Before removeFromParentViewController the caller calls willMove with
    // null; removing calls didMove with null.
    std::shared_ptr<ViewController> parentViewController() const { return parent_.lock(); }
    const std::vector<std::shared_ptr<ViewController>>& childViewControllers() const {
        return children_;
    }
    void addChildViewController(const std::shared_ptr<ViewController>& child);
    void removeFromParentViewController();
    virtual void willMoveToParentViewController(ViewController* parent) { (void)parent; }
    virtual void didMoveToParentViewController(ViewController* parent) { (void)parent; }

    // The nearest navigation controller among this controller's ancestors (its parent, the
    // parent's parent, ...), not the controller itself: a navigation controller's own is the
    // one it is nested in, if any. A presented controller's presenter is no ancestor.
    std::shared_ptr<NavigationController> navigationController() const;
    const std::shared_ptr<NavigationItem>& navigationItem();

    // --- Orientation, status bar, sizes, editing, memory.
    InterfaceOrientation interfaceOrientation() const;
    virtual bool shouldAutorotate() const { return true; }
    virtual InterfaceOrientationMask supportedInterfaceOrientations() const;
    virtual InterfaceOrientation preferredInterfaceOrientationForPresentation() const {
        return InterfaceOrientation::Portrait;
    }
    virtual StatusBarStyle preferredStatusBarStyle() const { return StatusBarStyle::Default; }
    // The size the controller wants inside a popover; the two names are one value.
    Size preferredContentSize() const { return preferredContentSize_; }
    void setPreferredContentSize(Size size) { preferredContentSize_ = size; }
    Size contentSizeForViewInPopover() const { return preferredContentSize_; }
    void setContentSizeForViewInPopover(Size size) { preferredContentSize_ = size; }
    bool isEditing() const { return editing_; }
    virtual void setEditing(bool editing, bool animated);
    virtual void didReceiveMemoryWarning() {}

    // --- Interface files: the "view" outlet.
    bool setOutlet(const std::string& name, const InterfaceObject& object) override;

protected:
    // The children that get this controller's appearance calls: by default every child
    // whose view is loaded and inside this controller's view.
    virtual std::vector<std::shared_ptr<ViewController>> childrenForAppearance() const;
    // Whether the controller covers its presenter completely, so that the presenter
    // disappears while it is shown.
    bool coversPresenter() const;

private:
    enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };
    friend class NavigationController;

    // The ancestor that presents for this controller: the top of the parent chain.
    ViewController* presentationHost();
    // Ends a modal transition of this (host) controller that has not ended yet.
    void finishPendingTransition();
    void startTransition(bool animated, std::function<void()> finish);

    std::string nibName_;
    std::shared_ptr<View> view_;
    bool loadingView_ = false;
    std::string title_;
    std::shared_ptr<NavigationItem> navigationItem_;
    Appearance appearance_ = Appearance::Disappeared;
    bool appearanceAnimated_ = false;

    std::weak_ptr<ViewController> parent_;
    std::vector<std::shared_ptr<ViewController>> children_;

    std::shared_ptr<ViewController> presented_;
    std::weak_ptr<ViewController> presenting_;
    bool beingPresented_ = false;
    bool beingDismissed_ = false;
    std::shared_ptr<base::Timer> transitionTimer_;
    std::function<void()> finishTransition_;
    std::vector<Completion> pendingDismissCompletions_;
    ModalPresentationStyle presentationStyle_ = ModalPresentationStyle::FullScreen;
    ModalTransitionStyle transitionStyle_ = ModalTransitionStyle::CoverVertical;

    Size preferredContentSize_;
    bool editing_ = false;
};

} // namespace ui
