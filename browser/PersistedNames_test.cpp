// Every name that the browser, the ads client and the social client leave on disk, pinned as
// text: a user default, a key of the information dictionary, a table or column of the bookmark
// store. Files written by an earlier version must keep reading, so renaming any of them in the
// code has to fail here. Each row goes through the real code, never through the code's own
// constant: the code writes the name into the file, or reads a value put under the name.
#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDCharacterSets.h"
#include "ads/foundation/VDContent.h"
#include "ads/foundation/VDGestureIdUtil.h"
#include "ads/foundation/VDStatisticsCore.h"
#include "ads/foundation/VDTimingManager.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/request/VDSlot.h"
#include "ads/webview/VDAdView.h"
#include "ads/webview/VDSDKCoreAMSGHandler.h"
#include "ads/webview/VDSDKCoreWebView.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "browser/BookmarksTest.h"
#include "browser/BrowserSettings.h"
#include "browser/SavedTabs.h"
#include "chorus/core/CHSettings.h"
#include "platform/base/AppHome.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/PropertyList.h"
#include "platform/base/UserDefaults.h"
#include "platform/store/SQLiteStatement.h"
#include "platform/ui/Device.h"

#include <functional>
#include <gmock/gmock.h>
#include <map>
#include <set>
#include <sqlite3.h>

using ::testing::ElementsAre;

namespace {

class PersistedNamesTest : public BookmarksTest {
protected:
    // The names in the user-defaults file as it lies on disk.
    static std::set<std::string> namesInDefaultsFile() {
        EXPECT_TRUE(defaults()->synchronize());
        auto data = base::readFile(defaults()->filePath());
        if (!data)
            return {};
        auto plist = base::readPlist(*data);
        std::set<std::string> names;
        if (plist && plist->dictionary())
            for (const auto& [name, value] : *plist->dictionary())
                names.insert(name);
        return names;
    }

    // The columns of a table of the store file, by name.
    std::set<std::string> columnsOf(const std::string& table) {
        auto database = store::SQLiteDatabase::open(context->path());
        EXPECT_TRUE(database);
        std::set<std::string> columns;
        if (!database)
            return columns;
        auto statement = database->prepare("PRAGMA table_info(\"" + table + "\")");
        EXPECT_TRUE(statement);
        while (statement && statement->step() == SQLITE_ROW)
            columns.insert(statement->text(1));
        return columns;
    }

    void executeInStoreFile(const std::string& sql) {
        auto database = store::SQLiteDatabase::open(context->path());
        ASSERT_TRUE(database);
        ASSERT_TRUE(database->execute(sql)) << sql;
    }

    // Opens the More sheet's "Add Bookmark" on a page with this title and address.
    void addBookmarkFromMoreSheet(const std::string& title, const std::string& address) {
        auto& engine = engineOf(*screen->selectedTab());
        screen->webView()->loadRequest(net::URLRequest::withURLString(address));
        engine.answerScript("document.title", title);
        engine.answerScript("window.location.href", address);
        ASSERT_TRUE(barItem(*screen->bottomBar(), "More")->simulateTap());
        auto sheet = ui::Presentation::shared().topActionSheet();
        ASSERT_TRUE(sheet);
        ASSERT_EQ(sheet->buttonTitleAtIndex(0), "Add Bookmark");
        ASSERT_TRUE(sheet->tapButton(0));
        settle();
    }

