#pragma once

#include "browser/BookmarkScreens.h"

// What the folder picker hands its pick to: the screen right below it on its navigation stack,
// the bookmark form. Main thread only.
class BookmarkFolderChooser {
public:
    virtual ~BookmarkFolderChooser() = default;

    // The folder picked: a Folder object, or the text "Bookmarks" for the top level.
    virtual void chooseFolder(const BookmarkListItem& folder) = 0;
};
