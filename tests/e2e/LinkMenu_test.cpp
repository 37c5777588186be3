// The link menu in the program's real window: a long press of the X server's mouse over a link
// of a real page opens the menu for that link (the page's own hit testing finds it), the press
// is no click on the link, and "Open Link in New Tab" opens the link in a new tab.

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
        pages.Get("/target", [this](const httplib::Request&, httplib::Response& response) {
            ++targetRequests;
            response.set_content("<html><head><title>Target</title></head></html>", "text/html");
        });
    }
    std::atomic<int> targetRequests{0};
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
