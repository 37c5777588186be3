#include "browser/BookmarksFormController.h"

#include "browser/AdManager.h"
#include "browser/BookmarkScreens.h"
#include "browser/BrowserDelegate.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"

#include <mutex>

namespace {

constexpr const char* saveFailedTitle = "Could Not Save Bookmark";
constexpr const char* saveTitle = "Save";

} // namespace

std::shared_ptr<BookmarksFormController> BookmarksFormController::create(std::string nibName) {
    base::assertMainThread();
    registerInterfaceClass();
    return std::make_shared<BookmarksFormController>(std::move(nibName));
}

BookmarksFormController::BookmarksFormController(std::string nibName)
    : ui::ViewController(std::move(nibName)) {}

BookmarksFormController::~BookmarksFormController() = default;

void BookmarksFormController::registerInterfaceClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        ui::InterfaceFile::registerClass(
            interfaceClassName, "ViewController", [](const base::Value::Dictionary&) {
                return ui::InterfaceObject(
                    std::make_shared<BookmarksFormController>(interfaceFile));
            });
    });
}

// --- Appearance.

void BookmarksFormController::loadView() {
    ui::ViewController::loadView();
    ui::InterfaceFile::requireOutlets(nibName() + ".ui.json", "the bookmark form",
                                      {
                                          {"parentField", parentField_ != nullptr},
                                          {"nameField", nameField_ != nullptr},
                                          {"urlField", urlField_ != nullptr},
                                      });
}

void BookmarksFormController::viewDidLoad() {
    base::assertMainThread();
    takeDelegateContextIfNone(context_);
    if (mode_ == 0)
        mode_ = addMode;
    std::weak_ptr<BookmarksFormController> weak =
        std::static_pointer_cast<BookmarksFormController>(shared_from_this());
    doneButton_ = ui::BarButtonItem::createWithTitle(saveTitle, ui::BarButtonItemStyle::Done);
    doneButton_->setAction(this, "saveBookmark", [weak](ui::BarButtonItem& sender) {
        if (auto self = weak.lock())
            self->saveBookmark(ui::InterfaceObject(sender.shared_from_this()));
    });
    cancelButton_ = ui::BarButtonItem::createWithSystemItem(ui::BarButtonSystemItem::Cancel);
    cancelButton_->setAction(this, "switchToBrowser", [weak](ui::BarButtonItem& sender) {
        if (auto self = weak.lock())
            self->switchToBrowser(ui::InterfaceObject(sender.shared_from_this()));
    });
    setPreferredContentSize(bookmarkScreenContentSize);
    ui::ViewController::viewDidLoad();
}

void BookmarksFormController::willMoveToParentViewController(ui::ViewController* parent) {
    // Pushed afresh or taken off the stack: either way the next appearance is a new use.
    returningFromPicker_ = false;
    ui::ViewController::willMoveToParentViewController(parent);
}

void BookmarksFormController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (returningFromPicker_)
        returningFromPicker_ = false;
    else
        fillForm();
    showSelectedFolder();
    moveBannerForAppearance();
}

void BookmarksFormController::viewDidAppear(bool animated) {
    ui::ViewController::viewDidAppear(animated);
    nameField_->becomeFirstResponder();
}

void BookmarksFormController::fillForm() {
    auto& item = *navigationItem();
    item.setRightBarButtonItem(doneButton_);
    if (mode_ == editMode) {
        setTitle(editTitle);
        // The navigation controller's back control shows instead.
        item.setLeftBarButtonItem(nullptr);
        if (auto bookmark = bookmarkAtSelectedRowBelow()) {
            urlField_->setText(textValue(*bookmark, "url"));
            nameField_->setText(textValue(*bookmark, "name"));
            if (!selectedFolder_)
                if (auto folder = bookmark->relatedObject("Folder"))
                    selectedFolder_ = BookmarkListItem(std::move(folder));
        }
        return;
    }
    setTitle(addTitle);
    item.setLeftBarButtonItem(cancelButton_);
    if (defaultUrlFieldText_) {
        urlField_->setText(*defaultUrlFieldText_);
        nameField_->setText(untitledName);
        defaultUrlFieldText_.reset();
        return;
    }
    auto defaults = base::UserDefaults::standard();
    const auto url = defaults->stringForKey(BrowserDelegate::bookmarkURLKey);
    if (url != noPageAddress) {
        urlField_->setText(url.value_or(""));
        nameField_->setText(defaults->stringForKey(BrowserDelegate::bookmarkTitleKey).value_or(""));
    }
}

