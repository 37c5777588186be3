// The toolbar's Bookmarks and More buttons in the program's real window, clicked with the X
// server's mouse: the bookmarks button opens the bookmarks screen, and a bookmark added from
// the More sheet is listed there and opens its page.

#include "browser/BookmarksController.h"
#include "browser/BookmarksFormController.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/TableView.h"
#include "tests/e2e/BrowserWindowTest.h"

namespace {

using namespace std::chrono_literals;

class MoreSheetTest : public BrowserWindowTest {
protected:
    void addPages(httplib::Server& pages) override {
        pages.Get("/kept", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html><head><title>Kept Page</title></head><body>kept</body>"
                                 "</html>",
                                 "text/html");
        });
    }
    std::shared_ptr<ui::NavigationController> navigation() const {
        return screen->navigationController();
    }
    template <class T> std::shared_ptr<T> shown() const {
        return std::dynamic_pointer_cast<T>(navigation()->topViewController());
    }
    std::shared_ptr<ui::BarButtonItem> toolbarItem(const std::string& label) const {
        for (const auto& item : screen->bottomBar()->items())
            if (item->accessibilityLabel() == label)
                return item;
        return nullptr;
    }
};

TEST_F(MoreSheetTest, ABookmarkAddedFromTheMoreSheetIsListedAndOpens) {
    ASSERT_TRUE(open(server.url("/kept"), "Kept Page"));

    // More, then "Add Bookmark": the form comes with the page's title and address.
    auto more = toolbarItem("More");
    ASSERT_TRUE(more);
    click(*more);
    ASSERT_TRUE(eventually([] { return ui::Presentation::shared().topActionSheet() != nullptr; }));
    auto sheet = ui::Presentation::shared().topActionSheet();
    ASSERT_GT(sheet->numberOfButtons(), 0);
    ASSERT_EQ(sheet->buttonTitleAtIndex(0), "Add Bookmark")
        << "the page's request: "
        << (screen->webView()->request() && screen->webView()->request()->url()
                ? screen->webView()->request()->url()->absoluteString()
                : "(none)");
    ASSERT_TRUE(clickPanelButton("Add Bookmark"));
    ASSERT_TRUE(eventually([&] { return shown<BookmarksFormController>() != nullptr; }));
    ASSERT_TRUE(eventually([] { return !ui::Presentation::shared().topActionSheet(); }));
    auto form = shown<BookmarksFormController>();
    EXPECT_TRUE(eventually([&] { return form->nameField()->text() == "Kept Page"; }));
    EXPECT_EQ(form->urlField()->text(), server.url("/kept"));

    // Save, in the form's navigation bar.
    auto saveItem = form->navigationItem()->rightBarButtonItem();
    ASSERT_TRUE(saveItem);
    ASSERT_TRUE(eventually([&] { return saveItem->barView() != nullptr; }));
    click(*saveItem);
    ASSERT_TRUE(eventually([&] { return navigation()->topViewController() == screen; }));

    // The bookmarks button: the list shows the bookmark.
    auto bookmarks = toolbarItem("Bookmarks");
    ASSERT_TRUE(bookmarks);
    ASSERT_TRUE(eventually([&] { return bookmarks->barView() != nullptr; }));
    click(*bookmarks);
    ASSERT_TRUE(eventually([&] { return shown<BookmarksController>() != nullptr; }));
    auto list = shown<BookmarksController>();
    ASSERT_TRUE(eventually([&] { return list->tableView()->numberOfRowsInSection(0) == 1; }));
    auto cell = list->tableView()->cellForRowAtIndexPath(ui::IndexPath::forRow(0));
    ASSERT_TRUE(cell);

    // A click on its row opens it in a new tab of the browser screen.
    screen->addressBar()->setText("");
    const std::size_t tabsBefore = screen->tabs().size();
    ASSERT_TRUE(stillAnimations());
    input->click(centreOf(*cell));
    ASSERT_TRUE(eventually([&] { return navigation()->topViewController() == screen; }));
    ASSERT_TRUE(eventually([&] { return screen->tabs().size() == tabsBefore + 1; }));
    EXPECT_TRUE(finishes(*screen->selectedTab(), "Kept Page"));
}

