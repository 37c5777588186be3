#pragma once

#include "browser/BookmarkScreenMakers.h"

#include <memory>

class BookmarksController;
class BookmarksFormController;

// Builds the bookmark screens wired to open each other: the list's edit control opens a
// bookmark form, the form's folder button a folder picker. Main thread only.
class BookmarkScreenFactory {
public:
    // Lets interface files make the bookmark screens' classes (the list, its cells and both
    // forms). Safe to call repeatedly.
    static void registerInterfaceClasses();

    static BookmarkScreenMakers makers();

    // A list in viewing mode, and a bookmark form, each with the makers.
    static std::shared_ptr<BookmarksController> list();
    static std::shared_ptr<BookmarksFormController> bookmarkForm();

    // Gives a screen that an interface file made the makers.
    static void wire(BookmarksController& list);
    static void wire(BookmarksFormController& form);
};
