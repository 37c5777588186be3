#pragma once

#include "platform/store/Context.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The open tabs kept in the bookmark store for a later reopening: objects of the entity "Tab"
// with the title shown on the tab's face, the tab's address and its index in the strip.
//
// Every operation is one transaction: it is saved whole or rolled back, so the store never
// holds two sets, or half of one, and nothing of a failure waits to go out with another
// screen's save. Failures are only written to the console. Without a store (the application
// has none) each operation writes that to the console and does nothing. Main thread only.
class SavedTabs {
public:
    struct Entry {
        // The title as shown (possibly cut); none when the stored one is not text.
        std::optional<std::string> title;
        std::string url;
    };

    // Over the application delegate's bookmark store.
    SavedTabs();
    explicit SavedTabs(std::shared_ptr<store::Context> context);

    // The tabs given, in strip order, take the place of the set saved before.
    void replaceWith(const std::vector<Entry>& tabs);
    // Hands every saved tab to `open` in strip order and empties the set.
    void takeAll(const std::function<void(const Entry&)>& open);
    void removeAll();

private:
    // All saved tabs in strip order; none (and a console line naming what was being done) when
    // the store cannot be read.
    std::optional<std::vector<std::shared_ptr<store::Object>>> fetchAll(const std::string& doing);
    // Saves the changes, or writes the failure and the objects to the console and rolls back.
    void save(const std::string& doing, const std::vector<std::shared_ptr<store::Object>>& objects);

    std::shared_ptr<store::Context> context_;
};