    static std::shared_ptr<base::UserDefaults> defaults() { return base::UserDefaults::standard(); }
};

// One row per name. A row whose `writes` is set makes the code write the name; the file must
// then hold it. A row whose `reads` is set puts a value under the name and checks that the code
// reads it. The user-defaults file must hold exactly the names of the rows that write.
struct PersistedName {
    std::string name;
    std::function<void()> writes;
    std::function<void()> reads;
};

TEST_F(PersistedNamesTest, StoredNamesAreWrittenAndReadExactlyAsEarlierVersionsStoredThem) {
    // The server's constants that the ads client stores as they come, under "/redodi/ads/".
    const std::vector<std::string> storedConstants = {
        "bad_ad_report_path",
        "as_domains",
        "native_ad_support_url",
        "banner_prevent_autoplay",
        "web_view_cache_max_capacity",
        "content_age_weight",
        "content_length_weight",
        "character_delimited_unicode_range",
        "space_delimited_unicode_range",
        "minimum_paragraph_length",
        "maximum_shingle_count",
        "content_queue_maximum_capacity",
        "shingle_length",
        "traversal_interval",
        "disable_interstitial_click_ping_on_click_navigation",
    };
    auto sendConstants = [&] {
        base::Value::Dictionary constants;
        for (const auto& name : storedConstants)
            constants[name] = base::Value(name == "as_domains" ? "pinned.test" : "3");
        constants["clickthrough_confirm_schemes"] = base::Value(R"({"tel":"Call"})");
        auto controller = VDSDKCoreController::create();
        auto handler = VDSDKCoreAMSGHandler::create();
        controller->SDKCoreAMSGHandlerDidLoadSDKConstants(*handler, constants);
        controller->waitForQueuesForTesting();
        base::RunLoop::main().runUntilIdle();
    };

    std::vector<PersistedName> rows = {
        // --- Browser: a bookmark opened from a list over the browser screen, and the page the
        // More sheet's "Add Bookmark" starts from.
        {"loded_item",
         [this] {
             bookmark("News", "news.tld");
             save();
             auto list = showBookmarks();
             tapRow(*list, 0);
             EXPECT_EQ(lastFetchedAddress(), "http://news.tld");
         },
         [this] {
             defaults()->setObject("loded_item", base::Value("http://pinned.test/"));
             defaults()->setBool("opn_bookmark", true);
             screen->viewWillAppear(false);
             EXPECT_EQ(lastFetchedAddress(), "http://pinned.test/");
             EXPECT_FALSE(defaults()->boolForKey("opn_bookmark"));
         }},
        {"opn_bookmark", nullptr, nullptr}, // with "loded_item"
        {"title",
         [this] {
             addBookmarkFromMoreSheet("Page", "https://page.test/");
             navigation->popToRootViewControllerAnimated(false);
             settle();
         },
         [this] {
             defaults()->setObject("title", base::Value("Pinned"));
             defaults()->setObject("url", base::Value("https://pinned.test/"));
             auto form = BookmarksFormController::create();
             form->setMode(BookmarksFormController::addMode);
             navigation->pushViewController(form, false);
             settle();
             EXPECT_EQ(form->nameField()->text(), "Pinned");
             EXPECT_EQ(form->urlField()->text(), "https://pinned.test/");
         }},
        {"url", nullptr, nullptr}, // with "title"
        {"BrowserBannerAdUnitID", nullptr,
         [this] {
             defaults()->setObject("BrowserBannerAdUnitID", base::Value("vd-app-pub-1/2"));
             EXPECT_EQ(BrowserSettings::bannerAdUnitID(), "vd-app-pub-1/2");
         }},
        {"BrowserInterstitialAdUnitID", nullptr,
         [this] {
             defaults()->setObject("BrowserInterstitialAdUnitID", base::Value("vd-app-pub-3/4"));
             EXPECT_EQ(BrowserSettings::interstitialAdUnitID(), "vd-app-pub-3/4");
         }},

        // --- Ads client: the server's constants, then what each reader takes from them.
        {"/redodi/ads/clickthrough_confirm_schemes", sendConstants, nullptr},
        {"/redodi/ads/bad_ad_report_path", nullptr, nullptr},
        {"/redodi/ads/native_ad_support_url", nullptr, nullptr},
        {"/redodi/ads/disable_interstitial_click_ping_on_click_navigation", nullptr, nullptr},
        {"/redodi/ads/as_domains", nullptr,
         [this] {
             defaults()->setObject("/redodi/ads/as_domains", base::Value("pinned.test"));
             EXPECT_TRUE(VDSlot::isRedodiAdURL(*base::URL::parse("https://pinned.test/ad")));
         }},
        {"/redodi/ads/banner_prevent_autoplay", nullptr,
         [this] {
             defaults()->setBool("/redodi/ads/banner_prevent_autoplay", true);
             auto view = VDAdView::create();
             view->configureAsBannerAdView();
             EXPECT_TRUE(view->webView()->mediaPlaybackRequiresUserAction());
         }},
        {"/redodi/ads/web_view_cache_max_capacity", nullptr,
         [this] {
             defaults()->setObject("/redodi/ads/web_view_cache_max_capacity", base::Value("4"));
             EXPECT_EQ(VDWebViewCacheSet::maxCapacityFromUserDefaults(), 4u);
         }},
        {"/redodi/ads/content_age_weight", nullptr,
         [this] {
             defaults()->setObject("/redodi/ads/content_age_weight", base::Value("7"));
             defaults()->setObject("/redodi/ads/content_length_weight", base::Value("8"));
             defaults()->setObject("/redodi/ads/maximum_shingle_count", base::Value("9"));
             defaults()->setObject("/redodi/ads/minimum_paragraph_length", base::Value("11"));
             defaults()->setObject("/redodi/ads/shingle_length", base::Value("12"));
             const auto tunables = VDContent::Tunables::fromUserDefaults();
             EXPECT_EQ(tunables.contentAgeWeight, 7);
             EXPECT_EQ(tunables.contentLengthWeight, 8);
             EXPECT_EQ(tunables.maximumShingleCount, 9u);
             EXPECT_EQ(tunables.minimumParagraphLength, 11u);
             EXPECT_EQ(tunables.shingleLength, 12u);
         }},
        {"/redodi/ads/content_length_weight", nullptr, nullptr},
        {"/redodi/ads/maximum_shingle_count", nullptr, nullptr},
        {"/redodi/ads/minimum_paragraph_length", nullptr, nullptr},
        {"/redodi/ads/shingle_length", nullptr, nullptr},
        {"/redodi/ads/character_delimited_unicode_range", nullptr,
         [this] {
             // "[[first, count]]": the letters Q and R, and the digits 7 and 8.
             defaults()->setObject("/redodi/ads/character_delimited_unicode_range",
                                   base::Value("[[81, 2]]"));
             defaults()->setObject("/redodi/ads/space_delimited_unicode_range",
                                   base::Value("[[55, 2]]"));
             base::resetProcessServicesForTesting();
             auto sets = VDCharacterSets::sharedInstance();
             EXPECT_TRUE(sets->characterDelimitedSet()->contains(U'Q'));
             EXPECT_TRUE(sets->spaceDelimitedSet()->contains(U'7'));
             base::resetProcessServicesForTesting();
         }},
        {"/redodi/ads/space_delimited_unicode_range", nullptr, nullptr},
        // Read where the content walk starts; the walk keeps what it read to itself.
        {"/redodi/ads/content_queue_maximum_capacity", nullptr,
         [] {
             EXPECT_STREQ(VDApplication::contentQueueCapacityKey,
                          "/redodi/ads/content_queue_maximum_capacity");
         }},
        {"/redodi/ads/traversal_interval", nullptr,
         [] {
             EXPECT_STREQ(VDApplication::traversalIntervalKey, "/redodi/ads/traversal_interval");
         }},
        // Written from an ad response's headers, read into the next ad request.
        {"/redodi/ads/use_https", nullptr,
         [] {
             EXPECT_STREQ(VDAdFetcher::useHTTPSKey, "/redodi/ads/use_https");
             EXPECT_STREQ(VDSlot::useHTTPSKey, "/redodi/ads/use_https");
         }},
        {"/redodi/ads/sdk_core_url", nullptr,
         [this] {
             defaults()->setObject("/redodi/ads/sdk_core_url",
                                   base::Value("http://127.0.0.1:1/core.html"));
             EXPECT_EQ(VDSDKCoreWebView::SDKCoreURL().absoluteString(),
                       "http://127.0.0.1:1/core.html");
         }},
        {"madAppId",
         [] {
             // Below system 6.0 the ads client makes an identifier of its own and keeps it.
             ui::Device::current().setSystemVersion("5.1");
             EXPECT_FALSE(VDGestureIdUtil::create()->deviceIdentifier().empty());
         },
         [this] {
             ui::Device::current().setSystemVersion("5.1");
             defaults()->setObject("madAppId", base::Value("pinned-installation"));
             EXPECT_EQ(VDGestureIdUtil::create()->deviceIdentifier(), "pinned-installation");
         }},
        {"redodi_timing_pinned",
         [] {
             auto timings = VDTimingManager::create();
             timings->setIdentifier("pinned");
             timings->addTimingWithCategory("load");
             timings->savePersistentTimings();
         },
         nullptr},
        {"redodi_stats_pinned",
         [] {
             auto statistics = VDStatisticsCore::create();
             statistics->setIdentifier("pinned");
             statistics->setStringForKey(base::Value("kept"), "entry");
             statistics->savePersistentStatistics();
         },
         [this] {
             defaults()->setObject("redodi_stats_read",
                                   base::Value(base::Value::Dictionary{{"entry", "read"}}));
             auto statistics = VDStatisticsCore::create();
             statistics->setIdentifier("read");
             EXPECT_EQ(statistics->stringForKey("entry"), base::Value("read"));
         }},

        // --- Social client.
        {"com.chorus.sdk:ServerBaseURL", nullptr,
         [this] {
             defaults()->setObject("com.chorus.sdk:ServerBaseURL",
                                   base::Value("http://127.0.0.1:1/chorus"));
             EXPECT_EQ(CHSettings::serverBaseURL().absoluteString(), "http://127.0.0.1:1/chorus");
         }},
    };
    // The names the server's constants become: every one of them is a row.
    for (const auto& constant : storedConstants)
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const auto& row) {
            return row.name == "/redodi/ads/" + constant;
        })) << constant;

    // Written by the code: the file holds exactly these names. A row without a writer of its
    // own is written along with another row's (one action writes several names).
    std::set<std::string> written;
    for (const auto& constant : storedConstants)
        written.insert("/redodi/ads/" + constant);
    written.insert({"loded_item", "opn_bookmark", "title", "url",
                    "/redodi/ads/clickthrough_confirm_schemes", "madAppId", "redodi_timing_pinned",
                    "redodi_stats_pinned"});
    for (auto& row : rows)
        if (row.writes) {
            SCOPED_TRACE("writing " + row.name);
            row.writes();
        }
    EXPECT_EQ(namesInDefaultsFile(), written);

    // Read by the code from a value put under the name.
    for (auto& row : rows)
        if (row.reads) {
            SCOPED_TRACE("reading " + row.name);
            row.reads();
        }

    // --- Information dictionary: names a host's Info.plist gives.
    base::Value::Dictionary info{{"BrowserSearchEngineHost", "search.pinned.test"},
                                 {"BrowserAppStoreWebHost", "store.pinned.test"},
                                 {"ChorusAppID", "pinned-app"}};
    auto previous = base::Bundle::install(
        std::make_shared<base::Bundle>(base::Bundle::defaultResourcesDirectory(), info));
    EXPECT_EQ(BrowserSettings::searchEngineHost(), "search.pinned.test");
    EXPECT_EQ(BrowserSettings::appStoreWebHost(), "store.pinned.test");
    EXPECT_EQ(CHSettings::appID(), "pinned-app");
    base::Bundle::install(previous);

    // --- Bookmark store: tables and columns as the code writes them, and rows put there as an
    // earlier version wrote them read back by the code.
    SavedTabs(context).replaceWith({{"Saved", "https://saved.test/"}});
    ASSERT_TRUE(context->save());
    const std::map<std::string, std::set<std::string>> tables = {
        {"Folder", {"_id", "name", "Parent"}},
        {"Bookmark", {"_id", "name", "url", "Folder"}},
        {"Tab", {"_id", "title", "url", "order"}},
    };
    for (const auto& [table, columns] : tables)
        EXPECT_EQ(columnsOf(table), columns) << table;

    executeInStoreFile("DELETE FROM \"Tab\"; DELETE FROM \"Bookmark\"; DELETE FROM \"Folder\";");
    executeInStoreFile("INSERT INTO \"Folder\" (\"_id\", \"name\", \"Parent\") VALUES "
                       "(900, 'Old', NULL), (901, 'Inner', 900)");
    executeInStoreFile("INSERT INTO \"Bookmark\" (\"_id\", \"name\", \"url\", \"Folder\") VALUES "
                       "(910, 'Top', 'top.test', NULL), (911, 'Deep', 'deep.test', 900)");
    executeInStoreFile("INSERT INTO \"Tab\" (\"_id\", \"title\", \"url\", \"order\") VALUES "
                       "(920, 'Second', 'https://two.test/', 1), "
                       "(921, 'First', 'https://one.test/', 0)");
    auto fresh = std::make_shared<BrowserDelegate>()->managedObjectContext();
    ASSERT_TRUE(fresh);
    std::vector<std::string> top;
    for (const auto& object : BrowserDelegate::topLevelItems(*fresh))
        top.push_back(object->entityName() + ":" + textValue(*object, "name"));
    EXPECT_THAT(top, ElementsAre("Folder:Old", "Bookmark:Top"));
    std::vector<std::string> inOld;
    for (const auto& object : BrowserDelegate::folderItems(*fresh, "Old"))
        inOld.push_back(
            object->entityName() + ":" + textValue(*object, "name") +
            (object->entityName() == "Bookmark" ? "@" + textValue(*object, "url") : ""));
    EXPECT_THAT(inOld, ElementsAre("Folder:Inner", "Bookmark:Deep@deep.test"));
    std::vector<std::string> saved;
    SavedTabs(fresh).takeAll([&](const SavedTabs::Entry& entry) {
        saved.push_back(entry.title.value_or("") + "@" + entry.url);
    });
    EXPECT_THAT(saved, ElementsAre("First@https://one.test/", "Second@https://two.test/"));
}

} // namespace
