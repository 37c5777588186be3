// The link menu in the program's real window: a long press of the X server's mouse over a link
// of a real page opens the menu for that link (the page's own hit testing finds it), the press
// is no click on the link, and "Open Link in New Tab" opens the link in a new tab.

#include "browser/BookmarkScreens.h"
#include "browser/BookmarksController.h"
#include "browser/BookmarksFormController.h"
#include "platform/store/Context.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Presentation.h"
#include "tests/e2e/BrowserWindowTest.h"

#include <atomic>

namespace {

using namespace std::chrono_literals;

class LinkMenuTest : public BrowserWindowTest {
protected:
    void addPages(httplib::Server& pages) override {
        pages.Get("/links", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(
                "<html><head><title>Links</title></head><body style='margin:0'>"
                "<p style='height:150px;margin:0'>Some text above the link.</p>"
                "<a id='link' href='/target' style='display:block;width:200px;height:40px;"
                "margin-left:20px'>the target</a></body></html>",
                "text/html");
        });
        // A link no application of this computer opens: the desktop's launcher fails on it.
        pages.Get("/elsewhere", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(
                "<html><head><title>Elsewhere</title></head><body style='margin:0'>"
                "<a id='link' href='x-tabbrowser-no-handler:page' style='display:block;"
                "width:200px;height:40px;margin:100px 20px'>elsewhere</a></body></html>",
                "text/html");
        });
        pages.Get("/target", [this](const httplib::Request&, httplib::Response& response) {
            ++targetRequests;
            response.set_content("<html><head><title>Target</title></head></html>", "text/html");
        });
    }
    std::atomic<int> targetRequests{0};

    // Long-presses the page's link and clicks the entry of its menu.
    void chooseForLink(const std::string& entry) {
        input->longPress(centreOf(*screen->selectedTab(), "link"));
        ASSERT_TRUE(
            eventually([] { return ui::Presentation::shared().topActionSheet() != nullptr; }));
        ASSERT_TRUE(clickPanelButton(entry));
    }
    // The bookmark form once it is on top of the bookmarks screen and shown in the window.
    std::shared_ptr<BookmarksFormController> shownForm() {
        auto navigation = screen->bookmarksController();
        auto form = screen->bookmarksFormController();
        if (!eventually([&] {
                return navigation->topViewController() == form && form->isVisible() &&
                       navigation->view()->window() != nullptr;
            }) ||
            !stillAnimations())
            return nullptr;
        return form;
    }
    std::vector<std::shared_ptr<store::Object>> savedBookmarks() {
        auto context = delegate_->managedObjectContext();
        auto found = context->fetch(store::FetchRequest("Bookmark"));
        return found ? *found : std::vector<std::shared_ptr<store::Object>>();
    }
};

TEST_F(LinkMenuTest, ALongPressOverALinkOpensTheMenuAndOpenLinkInNewTabOpensIt) {
    ASSERT_TRUE(open(server.url("/links"), "Links"));
    auto first = screen->selectedTab();

    input->longPress(centreOf(*first, "link"));
    ASSERT_TRUE(eventually([] { return ui::Presentation::shared().topActionSheet() != nullptr; }));
    auto menu = ui::Presentation::shared().topActionSheet();
    EXPECT_EQ(menu->title(), server.url("/target"));
    // Holding the button down on the link did not follow it.
    base::RunLoop::main().runUntil([] { return false; }, 500ms);
    EXPECT_EQ(targetRequests.load(), 0);
    EXPECT_EQ(screen->tabs().size(), 1u);

    ASSERT_TRUE(clickPanelButton("Open Link in New Tab"));
    ASSERT_TRUE(eventually([&] { return screen->tabs().size() == 2u; }));
    auto opened = screen->selectedTab();
    EXPECT_NE(opened, first);
    EXPECT_TRUE(finishes(*opened, "Target"));
    EXPECT_EQ(targetRequests.load(), 1);
    EXPECT_EQ(first->tabButton()->titleForState(ui::ControlStateNormal), "Links");
}

TEST_F(LinkMenuTest, ALongPressOverPlainTextOpensNothing) {
    ASSERT_TRUE(open(server.url("/links"), "Links"));
    input->longPress(inWindow(*screen->webView(), ui::Point(60, 40)));
    base::RunLoop::main().runUntil([] { return false; }, 500ms);
    auto menu = ui::Presentation::shared().topActionSheet();
    EXPECT_FALSE(menu) << "a menu for " << menu->title();
}

} // namespace

