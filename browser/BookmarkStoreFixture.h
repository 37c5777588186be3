#pragma once

// For tests only: the application delegate's bookmark store, opened in the test's own app
// home, and the folders and bookmarks a test fills it with. Mixed into a test fixture, which
// calls openStore() from its SetUp once the app home is in place.

#include "browser/BrowserDelegate.h"
#include "platform/store/Context.h"
#include "platform/store/Object.h"
#include "platform/store/SQLiteDatabase.h"
#include "platform/store/StoreSchema.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

class BookmarkStoreFixture {
protected:
    // Wrap in ASSERT_NO_FATAL_FAILURE: a store that does not open ends the set-up.
    void openStore() {
        delegate = std::make_shared<BrowserDelegate>();
        context = delegate->managedObjectContext();
        ASSERT_TRUE(context);
    }

    // Inserts a folder, inside `parent` when one is given. The caller saves.
    std::shared_ptr<store::Object> folder(const std::string& name,
                                          const std::shared_ptr<store::Object>& parent = nullptr) {
        auto object = context->insertNewObject("Folder");
        object->setValue("name", base::Value(name));
        if (parent)
            object->setRelatedObject("Parent", parent);
        return object;
    }
    // Inserts a bookmark, in folder `in` when one is given. The caller saves.
    std::shared_ptr<store::Object> bookmark(const std::string& name, const std::string& url,
                                            const std::shared_ptr<store::Object>& in = nullptr) {
        auto object = context->insertNewObject("Bookmark");
        object->setValue("name", base::Value(name));
        object->setValue("url", base::Value(url));
        if (in)
            object->setRelatedObject("Folder", in);
        return object;
    }

    // Makes every later write of the entity (INSERT, UPDATE or DELETE) fail in the store file.
    void refuseWrites(const std::string& entity, const std::string& operation) {
        auto raw = store::SQLiteDatabase::open(context->path());
        ASSERT_TRUE(raw);
        // A new store file gets its tables with its first save; the trigger needs them now.
        auto tables = store::StoreSchema::hasTables(*raw);
        ASSERT_TRUE(tables);
        if (!*tables) {
            ASSERT_TRUE(raw->execute("BEGIN"));
            ASSERT_TRUE(store::StoreSchema::create(*raw, context->model()));
            ASSERT_TRUE(raw->execute("COMMIT"));
        }
        ASSERT_TRUE(raw->execute("CREATE TRIGGER refuse_" + operation + "_" + entity + " BEFORE " +
                                 operation + " ON " + entity +
                                 " BEGIN SELECT RAISE(ABORT, 'refused by the test'); END"));
    }

    std::shared_ptr<BrowserDelegate> delegate;
    std::shared_ptr<store::Context> context;
};
