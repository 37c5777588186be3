#include "browser/BookmarkItem.h"

#include "platform/ui/InterfaceFile.h"

#include <mutex>
#include <numbers>

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
    if (auto list = this->list(); list && object_)
        list->setDeleteConfirmationOpen(object_, open);
}

void BookmarkItem::editItem(const ui::InterfaceObject&) {
    if (auto list = this->list(); list && object_)
        list->editObject(object_);
}

void BookmarkItem::deleteItem(const ui::InterfaceObject&) {
    auto list = this->list();
    // Held here: the row's removal may hand this cell back to the table's pool.
    auto object = object_;
    if (!list || !object)
        return;
    // A cell that the list's reload gave another row to shows that row's state already.
    if (!list->deleteObject(object) && object_ == object)
        disableDelete();
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
