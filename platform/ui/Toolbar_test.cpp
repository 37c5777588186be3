#include "platform/base/ProcessWide.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <vector>

namespace ui {
namespace {

class ToolbarTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
};

TEST_F(ToolbarTest, FlexibleSpacesShareWhatTheItemsLeave) {
    auto toolbar = Toolbar::create(Rect(0, 436, 320, 44));
    auto back = BarButtonItem::createWithTitle("Back", BarButtonItemStyle::Plain);
    back->setWidth(40);
    auto more = BarButtonItem::createWithSystemItem(BarButtonSystemItem::Action);
    more->setWidth(30);
    auto gap = BarButtonItem::fixedSpace(20);
    toolbar->setItems({back, BarButtonItem::flexibleSpace(), gap, more});

    // 320 - 2·12 margins - 3·10 gaps - 40 - 20 - 30 = 176 for the flexible space.
    EXPECT_EQ(back->frameInBar(), Rect(12, 0, 40, 44));
    EXPECT_EQ(gap->frameInBar(), Rect(248, 0, 20, 44));
    EXPECT_EQ(more->frameInBar(), Rect(278, 0, 30, 44));
    EXPECT_EQ(more->barView(), toolbar);
    EXPECT_EQ(toolbar->itemAtPoint(Point(290, 20)), more);
    EXPECT_EQ(toolbar->itemAtPoint(Point(150, 20)), nullptr); // the flexible space

    // A wider bar moves the right-hand items along.
    toolbar->setFrame(Rect(0, 0, 480, 44));
    EXPECT_EQ(more->frameInBar(), Rect(438, 0, 30, 44));

    // Items taken off the bar forget it.
    toolbar->setItems({back});
    EXPECT_EQ(more->barView(), nullptr);
}

TEST_F(ToolbarTest, TappingAnItemSendsItsActionWhenEnabled) {
    auto window = Window::create(Rect(0, 0, 320, 480));
    window->makeKeyAndVisible();
    auto toolbar = Toolbar::create(Rect(0, 436, 320, 44));
    window->addSubview(toolbar);
    auto item = BarButtonItem::createWithSystemItem(BarButtonSystemItem::Bookmarks);
    item->setTag(5);
    std::vector<std::int64_t> sent;
    item->setAction(this,
                    "showBookmarks:", [&](BarButtonItem& sender) { sent.push_back(sender.tag()); });
    toolbar->setItems({BarButtonItem::flexibleSpace(), item});

    const Point center = toolbar->convertPointToView(item->frameInBar().center(), nullptr);
    window->simulateTap(center);
    EXPECT_EQ(sent, std::vector<std::int64_t>{5});
    item->setEnabled(false);
    window->simulateTap(center);
    EXPECT_FALSE(item->simulateTap());
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_EQ(item->actionName(), "showBookmarks:");
}

TEST_F(ToolbarTest, CustomViewsAreLaidOutAsSubviews) {
    auto toolbar = Toolbar::create(Rect(0, 0, 320, 44));
    auto field = View::create(Rect(0, 0, 200, 30));
    auto item = BarButtonItem::createWithCustomView(field);
    toolbar->setItems({item});
    EXPECT_EQ(field->superview(), toolbar);
    EXPECT_EQ(field->frame(), Rect(12, 7, 200, 30));
    toolbar->setItems({});
    EXPECT_EQ(field->superview(), nullptr);
}

} // namespace
} // namespace ui
