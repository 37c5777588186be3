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
        // A link at its top to an anchor at its end.
        pages.Get("/anchored", [](const httplib::Request&, httplib::Response& response) {
            std::string body = "<html><head><title>Anchored</title></head><body style='margin:0'>"
                               "<a id='jump' href='#end' style='display:block;height:80px'>"
                               "to the end</a>";
            for (int i = 0; i < 100; ++i)
                body += "<p style='height:40px;margin:0'>Line " + std::to_string(i) + "</p>";
            response.set_content(body + "<h2 id='end'>End</h2></body></html>", "text/html");
        });
        // Blue, with a red band from 300 to 360 page pixels down.
        pages.Get("/marked", [](const httplib::Request&, httplib::Response& response) {
            std::string body = "<html><head><title>Marked</title></head>"
                               "<body style='margin:0;background:rgb(0,102,204)'>"
                               "<div style='position:absolute;left:0;right:0;top:300px;"
                               "height:60px;background:rgb(255,0,0)'></div>";
            for (int i = 0; i < 200; ++i)
                body += "<p style='height:40px;margin:0'>Line " + std::to_string(i) + "</p>";
            response.set_content(body + "</body></html>", "text/html");
        });
    }

    static bool isBlue(const std::array<int, 3>& colour) {
        return colour[0] < 40 && std::abs(colour[1] - 102) < 40 && colour[2] > 160;
    }
    static bool isRed(const std::array<int, 3>& colour) {
        return colour[0] > 200 && colour[1] < 50 && colour[2] < 50;
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

// The page moves with the top bar: the part of the screen the bar leaves is page, and every
// point of the page is where the offset puts it (its top at -offset below the web view's top).
TEST_F(BarsTest, OnAPhoneThePageMovesUpWithTheTopBarAndLeavesNoGap) {
    ASSERT_TRUE(open(server.url("/marked"), "Marked"));
    auto web = screen->webView();
    auto topBar = screen->topBar();
    const auto& scroll = web->scrollView();
    const double barHeight = topBar->frame().size.height;
    ASSERT_EQ(scroll->contentOffset().y, -barHeight);
    const ui::Point overPage = inWindow(*web, ui::Point(160, 150));
    // The band's top in the window at the offset, and whether the window shows the page so:
    // blue right below the bar's bottom edge (or the status bar), red in the band.
    const auto bandTop = [&] { return 300 - scroll->contentOffset().y; };
    const auto drawnRight = [&] {
        const double below = std::max(topBar->frame().maxY(), 20.0) + 3;
        return isBlue(pixel(ui::Point(160, below))) &&
               isRed(pixel(ui::Point(160, bandTop() + 30))) &&
               isBlue(pixel(ui::Point(160, bandTop() - 5)));
    };
    ASSERT_TRUE(eventually(drawnRight));

    // Partly into the bar's place, then past it: the page follows the bar and the offset.
    for (const int notches : {1, 2}) {
        const double before = scroll->contentOffset().y;
        input->wheel(overPage, notches);
        ASSERT_TRUE(eventually([&] { return scroll->contentOffset().y > before; }));
        EXPECT_EQ(topBar->frame().origin.y, -barHeight - scroll->contentOffset().y);
        EXPECT_TRUE(eventually(drawnRight))
            << "offset " << scroll->contentOffset().y << ", bar at " << topBar->frame().origin.y
            << ", below the bar " << pixel(ui::Point(160, topBar->frame().maxY() + 3))[2];
    }
    ASSERT_GT(scroll->contentOffset().y, 0);
    EXPECT_LE(topBar->frame().maxY(), 0);
    EXPECT_EQ(std::stod(js(*screen->selectedTab(), "window.scrollY")), scroll->contentOffset().y);

    // Back to the top: the bar and the page as they were.
    input->wheel(overPage, -20);
    EXPECT_TRUE(eventually([&] { return topBar->frame().origin.y == 0; }));
    EXPECT_EQ(scroll->contentOffset().y, -barHeight);
    EXPECT_TRUE(eventually(drawnRight));
}

// Scrolled back up to its top, however it got away from it, the page shows the whole top bar
// again: after a jump to an anchor at the page's end, the wheel that reaches the top brings the bar
// with it, without a turn more.
TEST_F(BarsTest, OnAPhoneScrollingUpToTheTopAfterAnAnchorJumpShowsTheTopBar) {
    ASSERT_TRUE(open(server.url("/anchored"), "Anchored"));
    Tab& tab = *screen->selectedTab();
    auto topBar = screen->topBar();
    const auto& scroll = screen->webView()->scrollView();
    const double barHeight = topBar->frame().size.height;
    input->click(centreOf(tab, "jump"));
    ASSERT_TRUE(eventually([&] { return std::stod(js(tab, "window.scrollY")) > 1000; }));
    ASSERT_TRUE(eventually([&] { return topBar->frame().maxY() <= 0; }));

    const ui::Point overPage = inWindow(*screen->webView(), ui::Point(160, 150));
    for (int turn = 0; turn < 200 && std::stod(js(tab, "window.scrollY")) > 0; ++turn) {
        input->wheel(overPage, -1);
        eventually([&] { return false; }, 30ms);
    }
    ASSERT_EQ(js(tab, "window.scrollY"), "0");
    EXPECT_TRUE(eventually([&] {
        return topBar->frame().origin.y == 0 && scroll->contentOffset().y == -barHeight;
    })) << "top bar at "
        << topBar->frame().origin.y << ", offset " << scroll->contentOffset().y;
    EXPECT_EQ(screen->bottomBar()->alpha(), 1);
}

// A quick way back to the top (the Home key) shows the top bar too.
TEST_F(BarsTest, OnAPhoneAQuickScrollBackToTheTopShowsTheTopBar) {
    ASSERT_TRUE(open(server.url("/long"), "Long"));
    Tab& tab = *screen->selectedTab();
    auto topBar = screen->topBar();
    const ui::Point overPage = inWindow(*screen->webView(), ui::Point(160, 150));
    input->wheel(overPage, 15);
    ASSERT_TRUE(eventually([&] { return std::stod(js(tab, "window.scrollY")) > 200; }));
    ASSERT_TRUE(eventually([&] { return topBar->frame().maxY() <= 0; }));
    // The page takes the keys once clicked.
    input->click(overPage);
    input->pressHome();
    ASSERT_TRUE(eventually([&] { return js(tab, "window.scrollY") == "0"; }));
    EXPECT_TRUE(eventually([&] { return topBar->frame().origin.y == 0; }))
        << "top bar at " << topBar->frame().origin.y;
}

// Once the top bar has scrolled away, the strip under the status bar's clock keeps the bar's
// colour: the page's text does not run under the clock.
TEST_F(BarsTest, OnAPhoneThePageDoesNotShowUnderTheClockOnceTheTopBarHasGone) {
    ASSERT_TRUE(open(server.url("/marked"), "Marked"));
    auto topBar = screen->topBar();
    const ui::Point besideClock(4, 10);
    const auto barColour = [](const std::array<int, 3>& colour) {
        return std::abs(colour[0] - 23) < 8 && std::abs(colour[1] - 230) < 8 &&
               std::abs(colour[2] - 230) < 8;
    };
    ASSERT_TRUE(eventually([&] { return barColour(pixel(besideClock)); }));
    input->wheel(inWindow(*screen->webView(), ui::Point(160, 150)), 5);
    ASSERT_TRUE(eventually([&] { return topBar->frame().maxY() <= 0; }));
    // The page is drawn below the strip.
    ASSERT_TRUE(eventually([&] { return isBlue(pixel(ui::Point(4, 30))); }));
    EXPECT_TRUE(barColour(pixel(besideClock)))
        << pixel(besideClock)[0] << "," << pixel(besideClock)[1] << "," << pixel(besideClock)[2];
}

} // namespace
