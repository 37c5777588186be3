#include "browser/AppDelegate.h"
#include "browser/BookmarksTest.h"
#include "platform/base/AppHome.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/testing/HostileServer.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Pasteboard.h"
#include "platform/ui/PhotoAlbum.h"

#include <gmock/gmock.h>

using ::testing::ElementsAreArray;

namespace {

constexpr const char* link = "https://pages.tld/story";
constexpr const char* picture = "https://pages.tld/photo.png";

class LinkMenuTest : public BookmarksTest {
protected:
    void SetUp() override {
        BookmarksTest::SetUp();
        tab = screen->selectedTab();
        // The page is twice as wide as the view: points become two pixels.
        engine().answerScript("window.innerWidth", "640");
        engine().answerScript("window.innerHeight", "872");
        engine().setScriptFallback([this](const std::string& script) -> std::optional<std::string> {
            if (script.starts_with("MyAppGetHTMLElementsAtPoint(")) {
                asked.push_back(script);
                return answer;
            }
            return std::string();
        });
    }
    ui::FakeWebEngine& engine() { return engineOf(*tab); }

    // A long press at the window point, as the window reports one.
    bool longPress(ui::Point point) { return AppDelegate::postTapAndHold(point, screen); }
    std::shared_ptr<ui::ActionSheet> menu() const {
        return ui::Presentation::shared().topActionSheet();
    }
    static std::vector<std::string> entries(const ui::ActionSheet& sheet) {
        std::vector<std::string> out;
        for (std::int64_t i = 0; i < sheet.numberOfButtons(); ++i)
            if (i != sheet.cancelButtonIndex())
                out.push_back(sheet.buttonTitleAtIndex(i));
        return out;
    }
    void choose(const std::string& entry) {
        auto sheet = menu();
        ASSERT_TRUE(sheet);
        for (std::int64_t i = 0; i < sheet->numberOfButtons(); ++i)
            if (sheet->buttonTitleAtIndex(i) == entry) {
                ASSERT_TRUE(sheet->tapButton(i));
                settle();
                return;
            }
        FAIL() << "no entry " << entry;
    }

    std::shared_ptr<Tab> tab;
    std::string answer;
    std::vector<std::string> asked;
};

TEST_F(LinkMenuTest, TheEntriesFollowWhatLiesUnderThePoint) {
    const struct {
        std::string answer;
        std::vector<std::string> entries;
        std::string title;
    } cases[] = {
        {",IMG,A,P,BODY,HTML,|" + std::string(link) + "|" + picture,
         {"Open Link", "Open Link in New Tab", "Copy Link", "Save Image", "Save Page as Bookmark",
          "Open Page in Safari"},
         link},
        {",A,P,BODY,HTML,|" + std::string(link),
         {"Open Link", "Open Link in New Tab", "Copy Link", "Save Page as Bookmark",
          "Open Page in Safari"},
         link},
        {",IMG,BODY,HTML,|" + std::string(picture),
         {"Save Image", "Save Page as Bookmark", "Open Page in Safari"},
         picture},
        // Plain text, and an answer the page could not give: no menu.
        {",P,BODY,HTML,|", {}, ""},
        {"", {}, ""},
    };
    for (const auto& [pageAnswer, expected, title] : cases) {
        SCOPED_TRACE(pageAnswer);
        answer = pageAnswer;
        const bool shown = longPress(ui::Point(100, 300));
        EXPECT_EQ(shown, !expected.empty());
        auto sheet = menu();
        if (expected.empty()) {
            EXPECT_FALSE(sheet);
            continue;
        }
        ASSERT_TRUE(sheet);
        EXPECT_THAT(entries(*sheet), ElementsAreArray(expected));
        EXPECT_EQ(sheet->title(), title);
        EXPECT_EQ(sheet->buttonTitleAtIndex(sheet->cancelButtonIndex()), "Cancel");
        // One menu at a time, while it comes in and once it is up.
        const auto before = asked.size();
        EXPECT_TRUE(longPress(ui::Point(100, 300)));
        settle();
        EXPECT_TRUE(tab->actionSheetVisible());
        EXPECT_TRUE(longPress(ui::Point(100, 300)));
        EXPECT_EQ(asked.size(), before);
        ASSERT_TRUE(sheet->tapButton(sheet->cancelButtonIndex()));
        settle();
        EXPECT_FALSE(tab->actionSheetVisible());
    }
}

TEST_F(LinkMenuTest, ThePointIsTakenBelowTheTopBarInThePagesPixels) {
    // The page starts below the top bar (96 points); 640 page pixels span the 320 points.
    answer = ",A,|" + std::string(link);
    longPress(ui::Point(100, 300));
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), "MyAppGetHTMLElementsAtPoint(200,408);");
    // The script that defines the function ran first.
    const auto& scripts = engine().evaluatedScripts();
    EXPECT_TRUE(std::any_of(scripts.begin(), scripts.end(), [](const std::string& script) {
        return script.find("function MyAppGetHTMLElementsAtPoint") != std::string::npos;
    }));
}

