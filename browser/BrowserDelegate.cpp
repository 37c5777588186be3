#include "browser/BrowserDelegate.h"

#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/Log.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/Predicate.h"
#include "platform/store/StoreError.h"

#include <cstdlib>
#include <set>

namespace {

std::vector<std::shared_ptr<store::Object>> fetchOrNothing(store::Context& context,
                                                           store::FetchRequest request) {
    auto result = context.fetch(request);
    if (!result)
        return {};
    return std::move(result).value();
}

std::vector<std::shared_ptr<store::Object>> foldersInsideFoldersNamed(store::Context& context,
                                                                      const base::Value& name) {
    return fetchOrNothing(
        context, store::FetchRequest("Folder", store::Predicate::equal("Parent.name", name)));
}

// Deletion by folder name, depth first. `expanded` holds the names whose sub-folders are already
// being deleted: a folder that bears such a name (a folder "A" inside a folder "A") would fetch the
// same sub-folders again, itself among them, and never end.
void deleteByName(store::Context& context, const std::shared_ptr<store::Object>& object,
                  std::set<std::string>& expanded) {
    if (object->isDeleted())
        return;
    if (object->entityName() == "Folder") {
        // A folder without a name has no name to match: "Parent.name == nil" would take every
        // top-level folder with it. Its own sub-folders go by the model's cascade rule.
        const auto name = object->value("name");
        if (const auto* text = name.string(); text && expanded.insert(*text).second) {
            for (const auto& child : foldersInsideFoldersNamed(context, name))
                deleteByName(context, child, expanded);
        }
    }
    if (!object->isDeleted())
        context.deleteObject(object);
}

} // namespace

BrowserDelegate::BrowserDelegate() = default;
BrowserDelegate::~BrowserDelegate() = default;

std::shared_ptr<BrowserDelegate> BrowserDelegate::shared() {
    return std::dynamic_pointer_cast<BrowserDelegate>(ui::Application::shared().delegate());
}

void BrowserDelegate::setTerminator(Terminator terminator) {
    terminator_ = std::move(terminator);
}

std::filesystem::path BrowserDelegate::applicationLibraryDirectory() const {
    return base::AppHome::libraryDirectory();
}

std::shared_ptr<const store::Model> BrowserDelegate::managedObjectModel() {
    if (model_ || failed_)
        return model_;
    auto path = base::Bundle::main().pathForResource(modelResourceName, modelResourceType);
    if (!path) {
        fail(store::storeError(store::FileReadNoSuchFileError,
                               std::string("The data model resource ") + modelResourceName + "." +
                                   modelResourceType + " is missing."));
        return nullptr;
    }
    auto model = store::Model::fromFile(*path);
    if (!model) {
        fail(model.error());
        return nullptr;
    }
    model_ = *model;
    return model_;
}

std::shared_ptr<store::Context> BrowserDelegate::managedObjectContext() {
    if (context_ || failed_)
        return context_;
    auto model = managedObjectModel();
    if (!model)
        return nullptr;
    auto context = store::Context::open(applicationLibraryDirectory() / storeFileName, model);
    if (!context) {
        fail(context.error());
        return nullptr;
    }
    context_ = *context;
    return context_;
}

std::string BrowserDelegate::unresolvedErrorLine(const base::Error& error) {
    const std::string description = "Error Domain=" + error.domain +
                                    " Code=" + std::to_string(error.code) + " \"" +
                                    error.localizedDescription() + "\"";
    return "Unresolved error " + description + ", " + base::Value(error.userInfo).description();
}

void BrowserDelegate::fail(const base::Error& error) {
    failed_ = true;
    base::log(unresolvedErrorLine(error));
    if (terminator_)
        terminator_();
    else
        std::abort();
}

void BrowserDelegate::deleteObjectByFolderName(store::Context& context,
                                               const std::shared_ptr<store::Object>& object) {
    std::set<std::string> expanded;
    deleteByName(context, object, expanded);
}

std::vector<std::shared_ptr<store::Object>>
BrowserDelegate::topLevelItems(store::Context& context) {
    auto items = fetchOrNothing(
        context, store::FetchRequest("Folder", store::Predicate::equal("Parent", base::Value())));
    auto bookmarks = fetchOrNothing(
        context,
        store::FetchRequest("Bookmark", store::Predicate::equal("Folder.name", base::Value())));
    items.insert(items.end(), bookmarks.begin(), bookmarks.end());
    return items;
}

std::vector<std::shared_ptr<store::Object>>
BrowserDelegate::folderItems(store::Context& context, const std::string& folderName) {
    auto items = foldersInsideFoldersNamed(context, base::Value(folderName));
    auto bookmarks = fetchOrNothing(
        context, store::FetchRequest(
                     "Bookmark", store::Predicate::equal("Folder.name", base::Value(folderName))));
    items.insert(items.end(), bookmarks.begin(), bookmarks.end());
    return items;
}

void BrowserDelegate::takeContextIfNone(std::shared_ptr<store::Context>& context) {
    if (context)
        return;
    if (auto delegate = shared())
        context = delegate->managedObjectContext();
    base::log("After managedObjectContext: " +
              (context ? context->description() : std::string("(null)")));
}
