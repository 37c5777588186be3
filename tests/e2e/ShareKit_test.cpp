// The friend-wall post as a person meets it, in the real engine and the real window, against
// the social client's loopback server: the login page and the feed dialog are the server's
// pages in WebKit, the friend picker is our own screen; every button is clicked where it is
// drawn, through the X server.

#include "browser/ShareKit.h"
#include "chorus/ui/CHFriendPickerViewController.h"
#include "platform/base/Clock.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/MainWindow.h"
#include "platform/gtk/ViewCanvas.h"
#include "platform/gtk/WebKitEngine.h"
#include "tests/fixtures/chorus/ChorusTest.h"

#include <gtest/gtest.h>

// Last: the X11 headers it brings define macros (None, Status, Success) that others' names use.
#include "tests/e2e/WindowInput.h"

namespace {

using namespace std::chrono_literals;

class RecordingDelegate : public SimpleShareKitDelegate {
public:
    void shareKitSharingFinished(std::int32_t code) override {
        outcomes.push_back("finished " + std::to_string(code));
    }
    void shareKitSharingFailed(std::int32_t code) override {
        outcomes.push_back("failed " + std::to_string(code));
    }
    std::vector<std::string> outcomes;
};

class FriendWallRoadTest : public ChorusTest {
protected:
    void SetUp() override {
        ChorusTest::SetUp();
        // The engine, the window and the server live in real time.
        base::Clock::install(nullptr);
        auto installed = gtk::GtkPlatform::install();
        ASSERT_TRUE(installed.ok()) << installed.error().localizedDescription();
        // The fixture gave web views the fake engine; these pages run in the real one.
        ui::WebEngineFactory::install(gtk::WebKitEngine::maker());
        mainWindow_ = std::make_unique<gtk::MainWindow>(window, "friend wall");
        mainWindow_->present();
        kit->setDelegate(delegate);
    }
    void TearDown() override {
        mainWindow_.reset();
        base::RunLoop::main().runUntil([] { return false; }, 100ms);
        ChorusTest::TearDown();
    }

    static bool waitLong(const std::function<bool()>& condition) {
        return base::RunLoop::main().runUntil(condition, 30s);
    }
    // Waits for the shown dialog's page, then clicks the page's button where it is drawn.
    void pressInPage(const std::string& title, const std::string& button) {
        std::shared_ptr<CHWebDialogViewController> dialog;
        ASSERT_TRUE(waitLong([&] {
            dialog = shownDialog();
            return dialog && !dialog->isBeingPresented() && !dialog->webView()->isLoading() &&
                   dialog->webView()->pageTitle() == title;
        })) << "no page "
            << title;
        auto& web = *dialog->webView();
        const auto number = [&](const std::string& expression) {
            return std::stod(web.stringByEvaluatingJavaScriptFromString(
                "(function () { var r = document.getElementById('" + button +
                "').getBoundingClientRect(); return " + expression + "; })()"));
        };
        mainWindow_->sync();
        WindowInput page(dynamic_cast<gtk::WebKitEngine&>(web.engine()).widget());
        ASSERT_TRUE(page.available());
        page.click(ui::Point(number("r.left + r.width / 2"), number("r.top + r.height / 2")));
    }
    // A click at window coordinates, through the X server.
    void click(ui::Point point) {
        mainWindow_->sync();
        WindowInput window(mainWindow_->canvas().widget());
        ASSERT_TRUE(window.available());
        window.click(point);
    }

    // The shown friend picker once its friends are listed.
    std::shared_ptr<CHFriendPickerViewController> shownPicker() {
        std::shared_ptr<CHFriendPickerViewController> picker;
        waitLong([&] {
            picker = ui::Presentation::shared().topController<CHFriendPickerViewController>();
            return picker && !picker->isBeingPresented() && !picker->friends().empty();
        });
        return picker && !picker->friends().empty() ? picker : nullptr;
    }
    void click(const ui::SheetBar& bar, const ui::BarButtonItem& item) {
        const ui::Rect frame = bar.frameOfItem(item, nullptr);
        click(ui::Point(frame.midX(), frame.midY()));
    }
    // The outcomes heard once the delegate has heard one more.
    std::vector<std::string> nextOutcome() {
        const auto before = delegate->outcomes.size();
        EXPECT_TRUE(waitLong([&] { return delegate->outcomes.size() > before; }));
        return {delegate->outcomes.begin() + std::ptrdiff_t(before), delegate->outcomes.end()};
    }

