// The object store on 10,000 bookmarks, each beside raw SQLite doing the same work on the same
// kind of file, and the ratio of the two (store / raw; 1.0 means no cost).
//   Insert: open a new file, insert 10,000 bookmarks in 10 folders, save in one transaction.
//   FetchAll: fetch every bookmark and read its name and address.
//   FetchFolder: fetch the 1,000 bookmarks of one folder by the folder's name.

#include "bench/RatioReporter.h"
#include "platform/base/Bundle.h"
#include "platform/store/Context.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kBookmarks = 10000;
constexpr int kFolders = 10;

const fs::path& workDirectory() {
    static const fs::path directory = [] {
        std::string pattern = (fs::temp_directory_path() / "store-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        return fs::path(pattern);
    }();
    return directory;
}

std::shared_ptr<const store::Model> browserModel() {
    static const auto model = [] {
        auto loaded =
            store::Model::fromFile(base::Bundle::defaultResourcesDirectory() / "BrowserModel.json");
        if (!loaded)
            throw std::runtime_error(loaded.error().localizedDescription());
        return *loaded;
    }();
    return model;
}

std::string folderName(int i) {
    return "folder " + std::to_string(i);
}
std::string bookmarkName(int i) {
    return "bookmark " + std::to_string(i);
}
std::string bookmarkURL(int i) {
    return "https://example.com/pages/" + std::to_string(i);
}

std::shared_ptr<store::Context> openStore(const fs::path& path) {
    auto context = store::Context::open(path, browserModel());
    if (!context)
        throw std::runtime_error(context.error().localizedDescription());
    return *context;
}

void fillStore(store::Context& context) {
    std::vector<std::shared_ptr<store::Object>> folders;
    for (int i = 0; i < kFolders; ++i) {
        folders.push_back(context.insertNewObject("Folder"));
        folders.back()->setValue("name", folderName(i));
    }
    for (int i = 0; i < kBookmarks; ++i) {
        auto bookmark = context.insertNewObject("Bookmark");
        bookmark->setValue("name", bookmarkName(i));
        bookmark->setValue("url", bookmarkURL(i));
        bookmark->setRelatedObject("Folder", folders[std::size_t(i % kFolders)]);
    }
    if (auto saved = context.save(); !saved)
        throw std::runtime_error(saved.error().localizedDescription());
}

// One store file with the bookmarks, shared by the fetch benchmarks.
const fs::path& filledStore() {
    static const fs::path path = [] {
        fs::path file = workDirectory() / "Fetch.sqlite";
        fillStore(*openStore(file));
        return file;
    }();
    return path;
}

void check(int result, sqlite3* db) {
    if (result != SQLITE_OK && result != SQLITE_DONE && result != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
}

void BM_Insert_Store(benchmark::State& state) {
    fs::path path = workDirectory() / "Insert-store.sqlite";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(path);
        state.ResumeTiming();
        fillStore(*openStore(path));
    }
}

void BM_Insert_Raw(benchmark::State& state) {
    fs::path path = workDirectory() / "Insert-raw.sqlite";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(path);
        state.ResumeTiming();
        sqlite3* db = nullptr;
        check(sqlite3_open(path.c_str(), &db), db);
        // All of it in one transaction: the schema too, or each CREATE would be a transaction
        // (and a journal written and synced) of its own.
        check(sqlite3_exec(db,
                           "BEGIN IMMEDIATE;"
                           "CREATE TABLE Folder (_id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, "
                           "Parent INTEGER);"
                           "CREATE INDEX \"Folder.Parent\" ON Folder (Parent);"
                           "CREATE TABLE Bookmark (_id INTEGER PRIMARY KEY AUTOINCREMENT, name "
                           "TEXT, url TEXT, Folder INTEGER);"
                           "CREATE INDEX \"Bookmark.Folder\" ON Bookmark (Folder);",
                           nullptr, nullptr, nullptr),
              db);
        std::vector<sqlite3_int64> folders;
        sqlite3_stmt* folder = nullptr;
        check(sqlite3_prepare_v2(db, "INSERT INTO Folder (name, Parent) VALUES (?, NULL)", -1,
                                 &folder, nullptr),
              db);
        for (int i = 0; i < kFolders; ++i) {
            std::string name = folderName(i);
            sqlite3_bind_text(folder, 1, name.c_str(), int(name.size()), SQLITE_TRANSIENT);
            check(sqlite3_step(folder), db);
            sqlite3_reset(folder);
            folders.push_back(sqlite3_last_insert_rowid(db));
        }
        sqlite3_finalize(folder);
        sqlite3_stmt* insert = nullptr;
        check(sqlite3_prepare_v2(db, "INSERT INTO Bookmark (name, url, Folder) VALUES (?, ?, ?)",
                                 -1, &insert, nullptr),
              db);
        for (int i = 0; i < kBookmarks; ++i) {
            std::string name = bookmarkName(i);
            std::string url = bookmarkURL(i);
            sqlite3_bind_text(insert, 1, name.c_str(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, url.c_str(), int(url.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(insert, 3, folders[std::size_t(i % kFolders)]);
            check(sqlite3_step(insert), db);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
        sqlite3_close(db);
    }
}

// Fetches through a fresh context each time, so every object is built from its row; opening
// the file is not measured.
void fetchStore(benchmark::State& state, const std::optional<store::Predicate>& predicate,
                std::size_t expected) {
    for (auto _ : state) {
        state.PauseTiming();
        auto context = openStore(filledStore());
        state.ResumeTiming();
        auto bookmarks = context->fetch(store::FetchRequest("Bookmark", predicate));
        if (!bookmarks || bookmarks->size() != expected)
            throw std::runtime_error("unexpected fetch result");
        std::size_t characters = 0;
        for (const auto& bookmark : *bookmarks)
            characters +=
                bookmark->value("name").string()->size() + bookmark->value("url").string()->size();
        benchmark::DoNotOptimize(characters);
        state.PauseTiming();
        bookmarks = std::vector<std::shared_ptr<store::Object>>();
        context.reset();
        state.ResumeTiming();
    }
}

struct RawBookmark {
    sqlite3_int64 id;
    std::string name;
    std::string url;
    sqlite3_int64 folder;
};

void fetchRaw(benchmark::State& state, const char* sql, const char* argument,
              std::size_t expected) {
    for (auto _ : state) {
        state.PauseTiming();
        sqlite3* db = nullptr;
        check(sqlite3_open(filledStore().c_str(), &db), db);
        state.ResumeTiming();
        sqlite3_stmt* select = nullptr;
        check(sqlite3_prepare_v2(db, sql, -1, &select, nullptr), db);
        if (argument)
            sqlite3_bind_text(select, 1, argument, -1, SQLITE_TRANSIENT);
        std::vector<RawBookmark> rows;
        while (sqlite3_step(select) == SQLITE_ROW) {
            auto text = [&](int column) {
                return std::string(
                    reinterpret_cast<const char*>(sqlite3_column_text(select, column)),
                    std::size_t(sqlite3_column_bytes(select, column)));
            };
            rows.push_back({sqlite3_column_int64(select, 0), text(1), text(2),
                            sqlite3_column_int64(select, 3)});
        }
        sqlite3_finalize(select);
        if (rows.size() != expected)
            throw std::runtime_error("unexpected raw result");
        std::size_t characters = 0;
        for (const auto& row : rows)
            characters += row.name.size() + row.url.size();
        benchmark::DoNotOptimize(characters);
        state.PauseTiming();
        sqlite3_close(db);
        state.ResumeTiming();
    }
}

void BM_FetchAll_Store(benchmark::State& state) {
    fetchStore(state, std::nullopt, kBookmarks);
}

void BM_FetchAll_Raw(benchmark::State& state) {
    fetchRaw(state, "SELECT _id, name, url, Folder FROM Bookmark ORDER BY _id", nullptr,
             kBookmarks);
}

void BM_FetchFolder_Store(benchmark::State& state) {
    fetchStore(state, store::Predicate::equal("Folder.name", folderName(3)), kBookmarks / kFolders);
}

void BM_FetchFolder_Raw(benchmark::State& state) {
    static const std::string name = folderName(3);
    fetchRaw(state,
             "SELECT b._id, b.name, b.url, b.Folder FROM Bookmark AS b LEFT JOIN Folder AS f "
             "ON f._id = b.Folder WHERE f.name IS ? ORDER BY b._id",
             name.c_str(), kBookmarks / kFolders);
}

BENCHMARK(BM_Insert_Store)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Insert_Raw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FetchAll_Store)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FetchAll_Raw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FetchFolder_Store)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FetchFolder_Raw)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter("store / raw SQLite, " + std::to_string(kBookmarks) + " bookmarks",
                  {{"BM_Insert_Store", "BM_Insert_Raw"},
                   {"BM_FetchAll_Store", "BM_FetchAll_Raw"},
                   {"BM_FetchFolder_Store", "BM_FetchFolder_Raw"}})
        .runBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(workDirectory(), ignored);
    return 0;
}
