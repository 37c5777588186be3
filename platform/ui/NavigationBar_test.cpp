#include "platform/base/ProcessWide.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/TextMeasurer.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ui {
namespace {

class NavigationBarTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    std::shared_ptr<BarButtonItem> item(const std::string& title) {
        auto made = BarButtonItem::createWithTitle(title, BarButtonItemStyle::Plain);
        made->setWidth(50);
        made->setAction(this, title,
                        [this](BarButtonItem& sender) { sent.push_back(sender.title()); });
        return made;
    }
    std::vector<std::string> sent;
};

TEST_F(NavigationBarTest, TheTopItemsBarButtonsSitAtTheEdgesAndATapSendsTheirAction) {
    auto window = Window::create(Rect(0, 0, 320, 480));
    window->makeKeyAndVisible();
    auto bar = NavigationBar::create(Rect(0, 20, 320, 44));
    window->addSubview(bar);
    auto below = std::make_shared<NavigationItem>("List");
    auto top = std::make_shared<NavigationItem>("Form");
    auto cancel = item("Cancel");
    auto save = item("Save");
    auto done = item("Done");
    top->setLeftBarButtonItem(cancel);
    top->setRightBarButtonItems({save, done});
    below->setRightBarButtonItem(item("Edit"));
    bar->setItems({below, top});

    EXPECT_EQ(cancel->frameInBar(), Rect(NavigationBar::edgeMargin, 0, 50, 44));
    EXPECT_EQ(save->frameInBar(), Rect(320 - NavigationBar::edgeMargin - 50, 0, 50, 44));
    EXPECT_EQ(done->frameInBar().maxX() + NavigationBar::itemSpacing, save->frameInBar().minX());
    EXPECT_EQ(below->rightBarButtonItem()->barView(), nullptr);

    for (const auto& tapped : {save, cancel, done})
        window->simulateTap(bar->convertPointToView(tapped->frameInBar().center(), nullptr));
    window->simulateTap(ui::Point(160, 42)); // the title
    EXPECT_EQ(sent, (std::vector<std::string>{"Save", "Cancel", "Done"}));

    // Once another item is on top, the old one's buttons leave the bar.
    bar->setItems({below});
    EXPECT_EQ(save->barView(), nullptr);
    EXPECT_EQ(below->rightBarButtonItem()->barView(), bar);
}

TEST_F(NavigationBarTest, ATapOnTheBackButtonSendsTheBackActionWhileItShows) {
    auto window = Window::create(Rect(0, 0, 320, 480));
    window->makeKeyAndVisible();
    auto bar = NavigationBar::create(Rect(0, 20, 320, 44));
    window->addSubview(bar);
    int backs = 0;
    bar->setBackAction([&] { ++backs; });
    auto below = std::make_shared<NavigationItem>("Browser");
    auto top = std::make_shared<NavigationItem>("Bookmarks");
    const auto tapBack = [&] {
        window->simulateTap(bar->convertPointToView(bar->backButtonFrame().center(), nullptr));
    };

    bar->setItems({top}); // nothing below: no back button
    tapBack();
    EXPECT_EQ(backs, 0);
    bar->setItems({below, top});
    ASSERT_TRUE(bar->showsBackButton());
    tapBack();
    window->simulateTap(ui::Point(160, 42)); // the title
    EXPECT_EQ(backs, 1);

    // A left item, or an item that hides the back button, takes its place.
    top->setLeftBarButtonItem(item("Cancel"));
    bar->setItems({below, top});
    EXPECT_FALSE(bar->showsBackButton());
    tapBack();
    top->setLeftBarButtonItems({});
    top->setHidesBackButton(true);
    bar->setItems({below, top});
    tapBack();
    EXPECT_EQ(backs, 1);
    EXPECT_EQ(sent, std::vector<std::string>{"Cancel"});
}

// Ten points per character, in every font: sizes a test can work out.
class TenPerCharacter : public TextMeasurer {
public:
    Size measure(const std::string& text, const Font&) const override {
        return Size(10.0 * double(text.size()), 20);
    }
};

TEST_F(NavigationBarTest, TheTitleIsCentredWithinTheRoomTheItemsLeaveAndCutOnlyToThatRoom) {
    const auto previous = TextMeasurer::install(std::make_shared<TenPerCharacter>());
    auto bar = NavigationBar::create(Rect(0, 0, 320, 44));
    auto below = std::make_shared<NavigationItem>("Bookmarks");
    auto top = std::make_shared<NavigationItem>("New Bookmark Folder");
    bar->setItems({below, top});

    // "< Bookmarks" would leave 19 characters too little room: the back button says "Back".
    EXPECT_EQ(bar->backButtonText(), "\u2039 Back");
    EXPECT_EQ(bar->backButtonFrame().width(), 10.0 * std::string("\u2039 Back").size());
    Rect title = bar->titleFrame();
    EXPECT_EQ(title.width(), 190);
    EXPECT_GE(title.minX(), bar->backButtonFrame().maxX() + NavigationBar::itemSpacing);
    EXPECT_LE(title.maxX(), 320 - NavigationBar::edgeMargin);

    // A short title is centred on the bar, and the back button keeps the item's title.
    top->setTitle("Form");
    bar->setItems({below, top});
    EXPECT_EQ(bar->backButtonText(), "\u2039 Bookmarks");
    EXPECT_EQ(bar->titleFrame(), Rect(140, 0, 40, 44));

    // A right item narrows the room; a title wider than the room is cut to it.
    top->setTitle(std::string(40, 'x'));
    top->setRightBarButtonItem(item("Save"));
    bar->setItems({below, top});
    EXPECT_EQ(bar->backButtonText(), "\u2039");
    title = bar->titleFrame();
    EXPECT_EQ(title.maxX(),
              top->rightBarButtonItem()->frameInBar().minX() - NavigationBar::itemSpacing);
    EXPECT_EQ(title.minX(), bar->backButtonFrame().maxX() + NavigationBar::itemSpacing);
    TextMeasurer::install(previous);
}

} // namespace
} // namespace ui