namespace {

// The link menu's "Save Page as Bookmark" shows the form on the bookmarks screen with its whole
// bar: the title, Cancel on the left and Save on the right, each where it can be clicked; Save
// stores the link, Cancel leaves without storing anything.
TEST_F(LinkMenuTest, SavePageAsBookmarkShowsTheFormsBarWhoseSaveAndCancelWork) {
    ASSERT_TRUE(open(server.url("/links"), "Links"));
    ASSERT_NO_FATAL_FAILURE(chooseForLink("Save Page as Bookmark"));
    auto form = shownForm();
    ASSERT_TRUE(form) << "the form is not shown";
    auto bar = screen->bookmarksController()->navigationBar();
    EXPECT_FALSE(bar->isHidden());
    EXPECT_TRUE(bar->window()) << "the bar is not in the window";
    // Nothing lies over it: the browser screen's own navigation keeps its bar hidden.
    EXPECT_TRUE(screen->navigationController()->isNavigationBarHidden());
    EXPECT_EQ(bar->topItem(), form->navigationItem());
    EXPECT_EQ(form->navigationItem()->title(), "Add Bookmark");
    auto save = form->navigationItem()->rightBarButtonItem();
    auto cancel = form->navigationItem()->leftBarButtonItem();
    ASSERT_TRUE(save && cancel);
    EXPECT_EQ(save->barView(), bar);
    EXPECT_EQ(cancel->barView(), bar);
    EXPECT_EQ(form->urlField()->text(), server.url("/target"));
    EXPECT_EQ(form->nameField()->text(), "Untitled");

    click(*save);
    ASSERT_TRUE(eventually([&] { return savedBookmarks().size() == 1; }));
    EXPECT_EQ(textValue(*savedBookmarks()[0], "url"), server.url("/target"));
    auto navigation = screen->bookmarksController();
    ASSERT_TRUE(eventually([&] { return navigation->topViewController() != form; }));
    auto list = std::dynamic_pointer_cast<BookmarksController>(navigation->topViewController());
    ASSERT_TRUE(list);
    EXPECT_TRUE(eventually([&] { return list->bookmarks().size() == 1; }));

    // Back to the browser with the list's own button, then the same road left with Cancel.
    ASSERT_TRUE(stillAnimations());
    auto browserItem = list->toolbar()->items().back();
    click(*browserItem);
    ASSERT_TRUE(eventually([&] { return screen->view()->window() != nullptr; }));
    ASSERT_TRUE(stillAnimations());
    ASSERT_NO_FATAL_FAILURE(chooseForLink("Save Page as Bookmark"));
    form = shownForm();
    ASSERT_TRUE(form);
    ASSERT_EQ(bar->topItem(), form->navigationItem());
    ASSERT_TRUE(form->navigationItem()->leftBarButtonItem());
    click(*form->navigationItem()->leftBarButtonItem());
    ASSERT_TRUE(eventually([&] { return navigation->topViewController() != form; }));
    EXPECT_EQ(savedBookmarks().size(), 1u);
}

} // namespace

namespace {

// "Open Page in ..." hands the link to the desktop's launcher; when no application opens it, an
// alert says so, and a click on its button closes it.
TEST_F(LinkMenuTest, OpenPageElsewhereThatTheDesktopCannotOpenIsToldInAnAlert) {
    // The scheme is let through to the launcher, which finds no application for it.
    ui::Application::shared().setURLTester([](const base::URL&) { return true; });
    ASSERT_TRUE(open(server.url("/elsewhere"), "Elsewhere"));
    ASSERT_NO_FATAL_FAILURE(chooseForLink(Tab::openInSystemBrowserTitle));
    ASSERT_TRUE(eventually([] { return ui::Presentation::shared().topAlertView() != nullptr; }));
    auto alert = ui::Presentation::shared().topAlertView();
    EXPECT_EQ(alert->title(), ui::Application::cannotOpenTitle);
    EXPECT_NE(alert->message().find("x-tabbrowser-no-handler:page"), std::string::npos);
    ASSERT_TRUE(clickPanelButton("OK"));
    EXPECT_TRUE(eventually([] { return !ui::Presentation::shared().topAlertView(); }));
    EXPECT_EQ(screen->tabs().size(), 1u);
}

} // namespace

namespace {

// A long press is no click on the link: once its menu is closed the link is neither focused
// nor drawn otherwise than before the press (no focus ring around it).
TEST_F(LinkMenuTest, ALongPressedLinkIsNotLeftHighlightedOnceItsMenuCloses) {
    ASSERT_TRUE(open(server.url("/links"), "Links"));
    auto tab = screen->selectedTab();
    const ui::Point link = centreOf(*tab, "link");
    // Just outside the link's box, where a focus ring is drawn: left of it and below it.
    const auto number = [&](const std::string& expression) {
        return std::stod(js(*tab, "(function () { var r = document.getElementById('link')"
                                  ".getBoundingClientRect(); return " +
                                      expression + "; })()"));
    };
    const std::vector<ui::Point> around = {
        inWindow(*tab->webView(), ui::Point(number("r.left - 2"), number("r.top + r.height / 2"))),
        inWindow(*tab->webView(),
                 ui::Point(number("r.left + r.width / 2"), number("r.bottom + 1"))),
    };
    std::vector<std::array<int, 3>> before;
    for (const auto& point : around)
        before.push_back(pixel(point));

    input->longPress(link);
    ASSERT_TRUE(eventually([] { return ui::Presentation::shared().topActionSheet() != nullptr; }));
    ASSERT_TRUE(clickPanelButton("Cancel"));
    ASSERT_TRUE(eventually([] { return ui::Presentation::shared().topActionSheet() == nullptr; }));
    EXPECT_TRUE(eventually([&] {
        return js(*tab, "String(document.activeElement === document.getElementById('link'))") ==
               "false";
    }));
    // The page has its focus back and has drawn what it shows then.
    base::RunLoop::main().runUntil([] { return false; }, 500ms);
    for (std::size_t i = 0; i < around.size(); ++i)
        EXPECT_EQ(pixel(around[i]), before[i]) << "the link is drawn otherwise after the press";
    // Nothing was followed.
    EXPECT_EQ(targetRequests.load(), 0);
    EXPECT_EQ(screen->tabs().size(), 1u);
}

} // namespace
