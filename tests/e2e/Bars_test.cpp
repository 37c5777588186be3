// The bars on a phone, in the program's real window with the wheel of the X server's mouse: the
// top bar scrolls away with the page and the bottom toolbar fades out while the page goes down,
// and both come back at the page's top.

#include "tests/e2e/BrowserWindowTest.h"

namespace {

using namespace std::chrono_literals;

class BarsTest : public BrowserWindowTest {
protected:
    void addPages(httplib::Server& pages) override {
        pages.Get("/long", [](const httplib::Request&, httplib::Response& response) {
            std::string body = "<html><head><title>Long</title></head><body style='margin:0'>";
            for (int i = 0; i < 200; ++i)
                body += "<p style='height:40px;margin:0'>Line " + std::to_string(i) + "</p>";
            response.set_content(body + "</body></html>", "text/html");
        });
    }
};

TEST_F(BarsTest, OnAPhoneTheBarsHideWhileThePageScrollsDownAndComeBackAtTheTop) {
    ASSERT_TRUE(open(server.url("/long"), "Long"));
    auto web = screen->webView();
    auto topBar = screen->topBar();
    auto toolbar = screen->bottomBar();
    const double barHeight = topBar->frame().size.height;
    const double shownHeight = web->frame().size.height;
    ASSERT_EQ(topBar->frame().origin.y, 0);
    ASSERT_EQ(toolbar->alpha(), 1);

    const ui::Point overPage = inWindow(*web, ui::Point(160, 150));
    input->wheel(overPage, 5);
    EXPECT_TRUE(eventually([&] {
        return toolbar->alpha() == 0 && topBar->frame().origin.y <= -barHeight &&
               web->frame().size.height == shownHeight + toolbar->frame().size.height;
    })) << "top bar at "
        << topBar->frame().origin.y << ", toolbar alpha " << toolbar->alpha();
    EXPECT_GT(std::stod(js(*screen->selectedTab(), "window.scrollY")), 0);

    input->wheel(inWindow(*web, ui::Point(160, 150)), -30);
    EXPECT_TRUE(eventually([&] {
        return toolbar->alpha() == 1 && topBar->frame().origin.y == 0 &&
               web->frame().size.height == shownHeight;
    })) << "top bar at "
        << topBar->frame().origin.y << ", toolbar alpha " << toolbar->alpha();
    EXPECT_EQ(js(*screen->selectedTab(), "window.scrollY"), "0");
}

} // namespace
