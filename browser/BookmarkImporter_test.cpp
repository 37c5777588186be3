#include "ads/request/VDInterstitial.h"
#include "ads/request/VDSDKCoreController.h"
#include "browser/AdManager.h"
#include "browser/BookmarkImporter.h"
#include "browser/BookmarkStoreFixture.h"
#include "platform/base/AppHome.h"
#include "platform/base/Data.h"
#include "platform/base/ProcessWide.h"
#include "platform/store/FetchRequest.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/PlatformTest.h"
#include "tests/fixtures/bookmarks/NestedRootExport.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <map>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace fs = std::filesystem;

namespace {

const fs::path fixtures = fs::path(BROWSER_SOURCE_DIR) / "tests/fixtures/bookmarks";

class BookmarkImporterTest : public testing_support::PlatformTest, protected BookmarkStoreFixture {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(openStore());
        importer.setManagedObjectContext(context);
    }
    void TearDown() override {
        // A save requested an interstitial from the ads client.
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    // What a fresh context on the store file reads under the import folder, one line per
    // object, indented by depth: "+ name" for a folder (its folders, then its bookmarks),
    // "name <url>" for a bookmark. Unsaved objects are not in it.
    std::vector<std::string> storedImport() {
        auto fresh = store::Context::open(context->path(), delegate->managedObjectModel());
        EXPECT_TRUE(fresh);
        if (!fresh)
            return {};
        auto folders = (*fresh)->fetch(store::FetchRequest("Folder")).value();
        auto bookmarks = (*fresh)->fetch(store::FetchRequest("Bookmark")).value();
        std::vector<std::string> lines;
        std::function<void(const std::shared_ptr<store::Object>&, std::string)> list =
            [&](const std::shared_ptr<store::Object>& folder, std::string indent) {
                for (const auto& inner : folders)
                    if (inner->relatedObject("Parent") == folder) {
                        lines.push_back(indent + "+ " + *inner->value("name").string());
                        list(inner, indent + "  ");
                    }
                for (const auto& bookmark : bookmarks)
                    if (bookmark->relatedObject("Folder") == folder)
                        lines.push_back(indent + *bookmark->value("name").string() + " <" +
                                        *bookmark->value("url").string() + ">");
            };
        for (const auto& folder : folders)
            if (!folder->relatedObject("Parent")) {
                EXPECT_THAT(*folder->value("name").string(),
                            ::testing::MatchesRegex("import folder [0-9]{4}-[0-9]{2}-[0-9]{2} "
                                                    "[0-9]{2}:[0-9]{2}:[0-9]{2} \\+0000"));
                list(folder, "");
            }
        return lines;
    }

    // Imports the text from a file of the test's own.
    base::Result<void> importText(const std::string& text) {
        const fs::path file = homeDirectory() / "bookmarks.html";
        EXPECT_TRUE(base::writeFileAtomically(file, base::Data::fromString(text)));
        return importer.loadBookmarksFromFile(file);
    }

    // Deletes every folder, and with them their bookmarks.
    void emptyStore() {
        auto folders = context->fetch(store::FetchRequest("Folder"));
        ASSERT_TRUE(folders);
        for (const auto& object : *folders)
            context->deleteObject(object);
        ASSERT_TRUE(context->save());
    }

    std::size_t storedCount(const std::string& entity) {
        return context->fetch(store::FetchRequest(entity)).value().size();
    }

    testing_support::LogCapture log;
    BookmarkImporter importer;
};

struct ExportCase {
    const char* file;
    std::vector<std::string> imported;
};

TEST_F(BookmarkImporterTest, RealExportFilesImportTheirFoldersAndBookmarks) {
    const ExportCase cases[] = {
        // Nested folders, descriptions and separators, FOLDED as an attribute and inside an
        // address, entities; addresses that are not http(s), on localhost or with the scheme in
        // capitals are left out; a heading without a list makes an empty folder.
        {"export-nested.html",
         {"+ Hobbies", "  + Cooking", "    + Desserts",
          "      Crème brûlée <https://recipes.example.com/cr%C3%A8me-br%C3%BBl%C3%A9e>",
          "      Grandma's tart  <https://recipes.example.com/tart>",
          "    Sourdough\u00A0Bread & Butter <https://recipes.example.com/bread>",
          "  Folded Paper Cranes "
          "<https://crafts.example.com/origami/folded-paper-crane?style=FOLDED>",
          "+ Bookmarks Toolbar", "  + Empty folder", "  + Folder without a list",
          "  Plain http <http://plain.example.net/start>",
          "  After the lone heading <https://after.example.net/>",
          "Morning News <https://news.example.org/>"}},
        // Folders of the same name each keep their own list; comments are removed one by one,
        // not with everything between them.
        {"export-same-names.html",
         {"+ Reading", "  One <https://one.example.com/>", "+ Work", "  + Reading",
          "    Two <https://two.example.com/>", "  + Reading",
          "    Four <https://four.example.com/>", "  Three <https://three.example.com/>"}},
        // All on one line inside an html element with attributes; bare ampersands in addresses
        // and titles.
        {"export-single-line.html",
         {"+ Shops", "  Tea & Biscuits <https://shop.example.com/search?q=tea&sort=price&page=2>",
          "  Cart <https://shop.example.com/cart?item=1&qty=2>",
          "Top © 2023 &unknown; end <https://top.example.com/?a=b&c>"}},
        // "root" elements of the file, nested and never closed, are content like any other
        // (skipped); a heading left open keeps the list it holds.
        {"nested-root.html",
         {"+ Kept", "  Kept link <https://kept.example.com/>", "+ Open heading",
          "  Inside the open heading <https://open.example.com/>"}},
        // CRLF line ends, tabs, and tags and titles broken over lines.
        {"export-crlf.html",
         {"+ Travel plans", "  Train times <https://trains.example.com/timetable>",
          "  Maps <https://maps.example.com/>"}},
    };
    for (const auto& [file, imported] : cases) {
        SCOPED_TRACE(file);
        ASSERT_NO_FATAL_FAILURE(emptyStore());

        const auto before = AdManager::sharedInstance()->interstitial();
        auto result = importer.loadBookmarksFromUrl(base::URL::fileURL((fixtures / file).string()));
        ASSERT_TRUE(result) << result.error().localizedDescription();
        EXPECT_THAT(storedImport(), ElementsAreArray(imported));
        // Each saved import is followed by a new interstitial.
        EXPECT_TRUE(AdManager::sharedInstance()->interstitial());
        EXPECT_NE(AdManager::sharedInstance()->interstitial(), before);
        EXPECT_EQ(importer.rootFolder()->relatedObject("Parent"), nullptr);
    }
    EXPECT_TRUE(log.contains("folder:Travel plans parent:import folder "));
    EXPECT_TRUE(log.contains("folder:Desserts parent:Cooking"));
}

TEST_F(BookmarkImporterTest, TheNodeRules) {
    const ExportCase cases[] = {
        // A heading at the top takes the list after it; that list is not read a second time
        // into the import folder.
        {R"(<H3>Top</H3><DL><DT><A HREF="https://a.tld/">A</A></DL>)",
         {"+ Top", "  A <https://a.tld/>"}},
        // A heading takes only the list right after it, never the next heading's.
        {R"(<DL><DT><H3>First</H3><DT><H3>Second</H3><DL><DT><A HREF="https://b.tld/">B</A></DL></DL>)",
         {"+ First", "+ Second", "  B <https://b.tld/>"}},
        // A list inside a list that follows no heading is not read; a link at the top level is.
        {R"(<A HREF="https://top.tld/">T</A><DL><DL><A HREF="https://lost.tld/">L</A></DL></DL>)",
         {"T <https://top.tld/>"}},
        // Without text a name is empty; a name is the element's own text, not that of the
        // elements inside it; a folder name is trimmed, a bookmark name is not.
        {R"(<DL><H3></H3><DL><A HREF="https://empty.tld/"/><A HREF="https://b.tld/"> <B>Bold</B> text </A></DL><H3>  Spaced  </H3></DL>)",
         {"+ ", "   <https://empty.tld/>", "    text  <https://b.tld/>", "+ Spaced"}},
        // Letter case of element and attribute names does not matter; that of the scheme does.
        {R"(<dl><Dt><h3>lower</h3><dL><a href="https://x.tld/">x</a><A HREF="Https://y.tld/">y</A></Dl></dl>)",
         {"+ lower", "  x <https://x.tld/>"}},
        // What the parser cannot make anything of leaves the empty import folder.
        {"", {}},
        {"<<<>>> &&& </DL></DL> <!-- never closed", {}},
        {"\xEF\xBB\xBFplain text, no markup", {}},
    };
    for (const auto& [text, imported] : cases) {
        SCOPED_TRACE(text);
        ASSERT_NO_FATAL_FAILURE(emptyStore());
        ASSERT_TRUE(importText(text));
        EXPECT_THAT(storedImport(), ElementsAreArray(imported));
    }
}

TEST_F(BookmarkImporterTest, EntitiesAndLineBreaksInTitlesSurviveAnEarlierMarkupError) {
    // The bare "<" of the first title is the markup error.
    ASSERT_TRUE(importText(
        R"(<DL><DT><A HREF="https://x.tld/">1 < 2</A>)"
        R"(<DT><A HREF="https://y.tld/?a=1&amp;b=2">AT&amp;T &lt;3 &quot;q&quot; &apos;s&gt;</A>)"
        R"(<DT><A HREF="https://n.tld/">one<br>two<BR/>three</A>)"
        R"(<DT><H3>Caf&eacute; &amp; Bar</H3><DL><DT><A HREF="https://m.tld/">Next</A></DL></DL>)"));
    EXPECT_THAT(storedImport(),
                ElementsAre("+ Café & Bar", "  Next <https://m.tld/>", "1  2 <https://x.tld/>",
                            "AT&T <3 \"q\" 's> <https://y.tld/?a=1&b=2>",
                            "one two three <https://n.tld/>"));
}

TEST_F(BookmarkImporterTest, NestedRootsAndOpenHeadingsCostInProportionToTheFile) {
    const auto hostile = NestedRootExport::make(2 * 1024 * 1024);
    const std::string& text = hostile.text;
    ASSERT_TRUE(importText(text));
    // No node makes more than its own object, and no name holds more than its own text.
    EXPECT_LE(storedCount("Folder"), hostile.headings + 1);
    EXPECT_LE(storedCount("Bookmark"), hostile.links);
    std::size_t nameBytes = 0;
    for (const auto& entity : {"Folder", "Bookmark"}) {
        const auto objects = context->fetch(store::FetchRequest(entity)).value();
        for (const auto& object : objects)
            nameBytes += object->value("name").string()->size();
    }
    EXPECT_LE(nameBytes, text.size());
    const auto lines = storedImport();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "+ Kept");
    EXPECT_EQ(lines[1], "  K <https://kept.tld/>");
    // The console says what is imported in a bounded number of lines.
    EXPECT_LE(log.lines().size(), BookmarkImporter::maximumFolderLogLines + 1);
}

TEST_F(BookmarkImporterTest, TheParserReadsNothingButTheFile) {
    // An external entity and an external DTD that would read a local file, and one on the
    // network: none is loaded, and the entity's text never reaches a name.
    const fs::path secret = homeDirectory() / "secret.txt";
    ASSERT_TRUE(base::writeFileAtomically(secret, base::Data::fromString("SECRET")));
    const std::string text =
        "<!DOCTYPE x [<!ENTITY leak SYSTEM \"file://" + secret.string() +
        "\">]><!DOCTYPE y SYSTEM \"http://127.0.0.1:9/evil.dtd\">"
        "<DL><H3>&leak;</H3><DL><A HREF=\"https://a.tld/\">&leak;x</A></DL></DL>";
    ASSERT_TRUE(importText(text));
    for (const auto& line : storedImport())
        EXPECT_THAT(line, ::testing::Not(HasSubstr("SECRET")));
}

TEST_F(BookmarkImporterTest, FilesItCannotImportAreRefusedWithAClearErrorAndNothingImported) {
    struct Case {
        std::function<base::Result<void>()> import;
        long code;
        const char* says;
    };
    const fs::path huge = homeDirectory() / "huge.html";
    { std::ofstream(huge) << "<DL><A HREF=\"https://a.tld/\">a</A></DL>"; }
    fs::resize_file(huge, BookmarkImporter::maximumFileSize + 1);
    const Case cases[] = {
        {[&] { return importer.loadBookmarksFromFile(homeDirectory() / "missing.html"); },
         BookmarkImporter::FileUnreadable, "cannot be read"},
        {[&] { return importer.loadBookmarksFromFile(homeDirectory()); },
         BookmarkImporter::FileUnreadable, "cannot be read"},
        {[&] { return importer.loadBookmarksFromFile(huge); }, BookmarkImporter::FileTooLarge,
         "larger than 32 MB"},
        {[&] { return importText("<DL><A HREF=\"https://a.tld/\">caf\xE9</A></DL>"); },
         BookmarkImporter::FileNotText, "not UTF-8"},
        {[&] {
             return importer.loadBookmarksFromUrl(
                 *base::URL::parse("https://example.com/bookmarks.html"));
         },
         BookmarkImporter::FileUnreadable, "only be imported from a file"},
    };
    for (const auto& [import, code, says] : cases) {
        SCOPED_TRACE(says);
        auto result = import();
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().domain, BookmarkImporter::errorDomain);
        EXPECT_EQ(result.error().code, code);
        EXPECT_THAT(result.error().localizedDescription(), HasSubstr(says));
        EXPECT_EQ(storedCount("Folder"), 0u);
        EXPECT_EQ(storedCount("Bookmark"), 0u);
    }
}

TEST_F(BookmarkImporterTest, ASaveTheStoreRefusesIsReportedAndLeavesNothingOfTheImport) {
    folder("Kept");
    ASSERT_TRUE(context->save());
    refuseWrites("Bookmark", "INSERT");
    auto result = importText(R"(<DL><H3>F</H3><DL><A HREF="https://a.tld/">a</A></DL></DL>)");
    ASSERT_FALSE(result);
    EXPECT_FALSE(AdManager::sharedInstance()->interstitial()) << "no interstitial for a refusal";
    EXPECT_EQ(result.error().code, BookmarkImporter::SaveFailed);
    EXPECT_THAT(result.error().localizedDescription(), HasSubstr("refused by the test"));
    // The import's folders do not wait in the context for another screen's save.
    EXPECT_FALSE(context->hasChanges());
    EXPECT_THAT(BrowserDelegate::topLevelItems(*context).size(), 1u);
}

TEST_F(BookmarkImporterTest, ATenMegabyteExportImportsWhole) {
    // An export of 500 folders of 100 bookmarks each, with long icon data as real exports
    // carry: about 10 MB.
    const std::string icon(100, 'Q');
    std::string text = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks</TITLE>\n<DL><p>\n";
    for (int f = 0; f < 500; ++f) {
        text += "    <DT><H3 FOLDED ADD_DATE=\"1\">Folder " + std::to_string(f) +
                "</H3>\n    <DL><p>\n";
        for (int b = 0; b < 100; ++b)
            text += "        <DT><A HREF=\"https://site" + std::to_string(b) +
                    ".example.com/page?f=" + std::to_string(f) + "&b=" + std::to_string(b) +
                    "\" ADD_DATE=\"1600000000\" ICON=\"data:image/png;base64," + icon + "\">Page " +
                    std::to_string(b) + "</A>\n";
        text += "    </DL><p>\n";
    }
    text += "</DL><p>\n";
    ASSERT_GT(text.size(), 10u * 1000 * 1000);

    ASSERT_TRUE(importText(text));
    EXPECT_EQ(storedCount("Folder"), 501u);
    EXPECT_EQ(storedCount("Bookmark"), 50000u);
    auto last = context->fetch(store::FetchRequest(
        "Bookmark",
        store::Predicate::equal(
            "url", base::Value(std::string("https://site99.example.com/page?f=499&b=99")))));
    ASSERT_EQ(last.value().size(), 1u);
    EXPECT_EQ(*last.value()[0]->relatedObject("Folder")->value("name").string(), "Folder 499");
    // A line for each of the first folders, one for the rest (the ads client's lines of the
    // interstitial that follows the save aside).
    const auto lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return !line.starts_with("<Redodi>"); }),
              std::ptrdiff_t(BookmarkImporter::maximumFolderLogLines + 1));
    EXPECT_TRUE(log.contains("And 400 more folders"));
}

} // namespace
