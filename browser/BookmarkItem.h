#pragma once

#include "browser/BookmarkList.h"
#include "platform/store/Object.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/IndexPath.h"
#include "platform/ui/InterfaceFileOwner.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"

#include <memory>
#include <string>

// A row of the bookmarks list: an icon and a title, and in editing mode a delete circle that
// opens a confirming delete button and, beside it, an edit control that opens the row's
// bookmark or folder in its form. Made from the interface file "BookmarkItem".
//
// The cell knows the object it shows (null for the list's "Bookmarks" row in picking mode). A
// confirmation that is open belongs to that object, not to the cell: the list remembers it, a
// cell reused for another row shows that row's own state, and the delete button asks the list
// to delete the object the cell shows now, wherever its row has moved.
class BookmarkItem : public ui::TableViewCell, public ui::InterfaceFileOwner {
public:
    static constexpr const char* interfaceFile = "BookmarkItem";
    static constexpr const char* reuseIdentifierName = "BookmarkItem";
    static constexpr const char* interfaceClassName = "BookmarkItem";

    explicit BookmarkItem(ui::TableViewCellStyle style = ui::TableViewCellStyle::Default,
                          std::string reuseIdentifier = {});
    static std::shared_ptr<BookmarkItem>
    create(ui::TableViewCellStyle style = ui::TableViewCellStyle::Default,
           std::string reuseIdentifier = {}) {
        return std::make_shared<BookmarkItem>(style, std::move(reuseIdentifier));
    }
    // A cell from the interface file "BookmarkItem" (loaded without an owner). Throws
    // ui::InterfaceFileError when the file cannot be loaded or holds no such cell.
    static std::shared_ptr<BookmarkItem> loadFromInterfaceFile();
    // Lets interface files make cells of this class, under its name. Safe to call repeatedly.
    static void registerInterfaceClass();

    std::string className() const override { return interfaceClassName; }

    // --- Back-references to the list, not owned.
    std::shared_ptr<BookmarkList> list() const { return list_.lock(); }
    void setList(const std::shared_ptr<BookmarkList>& list) { list_ = list; }
    std::shared_ptr<ui::TableView> tableView() const { return tableView_.lock(); }
    void setTableView(const std::shared_ptr<ui::TableView>& table) { tableView_ = table; }
    // The row the cell shows at present.
    ui::IndexPath indexPath() const { return indexPath_; }
    void setIndexPath(ui::IndexPath path) { indexPath_ = path; }
    // The folder or bookmark the row shows; null for the "Bookmarks" row.
    const std::shared_ptr<store::Object>& object() const { return object_; }
    void setObject(std::shared_ptr<store::Object> object) { object_ = std::move(object); }

    // --- Outlets.
    const std::shared_ptr<ui::Label>& cellLabel() const { return cellLabel_; }
    void setCellLabel(std::shared_ptr<ui::Label> label) { cellLabel_ = std::move(label); }
    const std::shared_ptr<ui::ImageView>& cellImage() const { return cellImage_; }
    void setCellImage(std::shared_ptr<ui::ImageView> image) { cellImage_ = std::move(image); }
    const std::shared_ptr<ui::Button>& deleteCircle() const { return deleteCircle_; }
    void setDeleteCircle(std::shared_ptr<ui::Button> button) { deleteCircle_ = std::move(button); }
    // Shown in editing mode, right of the delete circle.
    const std::shared_ptr<ui::Button>& editButton() const { return editButton_; }
    void setEditButton(std::shared_ptr<ui::Button> button) { editButton_ = std::move(button); }
    const std::shared_ptr<ui::Button>& deleteConfirmation() const { return deleteConfirmation_; }
    void setDeleteConfirmation(std::shared_ptr<ui::Button> button) {
        deleteConfirmation_ = std::move(button);
    }

    // --- Edit layout. Each does nothing when the cell is already in the state it asks for.
    // Shows the delete circle and the edit control and moves the icon and the label right by
    // the room they take (editRoom).
    void enableEdit();
    // Hides them, moves the content back and closes an open confirmation.
    void disableEdit();
    // From the circle's left edge to the edit control's right edge (the circle's width alone
    // for a cell without an edit control).
    double editRoom() const;
    // Turns the circle a quarter and shows the confirming button, narrowing the label.
    void enableDelete();
    void disableDelete();
    bool isDeleteConfirmationShown() const;

    // --- Actions.
    // Opens the confirmation, or closes it when it is open.
    void deleteCircleClick(const ui::InterfaceObject& sender);
    // Opens the form of the object the cell shows, in edit mode (BookmarkList::editObject).
    void editItem(const ui::InterfaceObject& sender);
    // Asks the list to delete the object the cell shows (BookmarkList::deleteObject); the
    // confirmation closes when nothing was deleted.
    void deleteItem(const ui::InterfaceObject& sender);

    // --- Interface file owner.
    bool setOutlet(const std::string& name, const ui::InterfaceObject& object) override;
    Action actionNamed(const std::string& name) override;

private:
    std::weak_ptr<BookmarkList> list_;
    std::weak_ptr<ui::TableView> tableView_;
    ui::IndexPath indexPath_;
    std::shared_ptr<store::Object> object_;
    std::shared_ptr<ui::Label> cellLabel_;
    std::shared_ptr<ui::ImageView> cellImage_;
    std::shared_ptr<ui::Button> deleteCircle_;
    std::shared_ptr<ui::Button> editButton_;
    std::shared_ptr<ui::Button> deleteConfirmation_;
};
