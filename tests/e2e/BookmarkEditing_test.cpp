// Changing saved bookmarks and folders in the program's real window, with the X server's mouse
// and keyboard: in the bookmarks screen's editing mode each row's edit control, beside its
// delete circle, opens the row's form in edit mode; what is typed there and saved is stored; a
// click on the row itself still opens the bookmark. Editing mode's bar and circles, and the
// folder form's bar, look as they should.

#include "browser/BookmarkFolderFormController.h"
#include "browser/BookmarkItem.h"
#include "browser/BookmarkScreens.h"
#include "browser/BookmarksController.h"
#include "browser/BookmarksFormController.h"
#include "platform/gtk/PangoTextMeasurer.h"
#include "platform/store/Context.h"
#include "platform/store/FetchRequest.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/TableView.h"
#include "tests/e2e/BrowserWindowTest.h"

namespace {

class BookmarkEditingTest : public BrowserWindowTest {
protected:
    void addPages(httplib::Server& pages) override {
        pages.Get("/kept", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html><head><title>Kept Page</title></head></html>", "text/html");
        });
    }
    std::shared_ptr<ui::NavigationController> navigation() const {
        return screen->navigationController();
    }
    template <class T> std::shared_ptr<T> shown() const {
        std::shared_ptr<T> top;
        eventually([&] {
            top = std::dynamic_pointer_cast<T>(navigation()->topViewController());
            return top && top->isVisible();
        });
        return stillAnimations() ? top : nullptr;
    }
    std::shared_ptr<ui::BarButtonItem>
    itemLabelled(const std::vector<std::shared_ptr<ui::BarButtonItem>>& items,
                 const std::string& label) const {
        for (const auto& item : items)
            if (item->accessibilityLabel() == label)
                return item;
        return nullptr;
    }
    std::shared_ptr<BookmarkItem> cellAt(BookmarksController& list, std::size_t row) {
        return std::dynamic_pointer_cast<BookmarkItem>(
            list.tableView()->cellForRowAtIndexPath(ui::IndexPath::forRow(row)));
    }
    // Replaces the field's text as a person would: a click in it, Ctrl+A, the new text.
    void retype(const std::shared_ptr<ui::TextField>& field, const std::string& text) {
        input->click(centreOf(*field));
        ASSERT_TRUE(eventually([&] { return field->isFirstResponder(); }));
        input->pressWithControl('a');
        input->type(text);
        ASSERT_TRUE(eventually([&] { return field->text() == text; })) << field->text();
    }
    std::string storedName(const std::string& entity) {
        auto found = delegate_->managedObjectContext()->fetch(store::FetchRequest(entity));
        return found && found->size() == 1 ? textValue(*found->front(), "name") : "(not one)";
    }
};

TEST_F(BookmarkEditingTest, TheEditControlsChangeABookmarkAndAFolderAndTheRowStillOpens) {
    auto context = delegate_->managedObjectContext();
    context->insertNewObject("Folder")->setValue("name", base::Value("Work"));
    auto kept = context->insertNewObject("Bookmark");
    kept->setValue("name", base::Value("Kept"));
    kept->setValue("url", base::Value(server.url("/elsewhere")));
    ASSERT_TRUE(context->save());

    click(*itemLabelled(screen->bottomBar()->items(), "Bookmarks"));
    auto list = shown<BookmarksController>();
    ASSERT_TRUE(list);
    auto editItem = itemLabelled(list->toolbar()->items(), "Edit");
    ASSERT_TRUE(editItem);
    click(*editItem);
    ASSERT_TRUE(eventually([&] { return list->mode() == BookmarksController::editingMode; }))
        << "top: " << navigation()->topViewController()->className();
    ASSERT_TRUE(stillAnimations());

    // The bookmark: its edit control, a new name and address, Save.
    auto cell = cellAt(*list, 1);
    ASSERT_TRUE(cell && !cell->editButton()->isHidden());
    input->click(centreOf(*cell->editButton()));
    auto form = shown<BookmarksFormController>();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->navigationItem()->title(), "Edit Bookmark");
    EXPECT_EQ(form->nameField()->text(), "Kept");
    ASSERT_NO_FATAL_FAILURE(retype(form->nameField(), "Kept Page"));
    ASSERT_NO_FATAL_FAILURE(retype(form->urlField(), server.url("/kept")));
    click(*form->navigationItem()->rightBarButtonItem());
    ASSERT_EQ(shown<BookmarksController>(), list);
    EXPECT_EQ(storedName("Bookmark"), "Kept Page");
    EXPECT_EQ(textValue(*kept, "url"), server.url("/kept"));

    // The folder: its edit control, a new name, the form's Save button.
    cell = cellAt(*list, 0);
    ASSERT_TRUE(cell);
    input->click(centreOf(*cell->editButton()));
    auto folderForm = shown<BookmarkFolderFormController>();
    ASSERT_TRUE(folderForm);
    EXPECT_EQ(folderForm->nameField()->text(), "Work");
    ASSERT_NO_FATAL_FAILURE(retype(folderForm->nameField(), "Projects"));
    std::shared_ptr<ui::Button> save;
    std::function<void(const std::shared_ptr<ui::View>&)> find = [&](const auto& view) {
        if (view->accessibilityLabel() == "Save folder")
            save = std::dynamic_pointer_cast<ui::Button>(view);
        for (const auto& subview : view->subviews())
            find(subview);
    };
    find(folderForm->view());
    ASSERT_TRUE(save);
    input->click(centreOf(*save));
    ASSERT_EQ(shown<BookmarksController>(), list);
    EXPECT_EQ(storedName("Folder"), "Projects");
    ASSERT_TRUE(eventually([&] {
        auto first = cellAt(*list, 0);
        return first && first->cellLabel()->text() == "Projects";
    }));

    // The bookmark's row, clicked beside its controls, opens it.
    EXPECT_EQ(list->mode(), BookmarksController::editingMode);
    cell = cellAt(*list, 1);
    ASSERT_TRUE(cell);
    const std::size_t tabs = screen->tabs().size();
    input->click(centreOf(*cell->cellLabel()));
    ASSERT_TRUE(eventually([&] { return navigation()->topViewController() == screen; }));
    ASSERT_TRUE(eventually([&] { return screen->tabs().size() == tabs + 1; }));
    EXPECT_TRUE(finishes(*screen->selectedTab(), "Kept Page"));
}

} // namespace

