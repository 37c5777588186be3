#pragma once

// For tests only: the browser screen in a window (see BrowserScreenTest) with the application
// delegate's bookmark store in the test's own app home, and helpers to fill the store and to
// drive the bookmark screens as a user would.

#include "browser/BookmarkFolderFormController.h"
#include "browser/BookmarkItem.h"
#include "browser/BookmarkScreenFactory.h"
#include "browser/BookmarkStoreFixture.h"
#include "browser/BookmarksController.h"
#include "browser/BookmarksFormController.h"
#include "browser/BrowserDelegate.h"
#include "browser/BrowserScreenTest.h"
#include "platform/base/Seconds.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/Predicate.h"
#include "platform/store/SQLiteDatabase.h"
#include "platform/store/StoreSchema.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Presentation.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class BookmarksTest : public BrowserScreenTest, protected BookmarkStoreFixture {
protected:
    void SetUp() override {
        BrowserScreenTest::SetUp();
        ui::Presentation::shared().reset();
        ASSERT_NO_FATAL_FAILURE(openStore());
        ui::Application::shared().setDelegate(delegate);
        showScreen();
    }

    void TearDown() override {
        ui::Presentation::shared().reset();
        BrowserScreenTest::TearDown();
    }

    // --- The store.
    void save() { ASSERT_TRUE(context->save()); }

    // What a fresh context on the store file reads: "name" or "parent/name" per folder, and
    // "folder/name" or "name" per bookmark, in store order. Unsaved changes are not in it.
    std::vector<std::string> storedFolders() { return stored("Folder", "Parent"); }
    std::vector<std::string> storedBookmarks() { return stored("Bookmark", "Folder"); }

    // --- Screens.
    // Lets pushes, pops and transitions finish.
    static void settle() {
        base::RunLoop::main().runUntilIdle();
        base::RunLoop::main().advance(base::Seconds(1));
        base::RunLoop::main().runUntilIdle();
    }

    // Pushes a bookmarks list over the browser screen, as the screen's bookmarks button does.
    std::shared_ptr<BookmarksController> showBookmarks() {
        auto list = BookmarkScreenFactory::list();
        navigation->pushViewController(list, true);
        settle();
        return list;
    }

    template <class T> std::shared_ptr<T> top() const {
        return std::dynamic_pointer_cast<T>(navigation->topViewController());
    }

    // The cell that shows the row; fails the test when the row shows none.
    static std::shared_ptr<BookmarkItem> cellAt(BookmarksController& list, std::size_t row) {
        auto cell = std::dynamic_pointer_cast<BookmarkItem>(
            list.tableView()->cellForRowAtIndexPath(ui::IndexPath::forRow(row)));
        EXPECT_TRUE(cell) << "no cell for row " << row;
        return cell;
    }

    // The rows as the table shows them: "F:<title>" with the folder icon, "B:<title>" with the
    // bookmark icon.
    static std::vector<std::string> rows(BookmarksController& list) {
        std::vector<std::string> out;
        const auto count = list.tableView()->numberOfRowsInSection(0);
        for (std::size_t row = 0; row < count; ++row) {
            auto cell = cellAt(list, row);
            if (!cell)
                break;
            const auto& image = cell->cellImage()->image();
            const std::string kind = !image                            ? "?"
                                     : image->name() == "folder.png"   ? "F"
                                     : image->name() == "bookmark.png" ? "B"
                                                                       : image->name();
            out.push_back(kind + ":" + cell->cellLabel()->text());
        }
        return out;
    }

    static void tapRow(BookmarksController& list, std::size_t row) {
        ASSERT_TRUE(list.tableView()->simulateTapRow(row));
        settle();
    }

    // The item of a toolbar, by its accessibility label.
    static std::shared_ptr<ui::BarButtonItem> barItem(const ui::Toolbar& bar,
                                                      const std::string& label) {
        for (const auto& item : bar.items())
            if (item->accessibilityLabel() == label)
                return item;
        ADD_FAILURE() << "no bar item " << label;
        return nullptr;
    }

    // A control inside the view, by its accessibility label.
    template <class T>
    static std::shared_ptr<T> control(const std::shared_ptr<ui::View>& view,
                                      const std::string& label) {
        if (view->accessibilityLabel() == label)
            if (auto typed = std::dynamic_pointer_cast<T>(view))
                return typed;
        for (const auto& subview : view->subviews())
            if (auto found = control<T>(subview, label))
                return found;
        return nullptr;
    }

    static std::shared_ptr<ui::AlertView> shownAlert() {
        return ui::Presentation::shared().topAlertView();
    }

    // A save that did not happen: its alert says why, the form stays on top and nothing is
    // left pending in the store's context.
    void expectSaveRefused(const ui::ViewController& form, const std::string& title,
                           const std::string& why) {
        auto alert = shownAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->title(), title);
        EXPECT_NE(alert->message().find(why), std::string::npos) << alert->message();
        EXPECT_EQ(navigation->topViewController().get(), &form);
        EXPECT_FALSE(context->hasChanges());
    }

private:
    std::vector<std::string> stored(const std::string& entity, const std::string& link) {
        auto fresh = store::Context::open(context->path(), delegate->managedObjectModel());
        EXPECT_TRUE(fresh);
        if (!fresh)
            return {};
        auto objects = (*fresh)->fetch(store::FetchRequest(entity));
        EXPECT_TRUE(objects);
        std::vector<std::string> out;
        for (const auto& object : *objects) {
            std::string name = *object->value("name").string();
            if (auto parent = object->relatedObject(link))
                name = *parent->value("name").string() + "/" + name;
            out.push_back(std::move(name));
        }
        return out;
    }
};
