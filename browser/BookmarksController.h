#pragma once

#include "browser/BookmarkList.h"
#include "browser/BookmarkScreenMakers.h"
#include "browser/BookmarkScreens.h"
#include "browser/BookmarksHost.h"
#include "platform/store/Context.h"
#include "platform/store/Object.h"
#include "platform/ui/Image.h"
#include "platform/ui/IndexPath.h"
#include "platform/ui/InterfaceObject.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/ViewController.h"

#include <memory>
#include <string>
#include <vector>

class BookmarkFolderFormController;
class BookmarksFormController;

// The bookmarks list: the folders, then the bookmarks, of one level of the store, each row an
// icon and a title. Made from the interface file "Bookmarks".
//
// Three modes:
// - viewing ('V'): a bookmark row opens the bookmark in a new tab of the browser screen (the
//   address goes through the user defaults "loded_item" and "opn_bookmark", which the browser
//   screen reads when it shows again); a folder row lists that folder in a list pushed above;
// - editing ('E'): the same, and each row shows a delete circle whose second tap confirms;
// - picking ('P'): a first row "Bookmarks" (the top level) and every folder; a tap hands the
//   choice to the screen just below on the navigation stack (a BookmarkFolderChooser, the
//   bookmark form) and goes back to it.
//
// Levels are listed by name: a folder lists the sub-folders and bookmarks of every folder that
// bears its name. Deleting a folder deletes only that folder's own contents.
//
// Main thread only.
class BookmarksController : public ui::ViewController,
                            public BookmarkList,
                            public ui::TableViewDataSource,
                            public ui::TableViewDelegate {
public:
    static constexpr const char* interfaceFile = "Bookmarks";
    static constexpr const char* interfaceClassName = "BookmarksController";
    static constexpr const char* folderImageName = "folder.png";
    static constexpr const char* bookmarkImageName = "bookmark.png";
    // The title of the list, and of the first row in picking mode (the top level).
    static constexpr const char* topLevelTitle = bookmarksTopLevelTitle;

    static constexpr char viewingMode = 'V';
    static constexpr char editingMode = 'E';
    static constexpr char pickingMode = 'P';

    // A list whose view comes from the interface file `nibName`.
    static std::shared_ptr<BookmarksController> create(std::string nibName = interfaceFile);
    explicit BookmarksController(std::string nibName);
    ~BookmarksController() override;

    // Lets interface files make this list, its cells and the folder form (the bookmark form
    // registers itself). Call it before loading a file that names one of them; safe to call
    // repeatedly.
    static void registerInterfaceClasses();

    std::string className() const override { return interfaceClassName; }

    // --- Properties.
    // The browser screen, when the list is the root of that screen's own bookmarks navigation;
    // held weakly, as the screen holds the list.
    std::shared_ptr<BookmarksHost> browserController() const { return browserController_.lock(); }
    void setBrowserController(const std::shared_ptr<BookmarksHost>& browser) {
        browserController_ = browser;
    }
    const std::shared_ptr<BookmarksFormController>& formController() const {
        return formController_;
    }
    void setFormController(std::shared_ptr<BookmarksFormController> form) {
        formController_ = std::move(form);
    }
    const std::shared_ptr<BookmarkFolderFormController>& folderController() const {
        return folderController_;
    }
    void setFolderController(std::shared_ptr<BookmarkFolderFormController> form) {
        folderController_ = std::move(form);
    }
    // What the edit control of a bookmark row opens; handed on to the lists this one pushes.
    const BookmarkScreenMakers& screenMakers() const { return screenMakers_; }
    void setScreenMakers(BookmarkScreenMakers makers) { screenMakers_ = std::move(makers); }
    const std::shared_ptr<store::Context>& managedObjectContext() const { return context_; }
    void setManagedObjectContext(std::shared_ptr<store::Context> context) {
        context_ = std::move(context);
    }
    // The folder whose contents are listed; null for the top level.
    const std::shared_ptr<store::Object>& currentFolder() const override { return currentFolder_; }
    void setCurrentFolder(std::shared_ptr<store::Object> folder) {
        currentFolder_ = std::move(folder);
    }
    // 'V', 'E' or 'P'; 0 until the view loads means viewing.
    char mode() const { return mode_; }
    void setMode(char mode) { mode_ = mode; }
    const std::vector<BookmarkListItem>& bookmarks() const { return bookmarks_; }
    void setBookmarks(std::vector<BookmarkListItem> rows) { bookmarks_ = std::move(rows); }
    const std::shared_ptr<ui::TableView>& tableView() const { return tableView_; }
    void setTableView(std::shared_ptr<ui::TableView> table) { tableView_ = std::move(table); }
    const std::shared_ptr<ui::Image>& bookmarkImage() const { return bookmarkImage_; }
    void setBookmarkImage(std::shared_ptr<ui::Image> image) { bookmarkImage_ = std::move(image); }
    const std::shared_ptr<ui::Image>& folderImage() const { return folderImage_; }
    void setFolderImage(std::shared_ptr<ui::Image> image) { folderImage_ = std::move(image); }
    const std::shared_ptr<ui::Toolbar>& toolbar() const { return toolbar_; }
    void setToolbar(std::shared_ptr<ui::Toolbar> bar) { toolbar_ = std::move(bar); }
    const std::shared_ptr<ui::Toolbar>& editToolbar() const { return editToolbar_; }
    void setEditToolbar(std::shared_ptr<ui::Toolbar> bar) { editToolbar_ = std::move(bar); }

    // --- Appearance.
    void loadView() override;
    void viewDidLoad() override;
    // Fetches the rows afresh, so a form that saved and went back leaves the list current.
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    ui::InterfaceOrientationMask supportedInterfaceOrientations() const override;
    ui::InterfaceOrientation preferredInterfaceOrientationForPresentation() const override;

    // The rows for the mode and the current folder, read from the store. Takes the
    // application delegate's context when the list has none.
    std::vector<BookmarkListItem> reloadBookmarks();

    // --- Actions.
    // Back to the browser screen: ends editing first. A list in the browser screen's own
    // bookmarks navigation dissolves into the browser screen's view; any list then pops its
    // navigation to the root.
    void switchToBrowser(const ui::InterfaceObject& sender);
    // Loads the row's address in the browser screen's selected tab and goes back to it.
    void openBookmark(ui::IndexPath indexPath);
    // Editing mode's bar stands in for the list's bar with the item that ends editing where the
    // item that began it was.
    void enableEditMode(const ui::InterfaceObject& sender);
    void finishEditMode(const ui::InterfaceObject& sender);
    // Shows the folder form to add a folder at this level.
    void addFolder(const ui::InterfaceObject& sender);
    // The edit control of a row: selects the object's row and pushes its form in edit mode
    // (the folder form for a folder, a fresh bookmark form from the screen makers for a
    // bookmark), which reads the object from that selection. Does nothing unless the list is on
    // top of its navigation and lists the object.
    void editObject(const std::shared_ptr<store::Object>& object) override;
    // A row's delete button: the object goes from the store, with the rows of anything its
    // deletion took along that this level lists too (a folder takes its own sub-folders,
    // depth first, then goes itself with the bookmarks it holds).
    bool deleteObject(const std::shared_ptr<store::Object>& object) override;
    std::shared_ptr<store::Object> selectedObject() const override;
    void reloadTable() override;

    // --- Delete confirmations, kept per object so that they follow the object's row.
    bool isDeleteConfirmationOpen(const std::shared_ptr<store::Object>& object) const override;
    void setDeleteConfirmationOpen(const std::shared_ptr<store::Object>& object,
                                   bool open) override;

    // --- Table.
    std::size_t tableViewNumberOfRowsInSection(ui::TableView& table, std::size_t section) override;
    std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& table,
                                                                      ui::IndexPath path) override;
    void tableViewWillDisplayCellForRowAtIndexPath(ui::TableView& table, ui::TableViewCell& cell,
                                                   ui::IndexPath path) override;
    void tableViewDidSelectRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override;

    // --- Interface file owner.
    bool setOutlet(const std::string& name, const ui::InterfaceObject& object) override;
    Action actionNamed(const std::string& name) override;

