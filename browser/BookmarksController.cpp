#include "browser/BookmarksController.h"

#include "browser/AdManager.h"
#include "browser/BookmarkFolderChooser.h"
#include "browser/BookmarkFolderFormController.h"
#include "browser/BookmarkItem.h"
#include "browser/BookmarkScreens.h"
#include "browser/BrowserDelegate.h"
#include "browser/NormalizedAddress.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/Predicate.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Toolbar.h"

#include <algorithm>
#include <mutex>
#include <set>

namespace {

bool isEntity(const std::shared_ptr<store::Object>& object, std::string_view entity) {
    return object && object->entityName() == entity;
}

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

std::shared_ptr<BookmarksController> BookmarksController::create(std::string nibName) {
    base::assertMainThread();
    registerInterfaceClasses();
    return std::make_shared<BookmarksController>(std::move(nibName));
}

BookmarksController::BookmarksController(std::string nibName)
    : ui::ViewController(std::move(nibName)) {}

BookmarksController::~BookmarksController() = default;

void BookmarksController::registerInterfaceClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        ui::InterfaceFile::registerClass(
            interfaceClassName, "ViewController", [](const base::Value::Dictionary&) {
                return ui::InterfaceObject(std::make_shared<BookmarksController>(interfaceFile));
            });
    });
    BookmarkItem::registerInterfaceClass();
    BookmarkFolderFormController::registerInterfaceClass();
}

// --- Appearance.

void BookmarksController::loadView() {
    ui::ViewController::loadView();
    ui::InterfaceFile::requireOutlets(nibName() + ".ui.json", "the bookmarks list",
                                      {
                                          {"tableView", tableView_ != nullptr},
                                          {"toolbar", toolbar_ != nullptr},
                                          {"editToolbar", editToolbar_ != nullptr},
                                          {"folderController", folderController_ != nullptr},
                                      });
}

void BookmarksController::viewDidLoad() {
    base::assertMainThread();
    // A folder's own list bears the folder's name.
    setTitle(currentFolder_ ? textValue(*currentFolder_, "name") : topLevelTitle);
    if (mode_ == 0)
        mode_ = viewingMode;
    if (auto browser = browserController())
        formController_ = browser->bookmarksFormController();
    setPreferredContentSize(bookmarkScreenContentSize);
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden(false);
    ui::ViewController::viewDidLoad();
}

void BookmarksController::viewWillAppear(bool animated) {
    if (!bookmarkImage_ || !folderImage_) {
        bookmarkImage_ = ui::Image::named(bookmarkImageName);
        folderImage_ = ui::Image::named(folderImageName);
    }
    if (!toolbar_->items().empty())
        toolbar_->items().front()->setEnabled(mode_ != pickingMode);
    bookmarks_ = reloadBookmarks();
    // A confirmation stays open only for an object that is still listed.
    std::erase_if(openConfirmations_, [this](const auto& object) {
        return std::none_of(bookmarks_.begin(), bookmarks_.end(),
                            [&](const BookmarkListItem& row) { return objectOf(row) == object; });
    });
    tableView_->reloadData();
    ui::ViewController::viewWillAppear(animated);
    moveBannerForAppearance();
}

void BookmarksController::viewDidAppear(bool animated) {
    ui::ViewController::viewDidAppear(animated);
    if (auto selected = tableView_->indexPathForSelectedRow())
        tableView_->deselectRowAtIndexPath(*selected, animated);
}

ui::InterfaceOrientationMask BookmarksController::supportedInterfaceOrientations() const {
    return ui::InterfaceOrientationMaskPortrait;
}

ui::InterfaceOrientation BookmarksController::preferredInterfaceOrientationForPresentation() const {
    return ui::InterfaceOrientation::Portrait;
}

void BookmarksController::moveBannerForAppearance() {
    AdManager::sharedInstance()->animate_banner(AdManager::bookmarkScreensBannerCentre());
}

void BookmarksController::requestInterstitial() {
    AdManager::sharedInstance()->showVeDivFullscreen();
}

// --- Rows.

std::vector<BookmarkListItem> BookmarksController::reloadBookmarks() {
    takeDelegateContextIfNone(context_);
    std::vector<BookmarkListItem> rows;
    if (mode_ == pickingMode)
        rows.emplace_back(std::string(topLevelTitle));
    if (!context_)
        return rows;

    std::vector<std::shared_ptr<store::Object>> objects;
    if (mode_ == pickingMode) {
        // Every folder; a failed fetch lists none.
        if (auto folders = context_->fetch(store::FetchRequest("Folder")))
            objects = std::move(folders).value();
    } else if (!currentFolder_) {
        objects = BrowserDelegate::topLevelItems(*context_);
    } else if (!currentFolder_->isDeleted()) {
        objects = BrowserDelegate::folderItems(*context_, textValue(*currentFolder_, "name"));
    }
    for (auto& object : objects)
        rows.emplace_back(std::move(object));
    return rows;
}

