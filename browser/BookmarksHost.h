#pragma once

#include "platform/ui/ViewController.h"

#include <memory>
#include <string>

class BookmarksFormController;

// What the bookmarks list needs of the browser screen whose own bookmarks navigation it is the
// root of: the bookmark form the screen keeps, a page load in the selected tab, and the
// screen's controller that the list gives way to. BrowserViewController implements it; tests
// may use a host of their own. The list holds its host weakly (the screen holds the list).
class BookmarksHost {
public:
    virtual ~BookmarksHost() = default;

    virtual std::shared_ptr<BookmarksFormController> bookmarksFormController() const = 0;
    // Loads the address in the selected tab as a typed address does.
    virtual void loadBookmarkAddress(const std::string& address) = 0;
    // The screen's controller, whose view takes the list's place.
    virtual std::shared_ptr<ui::ViewController> browserScreen() = 0;
};
