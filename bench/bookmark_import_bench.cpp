// The cost of importing a hostile bookmark export (NestedRootExport: "root" elements and
// headings never closed, level upon level) of 1, 2 and 4 MiB into a fresh store: the import
// must cost in proportion to the file, so the time per MiB stays the same as the file grows.
// The ratios printed are the 4 MiB file's time over the 1 MiB file's (4 when linear), and the
// hostile 4 MiB file's time over a plain export's of the same size (folders of bookmarks, all
// of it imported).

#include "bench/RatioReporter.h"
#include "browser/BookmarkImporter.h"
#include "platform/base/Bundle.h"
#include "platform/base/Log.h"
#include "platform/store/Context.h"
#include "tests/fixtures/bookmarks/NestedRootExport.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

const fs::path& workDirectory() {
    static const fs::path directory = [] {
        std::string pattern = (fs::temp_directory_path() / "import-bench-XXXXXX").string();
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

// A plain export of at least `minimumSize` bytes: folders of a hundred bookmarks each.
std::string plainExport(std::size_t minimumSize) {
    std::string text = "<DL><p>\n";
    for (int f = 0; text.size() < minimumSize; ++f) {
        text += "<DT><H3>Folder " + std::to_string(f) + "</H3>\n<DL><p>\n";
        for (int b = 0; b < 100; ++b)
            text += "<DT><A HREF=\"https://site" + std::to_string(b) +
                    ".example.com/?f=" + std::to_string(f) + "\">Page " + std::to_string(b) +
                    "</A>\n";
        text += "</DL><p>\n";
    }
    return text + "</DL><p>\n";
}

// Writes the text to a file and imports it into a new store, timing the import alone.
void importEach(benchmark::State& state, const std::string& text) {
    const fs::path file = workDirectory() / "bookmarks.html";
    {
        std::FILE* out = std::fopen(file.c_str(), "wb");
        if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size()) {
            state.SkipWithError("cannot write the export");
            return;
        }
        std::fclose(out);
    }
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path storePath =
            workDirectory() / ("store" + std::to_string(round++) + ".sqlite");
        auto context = store::Context::open(storePath, browserModel());
        if (!context) {
            state.SkipWithError("cannot open the store");
            return;
        }
        BookmarkImporter importer;
        importer.setManagedObjectContext(*context);
        state.ResumeTiming();
        if (!importer.loadBookmarksFromFile(file)) {
            state.SkipWithError("the import failed");
            return;
        }
        state.PauseTiming();
        importer.setManagedObjectContext(nullptr);
        context->reset();
        fs::remove(storePath);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * text.size()));
}

void BM_ImportNestedRoots(benchmark::State& state) {
    importEach(state, NestedRootExport::make(std::size_t(state.range(0)) << 20).text);
}
BENCHMARK(BM_ImportNestedRoots)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_ImportPlainExport(benchmark::State& state) {
    importEach(state, plainExport(std::size_t(state.range(0)) << 20));
}
BENCHMARK(BM_ImportPlainExport)->Arg(4)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // The importer's console lines would fill the table.
    base::installLogSink([](std::string_view) {});
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter("bookmark import",
                  {{"BM_ImportNestedRoots/4", "BM_ImportNestedRoots/1", "4 MiB / 1 MiB hostile"},
                   {"BM_ImportNestedRoots/4", "BM_ImportPlainExport/4", "hostile / plain, 4 MiB"}})
        .runBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(workDirectory());
    return 0;
}
