#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ui {
namespace {

using Log = std::vector<std::string>;

// Logs its appearance calls as "<name> willAppear" and so on, with the transition flags.
class LoggingController : public ViewController {
public:
    LoggingController(std::string name, std::shared_ptr<Log> log)
        : name_(std::move(name))
        , log_(std::move(log)) {}

    int viewDidLoadCount = 0;
    bool inWindowAtWillAppear = false;
    bool inWindowAtDidAppear = false;

    void viewDidLoad() override { ++viewDidLoadCount; }
    void viewWillAppear(bool animated) override {
        inWindowAtWillAppear = view()->window() != nullptr;
        add("willAppear", animated);
    }
    void viewDidAppear(bool animated) override {
        inWindowAtDidAppear = view()->window() != nullptr;
        add("didAppear", animated);
    }
    void viewWillDisappear(bool animated) override { add("willDisappear", animated); }
    void viewDidDisappear(bool animated) override { add("didDisappear", animated); }

private:
    void add(const std::string& call, bool animated) {
        std::string line = name_ + " " + call;
        if (animated)
            line += " animated";
        if (isBeingPresented())
            line += " presenting";
        if (isBeingDismissed())
            line += " dismissing";
        log_->push_back(line);
    }
    std::string name_;
    std::shared_ptr<Log> log_;
};

class ViewControllerTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        Presentation::shared().reset();
    }
    void TearDown() override {
        Presentation::shared().reset();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    std::shared_ptr<LoggingController> make(const std::string& name) {
        return std::make_shared<LoggingController>(name, log);
    }
    // Shows `root` in a key window and clears the log.
    std::shared_ptr<Window> show(const std::shared_ptr<ViewController>& root) {
        auto window = Window::create(Rect(0, 0, 320, 480));
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        base::RunLoop::main().runUntilIdle();
        log->clear();
        return window;
    }
    Log take() { return std::exchange(*log, {}); }

    std::shared_ptr<Log> log = std::make_shared<Log>();
};

TEST_F(ViewControllerTest, ViewLoadsOnceAndRootAppearsInsideMakeKeyAndVisible) {
    auto root = make("root");
    EXPECT_FALSE(root->isViewLoaded());
    auto window = Window::create(Rect(0, 0, 320, 480));
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    // Both calls happen inside makeKeyAndVisible: the view goes in between them.
    EXPECT_EQ(take(), (Log{"root willAppear", "root didAppear"}));
    EXPECT_FALSE(root->inWindowAtWillAppear);
    EXPECT_TRUE(root->inWindowAtDidAppear);
    root->view();
    EXPECT_EQ(root->viewDidLoadCount, 1);
    EXPECT_TRUE(root->isVisible());
}

TEST_F(ViewControllerTest, AnimatedPresentationCallsInOrderAndCompletesAfterTheAnimation) {
    auto root = make("root");
    auto window = show(root);
    auto sheet = make("sheet");
    bool completed = false;
    root->presentViewController(sheet, true, [&] {
        completed = true;
        log->push_back("completion");
    });
    EXPECT_EQ(take(), (Log{"root willDisappear animated", "sheet willAppear animated presenting"}));
    EXPECT_TRUE(sheet->isBeingPresented());
    EXPECT_EQ(root->presentedViewController(), sheet);
    EXPECT_EQ(sheet->presentingViewController(), root);
    EXPECT_EQ(Presentation::shared().topViewController(), sheet);

    base::RunLoop::main().advance(base::Seconds(ViewController::transitionDuration / 2));
    EXPECT_FALSE(completed);
    base::RunLoop::main().advance(base::Seconds(ViewController::transitionDuration));
    EXPECT_EQ(take(), (Log{"root didDisappear animated", "sheet didAppear animated presenting",
                           "completion"}));
    EXPECT_FALSE(sheet->isBeingPresented());
    EXPECT_EQ(sheet->view()->window(), window);
}

