#include "browser/BookmarkScreenFactory.h"

#include "browser/BookmarksController.h"
#include "browser/BookmarksFormController.h"

void BookmarkScreenFactory::registerInterfaceClasses() {
    BookmarksController::registerInterfaceClasses();
    BookmarksFormController::registerInterfaceClass();
}

BookmarkScreenMakers BookmarkScreenFactory::makers() {
    BookmarkScreenMakers makers;
    makers.folderPicker = [](const std::shared_ptr<store::Context>& context) {
        auto picker = list();
        picker->setMode(BookmarksController::pickingMode);
        picker->setManagedObjectContext(context);
        return std::shared_ptr<ui::ViewController>(std::move(picker));
    };
    makers.bookmarkEditForm = [](const std::shared_ptr<store::Context>& context) {
        auto form = bookmarkForm();
        form->setMode(BookmarksFormController::editMode);
        form->setManagedObjectContext(context);
        return std::shared_ptr<ui::ViewController>(std::move(form));
    };
    return makers;
}

std::shared_ptr<BookmarksController> BookmarkScreenFactory::list() {
    registerInterfaceClasses();
    auto made = BookmarksController::create();
    wire(*made);
    return made;
}

std::shared_ptr<BookmarksFormController> BookmarkScreenFactory::bookmarkForm() {
    auto made = BookmarksFormController::create();
    wire(*made);
    return made;
}

void BookmarkScreenFactory::wire(BookmarksController& list) {
    list.setScreenMakers(makers());
}

void BookmarkScreenFactory::wire(BookmarksFormController& form) {
    form.setScreenMakers(makers());
}
