#pragma once

#include "browser/BookmarkList.h"
#include "platform/store/Context.h"
#include "platform/store/Object.h"
#include "platform/ui/InterfaceObject.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

#include <memory>
#include <string>

// The form that names a new bookmark folder, or renames one. It lives in the bookmarks list's
// interface file, which gives it its view (the name field and a control that saves), and the
// list pushes it. A new folder goes into the folder that the list below the form lists (the
// top level for the top-level list).
//
// A save that the store refuses is undone, reported in an alert, and leaves the form open
// with what was typed.
//
// Main thread only.
class BookmarkFolderFormController : public ui::ViewController {
public:
    static constexpr const char* interfaceClassName = "BookmarkFolderFormController";
    static constexpr char addMode = 'A';
    static constexpr char editMode = 'E';
    static constexpr const char* addTitle = "New Bookmark Folder";
    static constexpr const char* editTitle = "Edit Bookmark Folder";

    static std::shared_ptr<BookmarkFolderFormController> create(std::string nibName = {});
    explicit BookmarkFolderFormController(std::string nibName);
    ~BookmarkFolderFormController() override;

    // Lets interface files make forms of this class, under its name. Safe to call repeatedly.
    static void registerInterfaceClass();

    std::string className() const override { return interfaceClassName; }

    // --- Properties.
    // The list whose table is reloaded after a save; not owned.
    std::shared_ptr<BookmarkList> bookmarksController() const {
        return bookmarksController_.lock();
    }
    void setBookmarksController(const std::shared_ptr<BookmarkList>& list) {
        bookmarksController_ = list;
    }
    const std::shared_ptr<ui::TextField>& nameField() const { return nameField_; }
    void setNameField(std::shared_ptr<ui::TextField> field) { nameField_ = std::move(field); }
    // 'A' or 'E'; 0 until the view loads means adding.
    char mode() const { return mode_; }
    void setMode(char mode) { mode_ = mode; }
    const std::shared_ptr<store::Context>& managedObjectContext() const { return context_; }
    void setManagedObjectContext(std::shared_ptr<store::Context> context) {
        context_ = std::move(context);
    }
    // The folder being renamed, or the one just created.
    const std::shared_ptr<store::Object>& folder() const { return folder_; }
    void setFolder(std::shared_ptr<store::Object> folder) { folder_ = std::move(folder); }

    // --- Appearance.
    // The view is the one the list's interface file made for the form, so that it loads (and
    // viewDidLoad runs) on first use like any other controller's.
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    // The name field takes the keyboard once the form is on screen.
    void viewDidAppear(bool animated) override;

    // --- Actions.
    // Stores the folder, then goes back to the list.
    void saveFolder(const ui::InterfaceObject& sender);

    // --- Interface file owner.
    bool setOutlet(const std::string& name, const ui::InterfaceObject& object) override;
    Action actionNamed(const std::string& name) override;

private:
    // The folder at the selected row of the list just below, in edit mode.
    std::shared_ptr<store::Object> folderAtSelectedRowBelow() const;

    // The view from the interface file, until the view is first asked for.
    std::shared_ptr<ui::View> fileView_;
    std::weak_ptr<BookmarkList> bookmarksController_;
    std::shared_ptr<ui::TextField> nameField_;
    char mode_ = 0;
    std::shared_ptr<store::Context> context_;
    std::shared_ptr<store::Object> folder_;
};
