#pragma once

#include "platform/store/Object.h"

#include <memory>

// What a row of the bookmarks list and the forms pushed above the list ask of it: a row asks the
// list to delete or edit the object it shows and to remember its open delete confirmation; a
// form reads the selected row's object and the listed folder, and has the rows shown afresh
// after it saved. BookmarksController implements it; rows and forms hold it weakly (the list
// owns its cells, and its navigation the forms). Main thread only.
class BookmarkList {
public:
    virtual ~BookmarkList() = default;

    // The folder whose contents are listed; null for the top level.
    virtual const std::shared_ptr<store::Object>& currentFolder() const = 0;
    // The object of the selected row; null when no row is selected or it shows none.
    virtual std::shared_ptr<store::Object> selectedObject() const = 0;
    // Draws the rows it holds again (a form renamed one of them).
    virtual void reloadTable() = 0;

    virtual bool isDeleteConfirmationOpen(const std::shared_ptr<store::Object>& object) const = 0;
    virtual void setDeleteConfirmationOpen(const std::shared_ptr<store::Object>& object,
                                           bool open) = 0;
    // Opens the object's form in edit mode.
    virtual void editObject(const std::shared_ptr<store::Object>& object) = 0;
    // Deletes the listed object from the store (a folder with everything in it) and its rows
    // from the list. False when nothing changed: the object is not listed here any more, is
    // deleted already, or the store refused (an alert says why, and the list is read afresh).
    virtual bool deleteObject(const std::shared_ptr<store::Object>& object) = 0;
};
