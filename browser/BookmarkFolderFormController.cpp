#include "browser/BookmarkFolderFormController.h"

#include "browser/BookmarkScreens.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/NavigationController.h"

#include <mutex>

namespace {

constexpr const char* saveFailedTitle = "Could Not Save Folder";

} // namespace

std::shared_ptr<BookmarkFolderFormController>
BookmarkFolderFormController::create(std::string nibName) {
    base::assertMainThread();
    registerInterfaceClass();
    return std::make_shared<BookmarkFolderFormController>(std::move(nibName));
}

BookmarkFolderFormController::BookmarkFolderFormController(std::string nibName)
    : ui::ViewController(std::move(nibName)) {}

BookmarkFolderFormController::~BookmarkFolderFormController() = default;

void BookmarkFolderFormController::registerInterfaceClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        ui::InterfaceFile::registerClass(
            interfaceClassName, "ViewController", [](const base::Value::Dictionary&) {
                return ui::InterfaceObject(
                    std::make_shared<BookmarkFolderFormController>(std::string()));
            });
    });
}

// --- Appearance.

void BookmarkFolderFormController::loadView() {
    if (fileView_)
        setView(std::move(fileView_));
    else
        ui::ViewController::loadView();
}

void BookmarkFolderFormController::viewDidLoad() {
    base::assertMainThread();
    takeDelegateContextIfNone(context_);
    if (mode_ == 0)
        mode_ = addMode;
    setPreferredContentSize(bookmarkScreenContentSize);
    ui::ViewController::viewDidLoad();
}

void BookmarkFolderFormController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (mode_ == editMode) {
        if (auto selected = folderAtSelectedRowBelow())
            folder_ = std::move(selected);
        setTitle(editTitle);
        if (nameField_)
            nameField_->setText(folder_ ? textValue(*folder_, "name") : std::string());
    } else {
        folder_.reset();
        setTitle(addTitle);
        if (nameField_)
            nameField_->setText("");
    }
}

void BookmarkFolderFormController::viewDidAppear(bool animated) {
    ui::ViewController::viewDidAppear(animated);
    if (nameField_)
        nameField_->becomeFirstResponder();
}

// --- Saving.

std::shared_ptr<store::Object> BookmarkFolderFormController::folderAtSelectedRowBelow() const {
    return selectedObjectInListBelow(*this, "Folder");
}

void BookmarkFolderFormController::saveFolder(const ui::InterfaceObject&) {
    if (!context_) {
        showFailureAlert(saveFailedTitle, "The bookmark store is not available.");
        return;
    }
    if (mode_ == editMode) {
        if (auto selected = folderAtSelectedRowBelow())
            folder_ = std::move(selected);
        if (!folder_ || folder_->isDeleted()) {
            showFailureAlert(saveFailedTitle, "The folder to rename is no longer there.");
            return;
        }
    } else {
        // The new folder goes into the folder that the list below lists.
        auto list = std::dynamic_pointer_cast<BookmarkList>(controllerBelow(*this));
        auto parent = list ? list->currentFolder() : nullptr;
        if (parent && parent->isDeleted()) {
            showFailureAlert(saveFailedTitle, "The folder to add it to is no longer there.");
            return;
        }
        folder_ = context_->insertNewObject("Folder");
        if (parent)
            folder_->setRelatedObject("Parent", parent);
    }
    folder_->setValue("name", base::Value(nameField_ ? nameField_->text() : std::string()));

    // A refused save leaves the form open with what was typed; a folder it was adding is gone.
    if (!saveOrReport(*context_, saveFailedTitle)) {
        if (mode_ != editMode)
            folder_.reset();
        return;
    }
    if (auto list = bookmarksController())
        list->reloadTable();
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

// --- Interface file owner.

bool BookmarkFolderFormController::setOutlet(const std::string& name,
                                             const ui::InterfaceObject& object) {
    if (name == "nameField")
        return ui::connectOutlet(nameField_, object);
    if (name == "view" && !isViewLoaded())
        return ui::connectOutlet(fileView_, object);
    if (name == "bookmarksController") {
        auto list = object.dynamicAs<BookmarkList>();
        if (list)
            bookmarksController_ = list;
        return list != nullptr;
    }
    return ui::ViewController::setOutlet(name, object);
}

ui::InterfaceFileOwner::Action BookmarkFolderFormController::actionNamed(const std::string& name) {
    static const ui::NamedAction<BookmarkFolderFormController> actions[] = {
        {"saveFolder", &BookmarkFolderFormController::saveFolder},
    };
    return ui::bindAction(*this, name, actions);
}