// --- Actions.

void BookmarksController::switchToBrowser(const ui::InterfaceObject&) {
    if (mode_ == editingMode)
        finishEditMode(ui::InterfaceObject());
    auto navigation = navigationController();
    if (!navigation)
        return;
    if (auto browser = browserController())
        crossDissolve(navigation, browser->browserScreen());
    navigation->popToRootViewControllerAnimated(false);
}

void BookmarksController::openBookmark(ui::IndexPath indexPath) {
    auto browser = browserController();
    if (!browser || indexPath.row >= bookmarks_.size())
        return;
    const auto& object = objectOf(bookmarks_[indexPath.row]);
    if (!isEntity(object, "Bookmark"))
        return;
    browser->loadBookmarkAddress(textValue(*object, "url"));
    switchToBrowser(ui::InterfaceObject());
}

void BookmarksController::enableEditMode(const ui::InterfaceObject&) {
    // The folder picker only picks.
    if (mode_ == pickingMode)
        return;
    mode_ = editingMode;
    toolbar_->setHidden(true);
    editToolbar_->setHidden(false);
    placeDoneWhereEditIs();
    tableView_->reloadData();
}

void BookmarksController::placeDoneWhereEditIs() {
    if (!toolbar_ || !editToolbar_)
        return;
    const auto withAction = [](const ui::Toolbar& bar, const std::string& action) {
        const auto& items = bar.items();
        auto found = std::find_if(items.begin(), items.end(),
                                  [&](const auto& item) { return item->actionName() == action; });
        return found == items.end() ? nullptr : *found;
    };
    const auto edit = withAction(*toolbar_, "enableEditMode");
    const auto done = withAction(*editToolbar_, "finishEditMode");
    if (!edit || !done || edit->barView() != toolbar_)
        return;
    toolbar_->layoutIfNeeded();
    const double centre =
        toolbar_->convertRectToView(edit->frameInBar(), editToolbar_.get()).midX();
    const double lead = centre - done->naturalWidth() / 2 - editToolbar_->bounds().minX() -
                        ui::Toolbar::edgeMargin - ui::Toolbar::itemSpacing;
    editToolbar_->setItems({ui::BarButtonItem::fixedSpace(std::max(0.0, lead)), done,
                            ui::BarButtonItem::flexibleSpace()});
}

void BookmarksController::finishEditMode(const ui::InterfaceObject&) {
    if (mode_ == pickingMode)
        return;
    mode_ = viewingMode;
    toolbar_->setHidden(false);
    editToolbar_->setHidden(true);
    openConfirmations_.clear();
    tableView_->reloadData();
}

void BookmarksController::addFolder(const ui::InterfaceObject&) {
    auto navigation = navigationController();
    // A second tap while the form is on its way in finds it on the stack already.
    if (!navigation || !folderController_ || folderController_->parentViewController())
        return;
    folderController_->setMode(BookmarkFolderFormController::addMode);
    if (!folderController_->managedObjectContext())
        folderController_->setManagedObjectContext(context_);
    navigation->pushViewController(folderController_, true);
}

void BookmarksController::editObject(const std::shared_ptr<store::Object>& object) {
    auto navigation = navigationController();
    // A second tap while a form is on its way in finds this list no longer on top.
    if (!navigation || navigation->topViewController().get() != this || !object ||
        object->isDeleted())
        return;
    const auto row =
        std::find_if(bookmarks_.begin(), bookmarks_.end(),
                     [&](const BookmarkListItem& item) { return objectOf(item) == object; });
    if (row == bookmarks_.end())
        return;
    std::shared_ptr<ui::ViewController> form;
    if (isEntity(object, "Folder")) {
        if (!folderController_ || folderController_->parentViewController())
            return;
        folderController_->setMode(BookmarkFolderFormController::editMode);
        if (!folderController_->managedObjectContext())
            folderController_->setManagedObjectContext(context_);
        form = folderController_;
    } else if (isEntity(object, "Bookmark")) {
        // A form of its own: nothing an earlier add left in a shared one (a chosen folder, a
        // hidden back control) comes along, so the form shows this bookmark's own folder.
        if (!screenMakers_.bookmarkEditForm)
            return;
        form = screenMakers_.bookmarkEditForm(context_);
    } else {
        return;
    }
    // The forms read the object to edit from the selected row of the list below them.
    tableView_->selectRowAtIndexPath(ui::IndexPath::forRow(std::size_t(row - bookmarks_.begin())),
                                     false, ui::TableViewScrollPosition::None);
    navigation->pushViewController(form, true);
}

