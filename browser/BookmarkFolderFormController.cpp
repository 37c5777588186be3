#include "browser/BookmarkFolderFormController.h"

#include "browser/BookmarksController.h"
#include "browser/BrowserDelegate.h"
#include "platform/base/Log.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/NavigationController.h"

#include <algorithm>
#include <mutex>

namespace {

constexpr ui::Size popoverContentSize{320, 480};
constexpr const char* saveFailedTitle = "Could Not Save Folder";

void reportSaveFailure(const std::string& message) {
    ui::AlertView::create(saveFailedTitle, message, {}, "OK")->show();
}

} // namespace

std::shared_ptr<BookmarkFolderFormController>
BookmarkFolderFormController::create(std::string nibName) {
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
    if (!context_) {
        if (auto delegate = BrowserDelegate::shared())
            context_ = delegate->managedObjectContext();
        base::log("After managedObjectContext: " +
                  (context_ ? context_->description() : std::string("(null)")));
    }
    if (mode_ == 0)
        mode_ = addMode;
    setPreferredContentSize(popoverContentSize);
    ui::ViewController::viewDidLoad();
}

void BookmarkFolderFormController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (mode_ == editMode) {
        if (auto selected = folderAtSelectedRowBelow())
            folder_ = std::move(selected);
        setTitle(editTitle);
        const auto name = folder_ ? folder_->value("name") : base::Value();
        if (nameField_)
            nameField_->setText(name.string() ? *name.string() : std::string());
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

std::shared_ptr<ui::ViewController>
BookmarkFolderFormController::controllerBelow(std::size_t distance) const {
    auto navigation = navigationController();
    if (!navigation)
        return nullptr;
    const auto& stack = navigation->viewControllers();
    auto position = std::find_if(stack.begin(), stack.end(), [this](const auto& controller) {
        return controller.get() == this;
    });
    if (position == stack.end() ||
        std::distance(stack.begin(), position) < std::ptrdiff_t(distance))
        return nullptr;
    return *(position - std::ptrdiff_t(distance));
}

std::shared_ptr<store::Object> BookmarkFolderFormController::folderAtSelectedRowBelow() const {
    auto list = std::dynamic_pointer_cast<BookmarksController>(controllerBelow(1));
    if (!list || !list->tableView())
        return nullptr;
    auto selected = list->tableView()->indexPathForSelectedRow();
    if (!selected || selected->row >= list->bookmarks().size())
        return nullptr;
    const auto& object = BookmarksController::objectOf(list->bookmarks()[selected->row]);
    return object && object->entityName() == "Folder" ? object : nullptr;
}

void BookmarkFolderFormController::saveFolder(const ui::InterfaceObject&) {
    if (!context_) {
        reportSaveFailure("The bookmark store is not available.");
        return;
    }
    if (mode_ == editMode) {
        if (auto selected = folderAtSelectedRowBelow())
            folder_ = std::move(selected);
        if (!folder_ || folder_->isDeleted()) {
            reportSaveFailure("The folder to rename is no longer there.");
            return;
        }
    } else {
        // The new folder goes into the folder that the list below lists.
        auto list = std::dynamic_pointer_cast<BookmarksController>(controllerBelow(1));
        auto parent = list ? list->currentFolder() : nullptr;
        if (parent && parent->isDeleted()) {
            reportSaveFailure("The folder to add it to is no longer there.");
            return;
        }
        folder_ = context_->insertNewObject("Folder");
        if (parent)
            folder_->setRelatedObject("Parent", parent);
    }
    folder_->setValue("name", base::Value(nameField_ ? nameField_->text() : std::string()));

    auto saved = context_->save();
    if (!saved) {
        // Undone, so that a later save does not write it after all; the form keeps the text.
        context_->rollback();
        if (mode_ != editMode)
            folder_.reset();
        reportSaveFailure(saved.error().localizedDescription());
        return;
    }
    if (auto list = bookmarksController(); list && list->tableView())
        list->tableView()->reloadData();
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
    if (name == "bookmarksController")
        return ui::connectOutlet(bookmarksController_, object);
    return ui::ViewController::setOutlet(name, object);
}

ui::InterfaceFileOwner::Action BookmarkFolderFormController::actionNamed(const std::string& name) {
    static const ui::NamedAction<BookmarkFolderFormController> actions[] = {
        {"saveFolder", &BookmarkFolderFormController::saveFolder},
    };
    return ui::bindAction(*this, name, actions);
}
