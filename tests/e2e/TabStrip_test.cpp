// The tab strip with more tabs than it shows, in the program's real window, with the X
// server's mouse: the ordinary vertical wheel over the strip scrolls it sideways, and a drag
// across it scrolls it with the pointer without selecting the tab it began on; a click still
// selects a tab.

#include "tests/e2e/BrowserWindowTest.h"

namespace {

class TabStripTest : public BrowserWindowTest {
protected:
    void addPages(httplib::Server& pages) override {
        pages.Get("/page", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html><head><title>Page</title></head></html>", "text/html");
        });
    }
    double offset() const { return screen->tabsView()->contentOffset().x; }
    // A point of the strip in the window, `x` points from its left edge.
    ui::Point onStrip(double x) const {
        const auto& strip = *screen->tabsView();
        const ui::Rect frame = strip.convertRectToView(strip.bounds(), nullptr);
        return ui::Point(frame.origin.x + x, frame.origin.y + frame.size.height / 2);
    }
};

TEST_F(TabStripTest, WithTenTabsTheWheelAndADragScrollTheStripSideways) {
    while (screen->tabs().size() < 10)
        screen->addTabWithAddress(server.url("/page"));
    ASSERT_TRUE(eventually([&] { return !screen->selectedTab()->loading(); }));
    const auto& strip = *screen->tabsView();
    const double end = strip.contentSize().width - strip.bounds().size.width;
    ASSERT_GT(end, 300.0) << "the strip hides tabs";
    ASSERT_TRUE(stillAnimations());
    EXPECT_DOUBLE_EQ(offset(), end) << "the newest tab is in view";
    const auto selected = screen->selectedTab();

    // The wheel up moves towards the first tab, down towards the last, and no further.
    input->wheel(onStrip(150), -3);
    EXPECT_TRUE(eventually([&] { return offset() < end - 100; })) << offset();
    const double afterUp = offset();
    input->wheel(onStrip(150), 1);
    EXPECT_TRUE(eventually([&] { return offset() > afterUp; }));
    input->wheel(onStrip(150), 20);
    EXPECT_TRUE(eventually([&] { return offset() == end; }));

    // A drag to the right brings the first tabs into view and selects nothing.
    input->drag(onStrip(60), onStrip(300));
    EXPECT_TRUE(eventually([&] { return offset() <= end - 200; })) << offset();
    EXPECT_FALSE(strip.isDragging());
    EXPECT_EQ(screen->selectedTab(), selected);
    input->drag(onStrip(20), onStrip(300 + end));
    EXPECT_TRUE(eventually([&] { return offset() == 0; }));
    EXPECT_EQ(screen->selectedTab(), selected);

    // A click on the first tab's face, now in view, selects it.
    const auto first = screen->tabs().front();
    input->click(centreOf(*first->tabButton()));
    EXPECT_TRUE(eventually([&] { return screen->selectedTab() == first; }));
}

} // namespace
