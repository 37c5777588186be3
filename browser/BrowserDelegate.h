#pragma once

#include "platform/base/Error.h"
#include "platform/store/Context.h"
#include "platform/store/Model.h"
#include "platform/ui/Application.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The application delegate's base: owner of the bookmark store, built on first use and kept
// for the life of the process. Every screen that was not handed a context takes this one.
//
// The store is the file "Browser.sqlite" in the app home's Library folder, with the model
// "BrowserModel" from the resources; a file written with an older compatible model is
// migrated in place. The browser does not run on a store it cannot open: the failure is
// written to the console and the process stops.
class BrowserDelegate : public ui::ApplicationDelegate {
public:
    static constexpr const char* storeFileName = "Browser.sqlite";
    static constexpr const char* modelResourceName = "BrowserModel";
    static constexpr const char* modelResourceType = "json";

    // User-defaults keys through which bookmark data passes between screens.
    // A bookmark is waiting to be opened in a new tab (boolean).
    static constexpr const char* openBookmarkKey = "opn_bookmark";
    // The address of that bookmark (string).
    static constexpr const char* loadedItemKey = "loded_item";
    // The default name and address of a new bookmark (strings; "about:blank" means no page).
    static constexpr const char* bookmarkTitleKey = "title";
    static constexpr const char* bookmarkURLKey = "url";

    // What stops the process when the store cannot be opened; by default std::abort.
    using Terminator = std::function<void()>;

    BrowserDelegate();
    ~BrowserDelegate() override;

    // The one context, opened on first call.
    std::shared_ptr<store::Context> managedObjectContext();
    // The model, loaded on first call.
    std::shared_ptr<const store::Model> managedObjectModel();
    std::filesystem::path applicationLibraryDirectory() const;

    // The delegate of the running application when it is a BrowserDelegate, else null.
    static std::shared_ptr<BrowserDelegate> shared();
    // Gives a screen that was handed no context the application delegate's; the console line
    // says what it got. Does nothing when `context` is set already.
    static void takeContextIfNone(std::shared_ptr<store::Context>& context);

    // Replaces what stops the process (tests record the stop instead); an empty function
    // restores the default. When the replacement returns, the accessors answer null.
    void setTerminator(Terminator terminator);

    // Deletes the object, matching folders by name as the listings do: a named folder first
    // takes, depth first in fetch order, every folder whose parent bears its name, wherever
    // that parent is, then goes itself; its bookmarks go by the model's cascade rule. A folder
    // without a name has no name to match and takes only what that rule gives it. The caller
    // saves.
    //
    // The bookmark screens do not delete through this: they follow a folder's own Parent
    // relationship, so that a folder elsewhere bearing the same name keeps its contents.
    static void deleteObjectByFolderName(store::Context& context,
                                         const std::shared_ptr<store::Object>& object);

    // The listings of the bookmark screens: the top level (folders without a parent, then
    // bookmarks without a folder), and the contents of the folders bearing a name. A failed
    // fetch lists nothing.
    static std::vector<std::shared_ptr<store::Object>> topLevelItems(store::Context& context);
    static std::vector<std::shared_ptr<store::Object>> folderItems(store::Context& context,
                                                                   const std::string& folderName);

    // "Unresolved error <error>, <user info>": the console line of a store that cannot be
    // opened.
    static std::string unresolvedErrorLine(const base::Error& error);

private:
    // Writes the console line and stops the process.
    void fail(const base::Error& error);

    std::shared_ptr<const store::Model> model_;
    std::shared_ptr<store::Context> context_;
    bool failed_ = false;
    Terminator terminator_;
};