namespace {

// Editing mode as the window shows it: Done stands where Edit was, so the same click ends the
// editing it began; a row's delete circle stays a red circle as it turns to confirm, and turns
// back at a second click.
TEST_F(BookmarkEditingTest, DoneStandsWhereEditWasAndTheDeleteCircleTurnsAsARedCircle) {
    auto context = delegate_->managedObjectContext();
    context->insertNewObject("Bookmark")->setValue("name", base::Value("Kept"));
    ASSERT_TRUE(context->save());
    click(*itemLabelled(screen->bottomBar()->items(), "Bookmarks"));
    auto list = shown<BookmarksController>();
    ASSERT_TRUE(list);
    auto editItem = itemLabelled(list->toolbar()->items(), "Edit");
    ASSERT_TRUE(editItem);
    const auto centreOfItem = [](const ui::BarButtonItem& item) {
        const ui::Rect frame = item.barView()->convertRectToView(item.frameInBar(), nullptr);
        return ui::Point(frame.midX(), frame.midY());
    };
    const ui::Point edit = centreOfItem(*editItem);
    input->click(edit);
    ASSERT_TRUE(eventually([&] { return list->mode() == BookmarksController::editingMode; }));
    auto done = itemLabelled(list->editToolbar()->items(), "Done");
    ASSERT_TRUE(done && done->barView());
    EXPECT_NEAR(centreOfItem(*done).x, edit.x, 1.0);
    EXPECT_NEAR(centreOfItem(*done).y, edit.y, 1.0);

    auto cell = cellAt(*list, 0);
    ASSERT_TRUE(cell);
    const auto circle = cell->deleteCircle();
    const ui::Point centre = centreOf(*circle);
    const double radius = circle->bounds().width() / 2;
    // Red within the circle (beside its mark), the row's white outside its round edge, and
    // nothing of another colour (a box drawn in place of the turned circle).
    const auto looksLikeTheCircle = [&] {
        const auto inside = pixel(ui::Point(centre.x - radius / 2, centre.y));
        const auto corner = pixel(ui::Point(centre.x - radius + 1, centre.y - radius + 1));
        return inside[0] > 200 && inside[1] < 60 && inside[2] < 60 && corner[0] > 240 &&
               corner[1] > 240 && corner[2] > 240;
    };
    ASSERT_TRUE(eventually(looksLikeTheCircle));
    input->click(centre);
    ASSERT_TRUE(eventually([&] { return cell->isDeleteConfirmationShown(); }));
    EXPECT_NE(circle->transform(), ui::AffineTransform::identity());
    EXPECT_TRUE(eventually(looksLikeTheCircle)) << "the turned circle is drawn otherwise";
    input->click(centre);
    ASSERT_TRUE(eventually([&] { return !cell->isDeleteConfirmationShown(); }));
    EXPECT_TRUE(eventually(looksLikeTheCircle));

    // The click that began editing ends it.
    ASSERT_TRUE(stillAnimations());
    input->click(edit);
    EXPECT_TRUE(eventually([&] { return list->mode() == BookmarksController::viewingMode; }));
}

// A form's title is shown whole when the bar has room for it: the back button gives up its
// long title for a short one rather than the title being cut.
TEST_F(BookmarkEditingTest, TheNewFolderFormShowsItsWholeTitleBesideTheBackButton) {
    click(*itemLabelled(screen->bottomBar()->items(), "Bookmarks"));
    auto list = shown<BookmarksController>();
    ASSERT_TRUE(list);
    click(*itemLabelled(list->toolbar()->items(), "New Folder"));
    auto form = shown<BookmarkFolderFormController>();
    ASSERT_TRUE(form);
    auto bar = navigation()->navigationBar();
    ASSERT_TRUE(bar && bar->window());
    EXPECT_EQ(form->navigationItem()->title(), "New Bookmark Folder");
    const gtk::PangoTextMeasurer drawn;
    const ui::Rect title = bar->titleFrame();
    EXPECT_GE(title.width(),
              drawn.measure("New Bookmark Folder", ui::NavigationBar::titleFont()).width);
    EXPECT_TRUE(bar->bounds().containsRect(title));
    ASSERT_TRUE(bar->showsBackButton());
    const ui::Rect back = bar->backButtonFrame();
    EXPECT_LE(back.maxX(), title.minX());
    EXPECT_GE(back.width(),
              drawn.measure(bar->backButtonText(), ui::NavigationBar::backButtonFont()).width);

    // The back button still goes back.
    input->click(bar->convertPointToView(back.center(), nullptr));
    EXPECT_EQ(shown<BookmarksController>(), list);
}

} // namespace