TEST_F(ViewControllerTest, DismissalCallsInOrderAndClearsThePresentationAtTheEnd) {
    auto root = make("root");
    auto window = show(root);
    auto sheet = make("sheet");
    root->presentViewController(sheet, false);
    base::RunLoop::main().runUntilIdle();
    take();

    bool completed = false;
    sheet->dismissViewControllerAnimated(true, [&] { completed = true; });
    EXPECT_EQ(take(), (Log{"sheet willDisappear animated dismissing", "root willAppear animated"}));
    EXPECT_TRUE(sheet->isBeingDismissed());
    // Until the transition ends, the sheet is still the presented controller.
    EXPECT_EQ(root->presentedViewController(), sheet);
    base::RunLoop::main().advance(base::Seconds(ViewController::transitionDuration));
    EXPECT_EQ(take(), (Log{"sheet didDisappear animated dismissing", "root didAppear animated"}));
    EXPECT_TRUE(completed);
    EXPECT_FALSE(sheet->isBeingDismissed());
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(sheet->presentingViewController(), nullptr);
    EXPECT_EQ(sheet->view()->window(), nullptr);
    EXPECT_TRUE(Presentation::shared().empty());
}

TEST_F(ViewControllerTest, AChildPresentsThroughItsNavigationControllerAndSeesThePresentedOne) {
    auto top = make("top");
    auto navigation = NavigationController::create(top);
    auto window = show(navigation);
    auto composer = make("composer");
    top->presentViewController(composer, true);
    // The presenter is the top-level controller; the child covered with it disappears.
    EXPECT_EQ(composer->presentingViewController(), navigation);
    EXPECT_EQ(top->presentedViewController(), composer);
    EXPECT_EQ(navigation->visibleViewController(), composer);
    EXPECT_EQ(take(),
              (Log{"top willDisappear animated", "composer willAppear animated presenting"}));

    // A second presentation while one is shown is refused; the first stays.
    auto other = make("other");
    bool otherCompleted = false;
    top->presentViewController(other, false, [&] { otherCompleted = true; });
    base::RunLoop::main().advance(base::Seconds(1));
    EXPECT_FALSE(otherCompleted);
    EXPECT_EQ(navigation->presentedViewController(), composer);
    take();

    // Dismissing from the child that asked dismisses what its container presents.
    top->dismissViewControllerAnimated(false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(take(), (Log{"composer willDisappear dismissing", "top willAppear",
                           "composer didDisappear dismissing", "top didAppear"}));
    EXPECT_EQ(navigation->visibleViewController(), top);
}

TEST_F(ViewControllerTest, DismissingDuringThePresentationFinishesItFirstAndNothingHangs) {
    auto root = make("root");
    auto window = show(root);
    auto sheet = make("sheet");
    bool presented = false, dismissed = false;
    root->presentViewController(sheet, true, [&] { presented = true; });
    root->dismissViewControllerAnimated(true, [&] { dismissed = true; });
    EXPECT_TRUE(presented);
    EXPECT_EQ(take(), (Log{"root willDisappear animated", "sheet willAppear animated presenting",
                           "root didDisappear animated", "sheet didAppear animated presenting",
                           "sheet willDisappear animated dismissing", "root willAppear animated"}));
    base::RunLoop::main().advance(base::Seconds(ViewController::transitionDuration));
    EXPECT_TRUE(dismissed);

    // Nothing to dismiss: the completion still runs, later.
    bool nothing = false;
    root->dismissViewControllerAnimated(true, [&] { nothing = true; });
    EXPECT_FALSE(nothing);
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(nothing);
}

TEST_F(ViewControllerTest, PushAndPopGiveTheTransitionsAppearanceCalls) {
    auto root = make("root");
    auto navigation = NavigationController::create(root);
    auto window = show(navigation);
    auto second = make("second");
    navigation->pushViewController(second, true);
    EXPECT_EQ(take(), (Log{"root willDisappear animated", "second willAppear animated"}));
    EXPECT_EQ(navigation->topViewController(), second);
    EXPECT_EQ(second->navigationController(), navigation);
    base::RunLoop::main().advance(base::Seconds(ViewController::transitionDuration));
    EXPECT_EQ(take(), (Log{"root didDisappear animated", "second didAppear animated"}));
    EXPECT_EQ(root->view()->superview(), nullptr);

    // A push while a push is under way ends the first one before starting.
    auto third = make("third");
    auto fourth = make("fourth");
    navigation->pushViewController(third, true);
    navigation->pushViewController(fourth, true);
    base::RunLoop::main().advance(base::Seconds(ViewController::transitionDuration));
    EXPECT_EQ(take(), (Log{"second willDisappear animated", "third willAppear animated",
                           "second didDisappear animated", "third didAppear animated",
                           "third willDisappear animated", "fourth willAppear animated",
                           "third didDisappear animated", "fourth didAppear animated"}));

    auto popped = navigation->popToRootViewControllerAnimated(false);
    base::RunLoop::main().runUntilIdle();
    ASSERT_EQ(popped.size(), 3u);
    EXPECT_EQ(popped.front(), second);
    EXPECT_EQ(popped.back(), fourth);
    EXPECT_EQ(take(), (Log{"fourth willDisappear", "root willAppear", "fourth didDisappear",
                           "root didAppear"}));
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_EQ(second->parentViewController(), nullptr);
    EXPECT_EQ(navigation->popViewControllerAnimated(true), nullptr);
}

TEST_F(ViewControllerTest, PushingBeforeTheNavigationControllerIsShownCallsNothing) {
    auto root = make("root");
    auto navigation = NavigationController::create(root);
    navigation->pushViewController(make("second"), false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(log->empty());
    EXPECT_THROW(navigation->pushViewController(root, false), std::invalid_argument);
}

TEST_F(ViewControllerTest, NavigationBarShowsTheStackAndCanBeHidden) {
    auto root = make("root");
    root->setTitle("Browser");
    auto navigation = NavigationController::create(root);
    auto window = show(navigation);
    auto form = make("form");
    form->navigationItem()->setTitle("Add Bookmark");
    navigation->pushViewController(form, false);
    auto bar = navigation->navigationBar();
    EXPECT_EQ(bar->topItem()->title(), "Add Bookmark");
    EXPECT_EQ(bar->backItem()->title(), "Browser");
    navigation->setNavigationBarHidden(true, false);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_TRUE(navigation->isNavigationBarHidden());
}

TEST_F(ViewControllerTest, ATopItemThatHidesTheBackButtonLeavesTheBarWithout) {
    auto root = make("root");
    root->setTitle("Browser");
    auto navigation = NavigationController::create(root);
    auto window = show(navigation);
    auto bar = navigation->navigationBar();
    EXPECT_EQ(bar->backButtonItem(), nullptr); // nothing to go back to

    auto form = make("form");
    form->navigationItem()->setHidesBackButton(true, true);
    navigation->pushViewController(form, false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(bar->topItem(), form->navigationItem());
    EXPECT_EQ(bar->backItem(), root->navigationItem()); // still below it on the stack
    EXPECT_EQ(bar->backButtonItem(), nullptr);
    form->navigationItem()->setHidesBackButton(false);
    EXPECT_EQ(bar->backButtonItem(), root->navigationItem());

    // Only the top item's own flag counts: one below that hides its back button takes away
    // nobody else's.
    form->navigationItem()->setHidesBackButton(true);
    auto detail = make("detail");
    navigation->pushViewController(detail, false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(bar->backButtonItem(), form->navigationItem());
    navigation->popViewControllerAnimated(false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(bar->backButtonItem(), nullptr);
    // Hiding it does not change the stack: code still pops.
    EXPECT_EQ(navigation->popViewControllerAnimated(false), form);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(bar->topItem(), root->navigationItem());
    EXPECT_EQ(bar->backButtonItem(), nullptr);
}

TEST_F(ViewControllerTest, TheNavigationControllerIsTheNearestAncestorNeverItself) {
    auto leaf = make("leaf");
    auto inner = NavigationController::create(leaf);
    auto outer = NavigationController::create(make("root"));
    outer->pushViewController(inner, false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(leaf->navigationController(), inner);
    EXPECT_EQ(inner->navigationController(), outer);
    EXPECT_EQ(outer->navigationController(), nullptr);

    // A controller presented from inside a stack is on no stack itself.
    auto sheet = make("sheet");
    leaf->presentViewController(sheet, false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(sheet->presentingViewController(), outer);
    EXPECT_EQ(sheet->navigationController(), nullptr);
}

TEST_F(ViewControllerTest, ChildControllersHearTheirMovesAndTheirParentsAppearance) {
    struct Child : LoggingController {
        using LoggingController::LoggingController;
        void willMoveToParentViewController(ViewController* parent) override {
            moves.push_back(parent ? "will move in" : "will move out");
        }
        void didMoveToParentViewController(ViewController* parent) override {
            moves.push_back(parent ? "did move in" : "did move out");
        }
        std::vector<std::string> moves;
    };
    auto parent = make("parent");
    auto child = std::make_shared<Child>("child", log);
    parent->addChildViewController(child);
    parent->view()->addSubview(child->view());
    child->didMoveToParentViewController(parent.get());
    EXPECT_EQ(child->parentViewController(), parent);

    auto window = Window::create(Rect(0, 0, 320, 480));
    window->setRootViewController(parent);
    window->makeKeyAndVisible();
    EXPECT_EQ(take(), (Log{"parent willAppear", "child willAppear", "parent didAppear",
                           "child didAppear"}));

    child->willMoveToParentViewController(nullptr);
    child->removeFromParentViewController();
    EXPECT_EQ(child->moves, (std::vector<std::string>{"will move in", "did move in",
                                                      "will move out", "did move out"}));
    EXPECT_TRUE(parent->childViewControllers().empty());
}

TEST_F(ViewControllerTest, APresenterMidTransitionGoesWithItsLastOwner) {
    auto host = make("host");
    host->beginAppearanceTransition(true, false);
    host->endAppearanceTransition();
    take();
    auto sheet = make("sheet");
    bool completed = false;
    host->presentViewController(sheet, true, [&] { completed = true; });
    EXPECT_EQ(take(), (Log{"host willDisappear animated", "sheet willAppear animated presenting"}));
    ASSERT_TRUE(base::RunLoop::main().nextTimerDeadline()); // the transition is pending

    std::weak_ptr<ViewController> weakHost = host;
    host.reset();
    EXPECT_TRUE(weakHost.expired());
    // The transition's time comes and goes without it.
    base::RunLoop::main().advance(base::Seconds(ViewController::transitionDuration * 2));
    EXPECT_FALSE(completed);
    EXPECT_TRUE(take().empty());
    // The sheet was held by the presentation that went with its presenter, and by the list of
    // what is shown.
    std::weak_ptr<ViewController> weakSheet = sheet;
    sheet.reset();
    Presentation::shared().reset();
    EXPECT_TRUE(weakSheet.expired());
}

TEST_F(ViewControllerTest, ANavigationControllerMidPushGoesWithItsLastOwner) {
    auto root = make("root");
    auto navigation = NavigationController::create(root);
    navigation->beginAppearanceTransition(true, false);
    navigation->endAppearanceTransition();
    take();
    auto second = make("second");
    navigation->pushViewController(second, true);
    EXPECT_EQ(take(), (Log{"root willDisappear animated", "second willAppear animated"}));
    ASSERT_TRUE(base::RunLoop::main().nextTimerDeadline()); // the push is pending

    std::weak_ptr<NavigationController> weakNavigation = navigation;
    std::weak_ptr<ViewController> weakSecond = second;
    navigation.reset();
    second.reset();
    EXPECT_TRUE(weakNavigation.expired());
    EXPECT_TRUE(weakSecond.expired());
    base::RunLoop::main().advance(base::Seconds(ViewController::transitionDuration * 2));
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(root->parentViewController(), nullptr);
}

} // namespace
} // namespace ui
