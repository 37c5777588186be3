#pragma once

#include "platform/store/Context.h"
#include "platform/ui/ViewController.h"

#include <functional>
#include <memory>

// The screens that the bookmarks list and the bookmark form open for each other, made by
// whoever builds the bookmark screens (BookmarkScreenFactory), so that neither of the two knows
// the other's class. A screen hands its makers on to the screens it opens. An empty maker
// leaves its control without effect. Main thread only.
struct BookmarkScreenMakers {
    using Maker =
        std::function<std::shared_ptr<ui::ViewController>(const std::shared_ptr<store::Context>&)>;

    // The list in picking mode over the context, for the bookmark form's folder button; it hands
    // the pick to the screen below it as a BookmarkFolderChooser.
    Maker folderPicker;
    // A fresh bookmark form in edit mode over the context, for a bookmark row's edit control.
    Maker bookmarkEditForm;
};
