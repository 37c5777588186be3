// HTML bookmark exports as the importer reads them: any text makes an import folder and the
// folders and bookmarks its markup allows, never a crash, a hang or a bookmark whose address is
// not a web address. Each input is walked into a store and rolled back, so nothing is written.
#include "browser/BookmarkImporter.h"
#include "fuzz/FuzzInput.h"
#include "platform/base/Bundle.h"
#include "platform/store/Context.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/Model.h"

#include <memory>

namespace {

std::shared_ptr<store::Context> openStore(const std::filesystem::path& folder) {
    auto path = base::Bundle::main().pathForResource("BrowserModel", "json");
    FUZZ_CHECK(path);
    auto model = store::Model::fromFile(*path);
    FUZZ_CHECK(model);
    auto context = store::Context::open(folder / "Browser.sqlite", *model);
    FUZZ_CHECK(context);
    return *context;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile scratch("Browser.sqlite");
    static const std::shared_ptr<store::Context> context = openStore(scratch.folder());
    BookmarkImporter importer;
    importer.setManagedObjectContext(context);
    importer.loadBookmarksFromText(fuzz::text(data, size));
    FUZZ_CHECK(importer.rootFolder());

    auto bookmarks = context->fetch(store::FetchRequest("Bookmark"));
    FUZZ_CHECK(bookmarks);
    for (const auto& bookmark : *bookmarks) {
        const std::string* address = bookmark->value("url").string();
        FUZZ_CHECK(address && address->starts_with("http") &&
                   !address->starts_with("http://localhost"));
        FUZZ_CHECK(bookmark->relatedObject("Folder"));
    }
    context->rollback();
    return 0;
}
