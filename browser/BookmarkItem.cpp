#include "browser/BookmarkItem.h"

#include "browser/BookmarkScreens.h"
#include "browser/BookmarksController.h"
#include "platform/store/Context.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/Predicate.h"
#include "platform/ui/InterfaceFile.h"

#include <algorithm>
#include <mutex>
#include <numbers>
#include <set>

namespace {

// Deletes the folder's own sub-folders, depth first in fetch order, then the folder. The fetch
// goes by the parent's name, as the listings do, but only the folders whose parent is this
// very folder are taken: a folder elsewhere that bears the same name keeps its contents, and a
// folder holding one of its own name is not fetched again as its own child. `visited` ends a
// chain of parents that loops back on itself. Deleting the folder then takes its bookmarks by
// the model's rule.
void deleteFolderTree(store::Context& context, const std::shared_ptr<store::Object>& folder,
                      std::set<const store::Object*>& visited) {
    if (folder->isDeleted() || !visited.insert(folder.get()).second)
        return;
    auto children = context.fetch(store::FetchRequest(
        "Folder", store::Predicate::equal("Parent.name", folder->value("name"))));
    if (children) {
        for (const auto& child : *children)
            if (child->relatedObject("Parent") == folder)
                deleteFolderTree(context, child, visited);
    }
    context.deleteObject(folder);
}

} // namespace

BookmarkItem::BookmarkItem(ui::TableViewCellStyle style, std::string reuseIdentifier)
    : ui::TableViewCell(style, std::move(reuseIdentifier)) {}

void BookmarkItem::registerInterfaceClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        ui::InterfaceFile::registerClass(interfaceClassName, "TableViewCell",
                                         [](const base::Value::Dictionary&) {
                                             return ui::InterfaceObject(BookmarkItem::create());
                                         });
    });
}

std::shared_ptr<BookmarkItem> BookmarkItem::loadFromInterfaceFile() {
    registerInterfaceClass();
    auto objects = ui::InterfaceFile::load(interfaceFile);
    if (!objects)
        throw ui::InterfaceFileError(objects.error());
    // The first cell of the file, which must be one of ours.
    for (const auto& object : *objects) {
        auto cell = object.as<ui::TableViewCell>();
        if (!cell)
            continue;
        if (auto item = std::dynamic_pointer_cast<BookmarkItem>(cell))
            return item;
        break;
    }
    throw ui::InterfaceFileError(ui::InterfaceFile::makeError(
        std::string(interfaceFile) + ".ui.json", "the first table cell must be a BookmarkItem",
        ui::InterfaceFile::UnknownClass));
}

// --- Edit layout.

double BookmarkItem::editRoom() const {
    if (!deleteCircle_)
        return 0;
    if (!editButton_)
        return deleteCircle_->bounds().width();
    // The circle's frame may be turned a quarter (a square stays a square); its centre holds.
    const double circleLeft = deleteCircle_->center().x - deleteCircle_->bounds().width() / 2;
    return editButton_->frame().maxX() - circleLeft;
}

void BookmarkItem::enableEdit() {
    if (!deleteCircle_ || !deleteCircle_->isHidden())
        return;
    deleteCircle_->setHidden(false);
    if (editButton_)
        editButton_->setHidden(false);
    const double shift = editRoom();
    if (cellImage_) {
        auto frame = cellImage_->frame();
        frame.origin.x += shift;
        cellImage_->setFrame(frame);
    }
    if (cellLabel_) {
        const auto frame = cellLabel_->frame();
        const auto bounds = cellLabel_->bounds();
        cellLabel_->setFrame(ui::Rect(frame.origin.x + shift, frame.origin.y,
                                      bounds.width() - shift, bounds.height()));
    }
}

void BookmarkItem::disableEdit() {
    if (!deleteCircle_ || deleteCircle_->isHidden())
        return;
    deleteCircle_->setHidden(true);
    if (editButton_)
        editButton_->setHidden(true);
    const double shift = editRoom();
    if (cellImage_) {
        auto frame = cellImage_->frame();
        frame.origin.x -= shift;
        cellImage_->setFrame(frame);
    }
    if (cellLabel_) {
        const auto frame = cellLabel_->frame();
        const auto bounds = cellLabel_->bounds();
        cellLabel_->setFrame(ui::Rect(frame.origin.x - shift, frame.origin.y,
                                      bounds.width() + shift, bounds.height()));
    }
    if (isDeleteConfirmationShown())
        disableDelete();
}

bool BookmarkItem::isDeleteConfirmationShown() const {
    return deleteConfirmation_ && !deleteConfirmation_->isHidden();
}