private:
    // Stores the bookmark's address for the browser screen and goes back to it.
    void openBookmarkInNewTab(ui::IndexPath indexPath,
                              const std::shared_ptr<store::Object>& bookmark);
    // Pushes a list of the folder's contents.
    void showFolder(const std::shared_ptr<store::Object>& folder);
    // Hands the picked row to the bookmark form below and goes back to it.
    void pickFolder(const BookmarkListItem& item);
    // The controller on this list's navigation stack that lies right below the run of bookmark
    // lists this one belongs to (the browser screen after showBookmarks), or null.
    std::shared_ptr<ui::ViewController> controllerBelowLists() const;
    // The bottom banner's place while a bookmark screen shows, and the interstitial the ad
    // placement requests after a bookmark is opened.
    void moveBannerForAppearance();
    void requestInterstitial();
    // Lays the edit bar out with its item that ends editing centred where the list's bar has
    // the item that begins it, so that the same click toggles the mode back.
    void placeDoneWhereEditIs();

    std::weak_ptr<BookmarksHost> browserController_;
    std::shared_ptr<BookmarksFormController> formController_;
    BookmarkScreenMakers screenMakers_;
    std::shared_ptr<BookmarkFolderFormController> folderController_;
    std::shared_ptr<store::Context> context_;
    std::shared_ptr<store::Object> currentFolder_;
    char mode_ = 0;
    std::vector<BookmarkListItem> bookmarks_;
    std::shared_ptr<ui::TableView> tableView_;
    std::shared_ptr<ui::Image> bookmarkImage_;
    std::shared_ptr<ui::Image> folderImage_;
    std::shared_ptr<ui::Toolbar> toolbar_;
    std::shared_ptr<ui::Toolbar> editToolbar_;
    // The objects whose delete confirmation is open.
    std::vector<std::shared_ptr<store::Object>> openConfirmations_;
};