TEST_F(MoreSheetTest, TheBookmarksListsBackButtonLeadsBackToTheBrowser) {
    ASSERT_TRUE(open(server.url("/kept"), "Kept Page"));
    auto bookmarks = toolbarItem("Bookmarks");
    ASSERT_TRUE(bookmarks);
    for (int round = 0; round < 2; ++round) {
        click(*bookmarks);
        ASSERT_TRUE(eventually([&] { return shown<BookmarksController>() != nullptr; }));
        ASSERT_TRUE(stillAnimations());
        auto bar = navigation()->navigationBar();
        ASSERT_TRUE(bar->showsBackButton());
        input->click(bar->convertPointToView(bar->backButtonFrame().center(), nullptr));
        ASSERT_TRUE(eventually([&] { return navigation()->topViewController() == screen; }))
            << "round " << round;
        EXPECT_EQ(navigation()->viewControllers().size(), 1u);
        ASSERT_TRUE(stillAnimations());
    }
    EXPECT_EQ(screen->addressBar()->text(), server.url("/kept"));
}

// The sheet has no title: its first row is its top, with no empty strip above it. Escape closes
// it as its Cancel does.
TEST_F(MoreSheetTest, TheMoreSheetStartsWithItsFirstRowAndEscapeClosesIt) {
    ASSERT_TRUE(open(server.url("/kept"), "Kept Page"));
    auto more = toolbarItem("More");
    ASSERT_TRUE(more);
    click(*more);
    ASSERT_TRUE(eventually([] { return ui::Presentation::shared().topActionSheet() != nullptr; }));
    GtkWidget* first = nullptr;
    ASSERT_TRUE(eventually([&] {
        first = WindowInput::findButton(GTK_WIDGET(window_->gtkWindow()), "Add Bookmark");
        return first && gtk_widget_get_mapped(first) && gtk_widget_get_height(first) > 0;
    }));
    GtkWidget* card = gtk_widget_get_parent(first);
    graphene_rect_t inCard;
    ASSERT_TRUE(gtk_widget_compute_bounds(first, card, &inCard));
    EXPECT_EQ(inCard.origin.y, 0);

    const std::size_t tabs = screen->tabs().size();
    input->pressEscape();
    EXPECT_TRUE(eventually([] { return ui::Presentation::shared().topActionSheet() == nullptr; }));
    EXPECT_EQ(screen->tabs().size(), tabs);
    EXPECT_EQ(navigation()->topViewController(), screen);
}

// On a pad the sheet is a popover of the More button: it stands above the button, pointing at
// it, and leaves the button in view.
class PadMoreSheetTest : public LaunchedBrowserTest {
protected:
    void SetUp() override {
        LaunchedBrowserTest::SetUp();
        ui::Device::install(std::make_shared<ui::Device>(ui::UserInterfaceIdiom::Pad));
        ASSERT_NO_FATAL_FAILURE(launch());
        ASSERT_NO_FATAL_FAILURE(showWindow("pad"));
        input_.emplace(window_->canvas().widget());
        ASSERT_TRUE(input_->available());
        // The window takes clicks once the first tab's pages are loaded.
        ASSERT_TRUE(base::RunLoop::main().runUntil(
            [&] { return !screen_->selectedTab()->webView()->isLoading(); }, 20s));
    }
    void TearDown() override {
        input_.reset();
        LaunchedBrowserTest::TearDown();
    }
    std::optional<WindowInput> input_;
};

TEST_F(PadMoreSheetTest, TheMoreSheetStandsAboveTheMoreButton) {
    ASSERT_TRUE(screen_->isPad());
    auto more = screen_->moreButton();
    ASSERT_TRUE(more);
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return more->barView() != nullptr; }, 20s));
    ASSERT_TRUE(
        base::RunLoop::main().runUntil([] { return ui::View::runningAnimationCount() == 0; }, 20s));
    const ui::Rect item = more->barView()->convertRectToView(more->frameInBar(), nullptr);
    input_->click(item.center());
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [] { return ui::Presentation::shared().topActionSheet() != nullptr; }, 20s));
    GtkWidget* row = nullptr;
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] {
            row = WindowInput::findButton(GTK_WIDGET(window_->gtkWindow()), "Clear Cookies");
            return row && gtk_widget_get_mapped(row) && gtk_widget_get_height(row) > 0;
        },
        20s));
    GtkWidget* card = gtk_widget_get_parent(row);
    graphene_rect_t shown;
    ASSERT_TRUE(gtk_widget_compute_bounds(card, window_->canvas().widget(), &shown));
    EXPECT_LE(shown.origin.y + shown.size.height, item.minY());
    EXPECT_LE(shown.origin.x, item.midX());
    EXPECT_GE(shown.origin.x + shown.size.width, item.midX());
    EXPECT_LT(shown.size.width, screen_->view()->bounds().width() / 2);
    input_->pressEscape();
    EXPECT_TRUE(base::RunLoop::main().runUntil(
        [] { return ui::Presentation::shared().topActionSheet() == nullptr; }, 20s));
}

} // namespace