void BookmarksFormController::showSelectedFolder() {
    // A folder deleted since it was chosen is no place for a bookmark: back to the top level.
    if (auto folder = selectedFolderObject(); folder && folder->isDeleted())
        selectedFolder_.reset();
    const auto folder = selectedFolderObject();
    parentField_->setTitle(folder ? textValue(*folder, "name") : bookmarksTopLevelTitle,
                           ui::ControlStateNormal);
}

ui::InterfaceOrientationMask BookmarksFormController::supportedInterfaceOrientations() const {
    return ui::InterfaceOrientationMaskPortrait;
}

ui::InterfaceOrientation
BookmarksFormController::preferredInterfaceOrientationForPresentation() const {
    return ui::InterfaceOrientation::Portrait;
}

void BookmarksFormController::moveBannerForAppearance() {
    AdManager::sharedInstance()->animate_banner(AdManager::bookmarkScreensBannerCentre());
}

void BookmarksFormController::requestInterstitial() {
    AdManager::sharedInstance()->showVeDivFullscreen();
}

// --- Actions.

void BookmarksFormController::switchToBrowser(const ui::InterfaceObject&) {
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

void BookmarksFormController::folderSelect(const ui::InterfaceObject&) {
    auto navigation = navigationController();
    // Only from the top of the stack: a second tap while the picker comes in does nothing.
    if (!navigation || navigation->topViewController().get() != this || !screenMakers_.folderPicker)
        return;
    auto picker = screenMakers_.folderPicker(context_);
    if (!picker)
        return;
    returningFromPicker_ = true;
    navigation->pushViewController(picker, true);
}

std::shared_ptr<store::Object> BookmarksFormController::bookmarkAtSelectedRowBelow() const {
    return selectedObjectInListBelow(*this, "Bookmark");
}

std::shared_ptr<store::Object> BookmarksFormController::selectedFolderObject() const {
    return selectedFolder_ ? objectOf(*selectedFolder_) : nullptr;
}

void BookmarksFormController::saveBookmark(const ui::InterfaceObject&) {
    if (!context_) {
        showFailureAlert(saveFailedTitle, "The bookmark store is not available.");
        return;
    }
    std::shared_ptr<store::Object> bookmark;
    if (mode_ == editMode) {
        bookmark = bookmarkAtSelectedRowBelow();
        if (!bookmark || bookmark->isDeleted()) {
            showFailureAlert(saveFailedTitle, "The bookmark to change is no longer there.");
            return;
        }
    }
    const auto folder = selectedFolderObject();
    if (folder && folder->isDeleted()) {
        showFailureAlert(saveFailedTitle, "The chosen folder is no longer there.");
        return;
    }
    if (!bookmark)
        bookmark = context_->insertNewObject("Bookmark");
    bookmark->setValue("name", base::Value(nameField_->text()));
    bookmark->setValue("url", base::Value(urlField_->text()));
    bookmark->setRelatedObject("Folder", folder);

    // A refused save leaves the form open with what was typed.
    if (!saveOrReport(*context_, saveFailedTitle))
        return;
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
    requestInterstitial();
}

// --- Interface file owner.

bool BookmarksFormController::setOutlet(const std::string& name,
                                        const ui::InterfaceObject& object) {
    if (name == "parentField")
        return ui::connectOutlet(parentField_, object);
    if (name == "nameField")
        return ui::connectOutlet(nameField_, object);
    if (name == "urlField")
        return ui::connectOutlet(urlField_, object);
    return ui::ViewController::setOutlet(name, object);
}

ui::InterfaceFileOwner::Action BookmarksFormController::actionNamed(const std::string& name) {
    static const ui::NamedAction<BookmarksFormController> actions[] = {
        {"switchToBrowser", &BookmarksFormController::switchToBrowser},
        {"folderSelect", &BookmarksFormController::folderSelect},
        {"saveBookmark", &BookmarksFormController::saveBookmark},
    };
    return ui::bindAction(*this, name, actions);
}
