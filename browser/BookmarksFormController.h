#pragma once

#include "browser/BookmarkFolderChooser.h"
#include "browser/BookmarkScreenMakers.h"
#include "browser/BookmarkScreens.h"
#include "platform/store/Context.h"
#include "platform/store/Object.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/InterfaceObject.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

#include <memory>
#include <optional>
#include <string>

// The form that adds a bookmark, or changes one: its name, its address and its folder. Made
// from the interface file "BookmarksForm" and pushed on a navigation controller.
//
// Adding, the fields start from an address handed to the form (defaultUrlFieldText, used
// once, with the name "Untitled") or else from the page the user defaults "title" and "url"
// describe ("about:blank" for the url meaning no page: the fields keep what they hold).
// Editing, they show the bookmark at the selected row of the bookmarks list just below the
// form. The folder button pushes the folder picker that the screen makers make; coming back
// from it keeps what was typed.
//
// What is typed is stored as it is. A save that the store refuses is undone, reported in an
// alert, and leaves the form open with what was typed.
//
// Main thread only.
class BookmarksFormController : public ui::ViewController, public BookmarkFolderChooser {
public:
    static constexpr const char* interfaceFile = "BookmarksForm";
    static constexpr const char* interfaceClassName = "BookmarksFormController";
    static constexpr char addMode = 'A';
    static constexpr char editMode = 'E';
    static constexpr const char* addTitle = "Add Bookmark";
    static constexpr const char* editTitle = "Edit Bookmark";
    // The name a bookmark made from a handed address starts with.
    static constexpr const char* untitledName = "Untitled";
    // The user defaults' address that means "no page".
    static constexpr const char* noPageAddress = "about:blank";

    static std::shared_ptr<BookmarksFormController> create(std::string nibName = interfaceFile);
    explicit BookmarksFormController(std::string nibName);
    ~BookmarksFormController() override;

    // Lets interface files make forms of this class, under its name. Safe to call repeatedly.
    static void registerInterfaceClass();

    std::string className() const override { return interfaceClassName; }

    // --- Outlets.
    const std::shared_ptr<ui::Button>& parentField() const { return parentField_; }
    void setParentField(std::shared_ptr<ui::Button> button) { parentField_ = std::move(button); }
    const std::shared_ptr<ui::TextField>& nameField() const { return nameField_; }
    void setNameField(std::shared_ptr<ui::TextField> field) { nameField_ = std::move(field); }
    const std::shared_ptr<ui::TextField>& urlField() const { return urlField_; }
    void setUrlField(std::shared_ptr<ui::TextField> field) { urlField_ = std::move(field); }

    // --- Properties.
    // The bar items, made when the view loads.
    const std::shared_ptr<ui::BarButtonItem>& cancelButton() const { return cancelButton_; }
    void setCancelButton(std::shared_ptr<ui::BarButtonItem> item) {
        cancelButton_ = std::move(item);
    }
    const std::shared_ptr<ui::BarButtonItem>& doneButton() const { return doneButton_; }
    void setDoneButton(std::shared_ptr<ui::BarButtonItem> item) { doneButton_ = std::move(item); }
    // The bookmark's folder: a Folder object, or the text "Bookmarks" (the top level) as the
    // folder picker hands it; nullopt also means the top level. Kept between uses of the form.
    const std::optional<BookmarkListItem>& selectedFolder() const { return selectedFolder_; }
    void setSelectedFolder(std::optional<BookmarkListItem> folder) {
        selectedFolder_ = std::move(folder);
    }
    // The folder picker hands its pick here.
    void chooseFolder(const BookmarkListItem& folder) override { setSelectedFolder(folder); }
    // What the folder button opens.
    const BookmarkScreenMakers& screenMakers() const { return screenMakers_; }
    void setScreenMakers(BookmarkScreenMakers makers) { screenMakers_ = std::move(makers); }
    // An address to fill in once, adding.
    const std::optional<std::string>& defaultUrlFieldText() const { return defaultUrlFieldText_; }
    void setDefaultUrlFieldText(std::optional<std::string> text) {
        defaultUrlFieldText_ = std::move(text);
    }
    // 'A' or 'E'; 0 until the view loads means adding.
    char mode() const { return mode_; }
    void setMode(char mode) { mode_ = mode; }
    const std::shared_ptr<store::Context>& managedObjectContext() const { return context_; }
    void setManagedObjectContext(std::shared_ptr<store::Context> context) {
        context_ = std::move(context);
    }

    // --- Appearance.
    // Loads the interface file and checks that it connected the three fields.
    void loadView() override;
    void viewDidLoad() override;
    // Fills the form, unless it is coming back from the folder picker.
    void viewWillAppear(bool animated) override;
    // The name field takes the keyboard once the form is on screen.
    void viewDidAppear(bool animated) override;
    ui::InterfaceOrientationMask supportedInterfaceOrientations() const override;
    ui::InterfaceOrientation preferredInterfaceOrientationForPresentation() const override;

    // --- Actions.
    // Leaves the form without saving.
    void switchToBrowser(const ui::InterfaceObject& sender);
    // Pushes the folder picker; does nothing without a maker for it.
    void folderSelect(const ui::InterfaceObject& sender);
    // Stores the bookmark, then leaves the form.
    void saveBookmark(const ui::InterfaceObject& sender);

    // A form that is pushed or taken off its stack starts afresh on its next appearance.
    void willMoveToParentViewController(ui::ViewController* parent) override;

    // --- Interface file owner.
    bool setOutlet(const std::string& name, const ui::InterfaceObject& object) override;
    Action actionNamed(const std::string& name) override;

private:
    void fillForm();
    // Shows the chosen folder's name on the folder button ("Bookmarks" for the top level).
    void showSelectedFolder();
    // The bookmark at the selected row of the bookmarks list just below the form, or null.
    std::shared_ptr<store::Object> bookmarkAtSelectedRowBelow() const;
    // The chosen folder object; null for the top level.
    std::shared_ptr<store::Object> selectedFolderObject() const;
    void moveBannerForAppearance();
    void requestInterstitial();

    std::shared_ptr<ui::Button> parentField_;
    std::shared_ptr<ui::TextField> nameField_;
    std::shared_ptr<ui::TextField> urlField_;
    std::shared_ptr<ui::BarButtonItem> cancelButton_;
    std::shared_ptr<ui::BarButtonItem> doneButton_;
    std::optional<BookmarkListItem> selectedFolder_;
    BookmarkScreenMakers screenMakers_;
    std::optional<std::string> defaultUrlFieldText_;
    char mode_ = 0;
    std::shared_ptr<store::Context> context_;
    // Set while the folder picker is above the form, so that coming back keeps the fields.
    bool returningFromPicker_ = false;
};