std::shared_ptr<store::Object> BookmarksController::selectedObject() const {
    if (!tableView_)
        return nullptr;
    const auto selected = tableView_->indexPathForSelectedRow();
    if (!selected || selected->row >= bookmarks_.size())
        return nullptr;
    return objectOf(bookmarks_[selected->row]);
}

void BookmarksController::reloadTable() {
    if (tableView_)
        tableView_->reloadData();
}

bool BookmarksController::deleteObject(const std::shared_ptr<store::Object>& object) {
    if (!object)
        return false;
    setDeleteConfirmationOpen(object, false);
    const bool listed =
        std::any_of(bookmarks_.begin(), bookmarks_.end(),
                    [&](const BookmarkListItem& row) { return objectOf(row) == object; });
    // Nothing to delete here any more: the row went with an earlier deletion or reload.
    if (!context_ || !tableView_ || !listed || object->isDeleted())
        return false;

    if (isEntity(object, "Folder")) {
        std::set<const store::Object*> visited;
        deleteFolderTree(*context_, object, visited);
    } else {
        context_->deleteObject(object);
    }
    // The object's row goes, and with it the rows of anything its deletion took along that this
    // level lists too (folders and bookmarks are listed by their folder's name).
    std::vector<BookmarkListItem> kept;
    std::vector<ui::IndexPath> removed;
    for (std::size_t row = 0; row < bookmarks_.size(); ++row) {
        const auto& listedObject = objectOf(bookmarks_[row]);
        if (listedObject && listedObject->isDeleted())
            removed.push_back(ui::IndexPath::forRow(row));
        else
            kept.push_back(bookmarks_[row]);
    }

    if (!saveOrReport(*context_, "Could Not Delete")) {
        // Nothing was deleted: the store keeps the object, and so does the list.
        bookmarks_ = reloadBookmarks();
        tableView_->reloadData();
        return false;
    }
    bookmarks_ = std::move(kept);
    tableView_->deleteRowsAtIndexPaths(removed, ui::TableViewRowAnimation::Right);
    tableView_->reloadData();
    return true;
}

// --- Delete confirmations.

bool BookmarksController::isDeleteConfirmationOpen(
    const std::shared_ptr<store::Object>& object) const {
    return object && std::find(openConfirmations_.begin(), openConfirmations_.end(), object) !=
                         openConfirmations_.end();
}

void BookmarksController::setDeleteConfirmationOpen(const std::shared_ptr<store::Object>& object,
                                                    bool open) {
    if (!object)
        return;
    std::erase(openConfirmations_, object);
    if (open)
        openConfirmations_.push_back(object);
}

// --- Table.

std::size_t BookmarksController::tableViewNumberOfRowsInSection(ui::TableView&, std::size_t) {
    return bookmarks_.size();
}

std::shared_ptr<ui::TableViewCell>
BookmarksController::tableViewCellForRowAtIndexPath(ui::TableView& table, ui::IndexPath path) {
    auto cell = std::dynamic_pointer_cast<BookmarkItem>(
        table.dequeueReusableCellWithIdentifier(BookmarkItem::reuseIdentifierName));
    if (!cell)
        cell = BookmarkItem::loadFromInterfaceFile();
    cell->setList(std::static_pointer_cast<BookmarksController>(shared_from_this()));
    cell->setTableView(std::static_pointer_cast<ui::TableView>(table.shared_from_this()));
    cell->setIndexPath(path);

    const BookmarkListItem& item = bookmarks_.at(path.row);
    const auto& object = objectOf(item);
    cell->setObject(object);
    const bool bookmark = isEntity(object, "Bookmark");
    if (cell->cellImage())
        cell->cellImage()->setImage(bookmark ? bookmarkImage_ : folderImage_);
    if (cell->cellLabel())
        cell->cellLabel()->setText(object ? textValue(*object, "name")
                                          : std::get<std::string>(item));

    if (mode_ == editingMode)
        cell->enableEdit();
    else if (mode_ == viewingMode)
        cell->disableEdit();
    // A reused cell shows the confirmation of the object it shows now, not of its last one.
    if (mode_ == editingMode && isDeleteConfirmationOpen(object))
        cell->enableDelete();
    else
        cell->disableDelete();
    return cell;
}

