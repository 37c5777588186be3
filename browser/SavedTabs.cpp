#include "browser/SavedTabs.h"

#include "browser/BrowserDelegate.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/store/FetchRequest.h"

namespace {

constexpr const char* savedTabEntity = "Tab";

std::shared_ptr<store::Context> applicationStore() {
    auto delegate = BrowserDelegate::shared();
    return delegate ? delegate->managedObjectContext() : nullptr;
}

std::string describeObjects(const std::vector<std::shared_ptr<store::Object>>& objects) {
    std::string text = "(";
    for (std::size_t i = 0; i < objects.size(); ++i)
        text += (i ? ", " : "") + objects[i]->description();
    return text + ")";
}

std::string describeError(const base::Error& error) {
    return "Error Domain=" + error.domain + " Code=" + std::to_string(error.code) + " \"" +
           error.localizedDescription() + "\"";
}

} // namespace

SavedTabs::SavedTabs()
    : SavedTabs(applicationStore()) {}

SavedTabs::SavedTabs(std::shared_ptr<store::Context> context)
    : context_(std::move(context)) {
    if (!context_)
        base::log("The saved tabs are out of reach: the application has no bookmark store");
}

void SavedTabs::replaceWith(const std::vector<Entry>& tabs) {
    base::assertMainThread();
    auto earlier = fetchAll("inserting");
    if (!earlier)
        return;
    for (const auto& object : *earlier)
        context_->deleteObject(object);
    std::vector<std::shared_ptr<store::Object>> saved;
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        auto object = context_->insertNewObject(savedTabEntity);
        object->setValue("title", base::Value(tabs[i].title.value_or("")));
        object->setValue("url", base::Value(tabs[i].url));
        object->setValue("order", base::Value(static_cast<std::int64_t>(i)));
        saved.push_back(std::move(object));
    }
    save("inserting", saved);
}

void SavedTabs::takeAll(const std::function<void(const Entry&)>& open) {
    base::assertMainThread();
    auto fetched = fetchAll("deleting");
    if (!fetched)
        return;
    for (const auto& object : *fetched) {
        const auto title = object->value("title");
        const auto url = object->value("url");
        open(Entry{title.string() ? std::optional<std::string>(*title.string()) : std::nullopt,
                   url.string() ? *url.string() : std::string()});
        context_->deleteObject(object);
    }
    save("deleting", *fetched);
}

void SavedTabs::removeAll() {
    base::assertMainThread();
    auto fetched = fetchAll("deleting");
    if (!fetched)
        return;
    for (const auto& object : *fetched)
        context_->deleteObject(object);
    save("deleting", *fetched);
}

std::optional<std::vector<std::shared_ptr<store::Object>>>
SavedTabs::fetchAll(const std::string& doing) {
    if (!context_)
        return std::nullopt;
    store::FetchRequest request(savedTabEntity);
    request.sortDescriptors.push_back(store::SortDescriptor{"order", true});
    auto fetched = context_->fetch(request);
    if (!fetched) {
        base::log("Error " + doing + " () - error:" + describeError(fetched.error()));
        return std::nullopt;
    }
    return std::move(fetched).value();
}

void SavedTabs::save(const std::string& doing,
                     const std::vector<std::shared_ptr<store::Object>>& objects) {
    if (auto result = context_->save(); !result) {
        base::log("Error " + doing + " " + describeObjects(objects) +
                  " - error:" + describeError(result.error()));
        context_->rollback();
    }
}