void BookmarkItem::enableDelete() {
    if (!deleteConfirmation_ || isDeleteConfirmationShown())
        return;
    if (deleteCircle_)
        deleteCircle_->setTransform(ui::AffineTransform::rotation(std::numbers::pi / 2));
    deleteConfirmation_->setHidden(false);
    if (cellLabel_) {
        const auto frame = cellLabel_->frame();
        const auto bounds = cellLabel_->bounds();
        cellLabel_->setFrame(ui::Rect(frame.origin.x, frame.origin.y,
                                      bounds.width() - deleteConfirmation_->bounds().width(),
                                      bounds.height()));
    }
}

void BookmarkItem::disableDelete() {
    if (!isDeleteConfirmationShown())
        return;
    if (deleteCircle_)
        deleteCircle_->setTransform(ui::AffineTransform::identity());
    deleteConfirmation_->setHidden(true);
    if (cellLabel_) {
        const auto frame = cellLabel_->frame();
        const auto bounds = cellLabel_->bounds();
        cellLabel_->setFrame(ui::Rect(frame.origin.x, frame.origin.y,
                                      bounds.width() + deleteConfirmation_->bounds().width(),
                                      bounds.height()));
    }
}

// --- Actions.

void BookmarkItem::deleteCircleClick(const ui::InterfaceObject&) {
    if (!deleteConfirmation_)
        return;
    const bool open = !isDeleteConfirmationShown();
    if (open)
        enableDelete();
    else
        disableDelete();
    if (auto list = bookmarksController(); list && object_)
        list->setDeleteConfirmationOpen(object_, open);
}

void BookmarkItem::editItem(const ui::InterfaceObject&) {
    if (auto list = bookmarksController(); list && object_)
        list->editObject(object_);
}

void BookmarkItem::deleteItem(const ui::InterfaceObject&) {
    auto list = bookmarksController();
    auto table = tableView();
    // Held here: the row's removal below may hand this cell back to the table's pool.
    auto object = object_;
    if (!list || !table || !object)
        return;
    list->setDeleteConfirmationOpen(object, false);
    auto context = list->managedObjectContext();
    const auto& rows = list->bookmarks();
    const bool listed = std::any_of(rows.begin(), rows.end(), [&](const auto& row) {
        return BookmarksController::objectOf(row) == object;
    });
    if (!context || !listed || object->isDeleted()) {
        // Nothing to delete here any more: the row went with an earlier deletion or reload.
        disableDelete();
        return;
    }

    deleteItemFromDB(object);
    // The object's row goes, and with it the rows of anything its deletion took along that this
    // level lists too (folders and bookmarks are listed by their folder's name).
    std::vector<BookmarksController::Item> kept;
    std::vector<ui::IndexPath> removed;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const auto& listedObject = BookmarksController::objectOf(rows[row]);
        if (listedObject && listedObject->isDeleted())
            removed.push_back(ui::IndexPath::forRow(row));
        else
            kept.push_back(rows[row]);
    }

    if (!saveOrReport(*context, "Could Not Delete")) {
        // Nothing was deleted: the store keeps the object, and so does the list.
        disableDelete();
        list->setBookmarks(list->reloadBookmarks());
        table->reloadData();
        return;
    }
    list->setBookmarks(std::move(kept));
    table->deleteRowsAtIndexPaths(removed, ui::TableViewRowAnimation::Right);
    table->reloadData();
}

void BookmarkItem::deleteItemFromDB(const std::shared_ptr<store::Object>& object) {
    auto list = bookmarksController();
    auto context = list ? list->managedObjectContext() : nullptr;
    if (!context || !object || object->isDeleted())
        return;
    if (object->entityName() == "Folder") {
        std::set<const store::Object*> visited;
        deleteFolderTree(*context, object, visited);
    } else {
        context->deleteObject(object);
    }
}

// --- Interface file owner.

bool BookmarkItem::setOutlet(const std::string& name, const ui::InterfaceObject& object) {
    if (name == "cellLabel")
        return ui::connectOutlet(cellLabel_, object);
    if (name == "cellImage")
        return ui::connectOutlet(cellImage_, object);
    if (name == "deleteCircle")
        return ui::connectOutlet(deleteCircle_, object);
    if (name == "deleteConfirmation")
        return ui::connectOutlet(deleteConfirmation_, object);
    if (name == "editButton")
        return ui::connectOutlet(editButton_, object);
    return false;
}

ui::InterfaceFileOwner::Action BookmarkItem::actionNamed(const std::string& name) {
    static const ui::NamedAction<BookmarkItem> actions[] = {
        {"deleteCircleClick", &BookmarkItem::deleteCircleClick},
        {"deleteItem", &BookmarkItem::deleteItem},
        {"editItem", &BookmarkItem::editItem},
    };
    return ui::bindAction(*this, name, actions);
}