void BookmarksController::tableViewWillDisplayCellForRowAtIndexPath(ui::TableView&,
                                                                    ui::TableViewCell& cell,
                                                                    ui::IndexPath) {
    if (auto* item = dynamic_cast<BookmarkItem*>(&cell); item && item->cellLabel())
        item->cellLabel()->setFont(ui::Font::italicSystemFont(17));
}

void BookmarksController::tableViewDidSelectRowAtIndexPath(ui::TableView&, ui::IndexPath path) {
    if (path.row >= bookmarks_.size())
        return;
    // A copy: what follows may replace the rows.
    const BookmarkListItem item = bookmarks_[path.row];
    if (mode_ == pickingMode) {
        pickFolder(item);
        return;
    }
    const auto& object = objectOf(item);
    if (isEntity(object, "Folder"))
        showFolder(object);
    else if (isEntity(object, "Bookmark"))
        openBookmarkInNewTab(path, object);
}

void BookmarksController::openBookmarkInNewTab(ui::IndexPath indexPath,
                                               const std::shared_ptr<store::Object>& bookmark) {
    auto below = controllerBelowLists();
    if (!below && browserController()) {
        // The browser screen's own bookmarks navigation: no browser screen lies below to go
        // back to, so the bookmark loads in the selected tab and the list gives way to it.
        openBookmark(indexPath);
        requestInterstitial();
        return;
    }
    const std::string address = normalizedAddress(textValue(*bookmark, "url"));
    auto defaults = base::UserDefaults::standard();
    defaults->setObject(BrowserDelegate::loadedItemKey, base::Value(address));
    base::log("hereeee  " + address);
    defaults->setBool(BrowserDelegate::openBookmarkKey, true);
    if (auto navigation = navigationController()) {
        if (below)
            navigation->popToViewController(below, true);
        else
            navigation->popViewControllerAnimated(true);
    }
    requestInterstitial();
}

void BookmarksController::showFolder(const std::shared_ptr<store::Object>& folder) {
    auto navigation = navigationController();
    if (!navigation)
        return;
    auto list = create();
    list->setManagedObjectContext(context_);
    list->setCurrentFolder(folder);
    list->setBrowserController(browserController());
    list->setFormController(formController_);
    list->setScreenMakers(screenMakers_);
    navigation->pushViewController(list, true);
}

void BookmarksController::pickFolder(const BookmarkListItem& item) {
    auto navigation = navigationController();
    if (!navigation)
        return;
    if (auto form = std::dynamic_pointer_cast<BookmarkFolderChooser>(controllerBelow(*this)))
        form->chooseFolder(item);
    navigation->popViewControllerAnimated(true);
}

std::shared_ptr<ui::ViewController> BookmarksController::controllerBelowLists() const {
    auto navigation = navigationController();
    if (!navigation)
        return nullptr;
    const auto& stack = navigation->viewControllers();
    auto position = std::find_if(stack.begin(), stack.end(), [this](const auto& controller) {
        return controller.get() == this;
    });
    if (position == stack.end())
        return nullptr;
    while (position != stack.begin() &&
           std::dynamic_pointer_cast<BookmarksController>(*(position - 1)))
        --position;
    return position == stack.begin() ? nullptr : *(position - 1);
}

// --- Interface file owner.

bool BookmarksController::setOutlet(const std::string& name, const ui::InterfaceObject& object) {
    if (name == "tableView")
        return ui::connectOutlet(tableView_, object);
    if (name == "toolbar")
        return ui::connectOutlet(toolbar_, object);
    if (name == "editToolbar")
        return ui::connectOutlet(editToolbar_, object);
    if (name == "folderController")
        return ui::connectOutlet(folderController_, object);
    if (name == "browserController") {
        // Any controller that hosts the list, found by the interface rather than its class.
        auto host = object.dynamicAs<BookmarksHost>();
        if (host)
            browserController_ = host;
        return host != nullptr;
    }
    return ui::ViewController::setOutlet(name, object);
}

ui::InterfaceFileOwner::Action BookmarksController::actionNamed(const std::string& name) {
    static const ui::NamedAction<BookmarksController> actions[] = {
        {"addFolder", &BookmarksController::addFolder},
        {"enableEditMode", &BookmarksController::enableEditMode},
        {"finishEditMode", &BookmarksController::finishEditMode},
        {"switchToBrowser", &BookmarksController::switchToBrowser},
    };
    return ui::bindAction(*this, name, actions);
}