TEST_F(LinkMenuTest, OnlyTheSelectedTabAnswers) {
    answer = ",A,|" + std::string(link);
    screen->addTab(ui::InterfaceObject());
    ASSERT_NE(screen->selectedTab(), tab);
    engineOf(*screen->selectedTab()).answerScript("window.innerWidth", "320");
    EXPECT_FALSE(longPress(ui::Point(100, 300)));
    EXPECT_TRUE(asked.empty());
}

TEST_F(LinkMenuTest, TheEntriesActOnTheLink) {
    answer = ",IMG,A,|" + std::string(link) + "|" + picture;

    longPress(ui::Point(100, 300));
    choose("Open Link");
    EXPECT_EQ(lastFetchedAddress(), link);
    EXPECT_EQ(screen->selectedTab(), tab);

    longPress(ui::Point(100, 300));
    choose("Copy Link");
    EXPECT_EQ(ui::Pasteboard::general().string(), link);

    longPress(ui::Point(100, 300));
    choose("Open Page in Safari");
    EXPECT_EQ(openedURLs, std::vector<std::string>{link});

    longPress(ui::Point(100, 300));
    choose("Open Link in New Tab");
    ASSERT_EQ(screen->tabs().size(), 2u);
    EXPECT_NE(screen->selectedTab(), tab);
    EXPECT_EQ(lastFetchedAddress(), link);
}

TEST_F(LinkMenuTest, SaveImageSavesTheImageNotTheLinkedPage) {
    net::TestHTTPServer server;
    const base::Data png =
        *base::readFile(base::Bundle::main().pathForResource("bookmark", "png").value());
    server.server().Get("/photo.png", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(png.toString(), "image/png");
    });
    server.server().Get("/story", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("<html>a story</html>", "text/html");
    });
    server.start();
    answer = ",IMG,A,|" + server.url("/story") + "|" + server.url("/photo.png");
    longPress(ui::Point(100, 300));
    choose("Save Image");
    ASSERT_TRUE(base::RunLoop::main().runUntil([] { return !ui::PhotoAlbum::savedFiles().empty(); },
                                               std::chrono::seconds(10)));
    EXPECT_EQ(*base::readFile(ui::PhotoAlbum::savedFiles().front()), png);

    // What is no image is not saved.
    answer = ",IMG,|" + server.url("/story");
    longPress(ui::Point(100, 300));
    choose("Save Image");
    base::RunLoop::main().runUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(ui::PhotoAlbum::savedFiles().size(), 1u);
}

TEST_F(LinkMenuTest, SaveImageStopsAtAnImageTooLargeToKeep) {
    testing_support::HostileServer server(Tab::maximumImageLength + 1, "image/png");
    answer = ",IMG,|" + server.url("/bomb");
    longPress(ui::Point(100, 300));
    choose("Save Image");
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] { return logged("Cannot save the image " + server.url("/bomb")); },
        std::chrono::seconds(10)));
    EXPECT_TRUE(logged("exceeds the maximum size"));
    EXPECT_TRUE(ui::PhotoAlbum::savedFiles().empty());
}

TEST_F(LinkMenuTest, SavePageAsBookmarkOpensTheFormForTheLinkOnTheBookmarksScreen) {
    answer = ",A,|" + std::string(link);
    longPress(ui::Point(100, 300));
    choose("Save Page as Bookmark");
    auto bookmarks = screen->bookmarksController();
    auto form = screen->bookmarksFormController();
    EXPECT_EQ(bookmarks->topViewController(), form);
    EXPECT_TRUE(form->navigationItem()->hidesBackButton());
    EXPECT_EQ(form->urlField()->text(), link);
    EXPECT_EQ(form->nameField()->text(), "Untitled");
    // The bookmarks screen took the browser screen's place.
    EXPECT_FALSE(screen->view()->superview());
    EXPECT_TRUE(bookmarks->view()->superview());
    form->saveBookmark(ui::InterfaceObject());
    settle();
    EXPECT_THAT(storedBookmarks(), ElementsAreArray({"Untitled"}));
}

class PadLinkMenuTest : public LinkMenuTest {
protected:
    ui::UserInterfaceIdiom idiom() const override { return ui::UserInterfaceIdiom::Pad; }
};

TEST_F(PadLinkMenuTest, ThePointIsTakenBelowThePadsTopBar) {
    answer = ",A,|" + std::string(link);
    const double bar = screen->topBar()->frame().size.height;
    const double width = screen->webView()->frame().size.width;
    engine().answerScript("window.innerWidth", std::to_string(int(width)));
    longPress(ui::Point(100, 300));
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(),
              "MyAppGetHTMLElementsAtPoint(100," + std::to_string(int(300 - bar)) + ");");
}

} // namespace
