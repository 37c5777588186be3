#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationBar.h"
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
        Application::reset();
    }
    void TearDown() override {
        Application::reset();
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

} // namespace
} // namespace ui