    std::shared_ptr<ShareKit> kit = ShareKit::create();
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();

private:
    std::unique_ptr<gtk::MainWindow> mainWindow_;
};

TEST_F(FriendWallRoadTest, LoginPickAFriendAndPostReachTheServerAndReportSeven) {
    kit->postOnFriendsWallFromViewController({{"name", "A page"}}, root);
    pressInPage("Log in to Chorus", "allow");

    std::shared_ptr<CHFriendPickerViewController> picker;
    ASSERT_TRUE(waitLong([&] {
        picker = ui::Presentation::shared().topController<CHFriendPickerViewController>();
        return picker && !picker->isBeingPresented() && picker->friends().size() == 4;
    }));
    EXPECT_TRUE(CHSession::activeSession()->isOpen());
    // The third row, "Smith, John", then Done, clicked where they are drawn.
    auto table = picker->tableView();
    const ui::Rect row =
        table->convertRectToView(table->rectForRowAtIndexPath(ui::IndexPath::forRow(2)), nullptr);
    click(ui::Point(row.midX(), row.midY()));
    ASSERT_EQ(picker->selection().size(), 1u);
    EXPECT_EQ(picker->selection()[0].name(), "Smith, John");
    const ui::Rect done = picker->bar()->frameOfItem(*picker->doneButton(), nullptr);
    click(ui::Point(done.midX(), done.midY()));

    pressInPage("Post to Chorus", "post");
    ASSERT_TRUE(waitLong([&] { return !delegate->outcomes.empty(); }));
    EXPECT_EQ(delegate->outcomes, std::vector<std::string>{"finished 7"});
    const auto feed = server.requests("/dialog/feed");
    ASSERT_EQ(feed.size(), 1u);
    EXPECT_EQ(feed[0].parameters.at("to"), "1003");
    EXPECT_EQ(feed[0].parameters.at("name"), "A page");
    EXPECT_EQ(feed[0].parameters.at("access_token"), testing_support::ChorusServer::token);
    EXPECT_EQ(server.requests("/v2.2/me/friends").size(), 1u);
    EXPECT_TRUE(waitLong([&] { return !shownDialog(); }));
}

TEST_F(FriendWallRoadTest, ALoginRefusedInThePageReportsSeven) {
    kit->postOnFriendsWallFromViewController({}, root);
    pressInPage("Log in to Chorus", "deny");
    ASSERT_TRUE(waitLong([&] { return !delegate->outcomes.empty(); }));
    EXPECT_EQ(delegate->outcomes, std::vector<std::string>{"failed 7"});
    EXPECT_EQ(CHSession::activeSession()->state(), CHSessionState::ClosedLoginFailed);
}

// Every other end of the road, clicked as a person would: the picker's Cancel, Done with no
// friend picked, and the feed dialog's Skip, its close button, a server error and a post to the
// user's own wall.
TEST_F(FriendWallRoadTest, EachOtherEndOfThePickerAndTheFeedDialogReportsItsCode) {
    kit->postOnFriendsWallFromViewController({}, root);
    pressInPage("Log in to Chorus", "allow");
    auto picker = shownPicker();
    ASSERT_TRUE(picker);
    click(*picker->bar(), *picker->cancelButton());
    EXPECT_EQ(nextOutcome(), std::vector<std::string>{"failed 8"});
    EXPECT_TRUE(waitLong(
        [&] { return !ui::Presentation::shared().topController<CHFriendPickerViewController>(); }));

    const struct {
        const char* name;
        std::function<void()> end;
        const char* outcome;
    } cases[] = {
        {"skipped", [&] { pressInPage("Post to Chorus", "skip"); }, "failed 10"},
        {"closed",
         [&] {
             std::shared_ptr<CHWebDialogViewController> dialog;
             ASSERT_TRUE(waitLong([&] {
                 dialog = shownDialog();
                 return dialog && !dialog->isBeingPresented();
             }));
             const auto& close = *dialog->closeButton();
             const ui::Rect frame = close.convertRectToView(close.bounds(), nullptr);
             click(ui::Point(frame.midX(), frame.midY()));
         },
         "failed 9"},
        {"server error",
         [&] {
             server.setFeedError(std::pair<std::string, std::string>("2", "Down"));
             pressInPage("Post to Chorus", "post");
         },
         "failed 11"},
        {"posted to the user's own wall",
         [&] {
             server.setFeedError(std::nullopt);
             pressInPage("Post to Chorus", "post");
         },
         "finished 8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The session is open: the picker comes at once; Done with nobody picked.
        kit->postOnFriendsWallFromViewController({{"name", "A page"}}, root);
        picker = shownPicker();
        ASSERT_TRUE(picker);
        EXPECT_TRUE(picker->selection().empty());
        click(*picker->bar(), *picker->doneButton());
        c.end();
        EXPECT_EQ(nextOutcome(), std::vector<std::string>{c.outcome});
        EXPECT_TRUE(waitLong([&] { return !shownDialog(); }));
    }
    EXPECT_EQ(server.requests("/dialog/oauth/answer").size(), 1u) << "one login";
    for (const auto& feed : server.requests("/dialog/feed"))
        EXPECT_EQ(feed.parameters.count("to"), 0u);
}

} // namespace
