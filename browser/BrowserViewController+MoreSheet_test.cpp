#include "browser/BookmarksTest.h"
#include "platform/net/CookieStorage.h"
#include "platform/net/URLCache.h"
#include "platform/ui/NavigationItem.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

const std::vector<std::string> allRows = {"Add Bookmark", "Clear Cookies", "Clear Cache",
                                          "Import Bookmarks", "Cancel"};
const std::vector<std::string> rowsOnOwnPages = {"Clear Cookies", "Clear Cache", "Import Bookmarks",
                                                 "Cancel"};

class MoreSheetTest : public BookmarksTest {
public:
    // The selected tab's page: an address of the web, one of the application's files, or
    // markup loaded without an address.
    void showWebPage() {
        screen->webView()->loadRequest(net::URLRequest::withURLString("https://news.tld/today"));
        engineOf(*screen->selectedTab()).answerScript("document.title", "Today");
        engineOf(*screen->selectedTab())
            .answerScript("window.location.href", "https://news.tld/today");
    }
    void showFilePage() {
        screen->webView()->loadRequest(net::URLRequest(base::URL::fileURL("/app/launch.html")));
    }
    void showMarkup() { screen->webView()->loadHTMLString("<p>start</p>", std::nullopt); }

protected:
    std::shared_ptr<ui::ActionSheet> tapMore() {
        EXPECT_TRUE(barItem(*screen->bottomBar(), "More")->simulateTap());
        return ui::Presentation::shared().topActionSheet();
    }
    static std::vector<std::string> titles(const ui::ActionSheet& sheet) {
        std::vector<std::string> out;
        for (std::int64_t i = 0; i < sheet.numberOfButtons(); ++i)
            out.push_back(sheet.buttonTitleAtIndex(i));
        return out;
    }
    void tapRowTitled(ui::ActionSheet& sheet, const std::string& title) {
        for (std::int64_t i = 0; i < sheet.numberOfButtons(); ++i)
            if (sheet.buttonTitleAtIndex(i) == title) {
                ASSERT_TRUE(sheet.tapButton(i));
                settle();
                return;
            }
        FAIL() << "no row " << title;
    }

    static void putCookieAndCacheEntry() {
        const auto url = *base::URL::parse("https://news.tld/");
        ASSERT_TRUE(net::CookieStorage::shared()->setCookie(
            *net::Cookie::fromSetCookie("session=1; Path=/", url, base::Date::now())));
        net::URLCache::shared()->storeCachedResponse(
            net::CachedURLResponse(net::HTTPURLResponse(url, 200, {}),
                                   base::Data::fromString("body"), base::Date::now()),
            net::URLRequest(url));
    }
    static std::size_t cookieCount() { return net::CookieStorage::shared()->cookies().size(); }
    static bool cached() {
        return net::URLCache::shared()
            ->cachedResponse(net::URLRequest(*base::URL::parse("https://news.tld/")))
            .has_value();
    }
};

TEST_F(MoreSheetTest, TheRowsFollowThePageShownWhenTheSheetIsBuilt) {
    const struct {
        void (MoreSheetTest::*show)();
        const std::vector<std::string>& rows;
    } cases[] = {
        {&MoreSheetTest::showWebPage, allRows},
        {&MoreSheetTest::showFilePage, rowsOnOwnPages},
        {&MoreSheetTest::showMarkup, rowsOnOwnPages},
    };
    for (const auto& [show, rows] : cases) {
        (this->*show)();
        auto sheet = tapMore();
        ASSERT_TRUE(sheet);
        EXPECT_THAT(titles(*sheet), ElementsAreArray(rows));
        EXPECT_EQ(sheet->cancelButtonIndex(), std::int64_t(rows.size() - 1));
        EXPECT_EQ(sheet->title(), "");
        EXPECT_EQ(sheet->shownInView(), screen->view());
        EXPECT_EQ(sheet, screen->popupQuery());
        ASSERT_TRUE(sheet->tapButton(sheet->cancelButtonIndex()));
        settle();
    }
}

TEST_F(MoreSheetTest, ARowActsAsShownEvenWhenThePageChangedBeforeTheTap) {
    putCookieAndCacheEntry();
    // Shown on a web page, the first row is "Add Bookmark", and stays so once the page is a
    // file of the application's own.
    showWebPage();
    auto sheet = tapMore();
    showFilePage();
    ASSERT_TRUE(sheet->tapButton(0));
    settle();
    EXPECT_TRUE(top<BookmarksFormController>());
    EXPECT_EQ(cookieCount(), 1u);
    navigation->popViewControllerAnimated(false);
    settle();

    // Shown on the application's page, the first row is "Clear Cookies", even once the page is
    // a web page.
    showFilePage();
    sheet = tapMore();
    showWebPage();
    ASSERT_TRUE(sheet->tapButton(0));
    settle();
    EXPECT_FALSE(top<BookmarksFormController>());
    EXPECT_EQ(cookieCount(), 0u);
    EXPECT_TRUE(cached());
}

TEST_F(MoreSheetTest, AddBookmarkOpensTheFormWithThePagesTitleAndAddressAndSavesIt) {
    showWebPage();
    tapRowTitled(*tapMore(), "Add Bookmark");
    auto form = top<BookmarksFormController>();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->mode(), BookmarksFormController::addMode);
    EXPECT_EQ(form->nameField()->text(), "Today");
    EXPECT_EQ(form->urlField()->text(), "https://news.tld/today");
    EXPECT_TRUE(logged("sdvsdv  Today"));
    // Save, tapped in the navigation bar where the bar shows it.
    auto saveItem = form->navigationItem()->rightBarButtonItem();
    ASSERT_TRUE(saveItem && saveItem->barView());
    const ui::Rect frame = saveItem->barView()->convertRectToView(saveItem->frameInBar(), nullptr);
    window->simulateTap(ui::Point(frame.midX(), frame.midY()));
    settle();
    EXPECT_THAT(storedBookmarks(), ElementsAre("Today"));
    EXPECT_EQ(navigation->topViewController(), screen);
}

TEST_F(MoreSheetTest, ClearCookiesAndClearCacheEmptyTheSharedStores) {
    putCookieAndCacheEntry();
    tapRowTitled(*tapMore(), "Clear Cache");
    EXPECT_FALSE(cached());
    EXPECT_EQ(cookieCount(), 1u);
    tapRowTitled(*tapMore(), "Clear Cookies");
    EXPECT_EQ(cookieCount(), 0u);
}

TEST_F(MoreSheetTest, ImportBookmarksShowsTheHelpPageInANewTab) {
    showWebPage();
    auto first = screen->selectedTab();
    screen->addressBar()->setText("https://news.tld/today");
    tapRowTitled(*tapMore(), "Import Bookmarks");
    ASSERT_EQ(screen->tabs().size(), 2u);
    auto help = screen->selectedTab();
    EXPECT_NE(help, first);
    EXPECT_EQ(screen->addressBar()->text(), "");
    const auto& loads = engineOf(*help).loads();
    ASSERT_FALSE(loads.empty());
    const auto* page = std::get_if<ui::FakeWebEngine::DataLoad>(&loads.back());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->MIMEType, "text/html");
    EXPECT_EQ(page->textEncodingName, "utf-8");
    EXPECT_FALSE(page->baseURL);
    EXPECT_THAT(page->data.toString(), ::testing::HasSubstr("<title>Importing Bookmarks"));
    // The tab before keeps its page.
    EXPECT_EQ(first->webView()->request()->url()->absoluteString(), "https://news.tld/today");
}

TEST_F(MoreSheetTest, TheBookmarksButtonOpensTheBookmarksList) {
    folder("Reading");
    save();
    ASSERT_TRUE(barItem(*screen->bottomBar(), "Bookmarks")->simulateTap());
    settle();
    auto list = top<BookmarksController>();
    ASSERT_TRUE(list);
    EXPECT_THAT(rows(*list), ElementsAre("F:Reading"));
}

TEST_F(MoreSheetTest, StopStopsThePageAndPutsTheReloadButtonBack) {
    // A tab with a page of its own: a new one would have nothing to reload.
    screen->selectedTab()->setCurrentURLString("http://host.tld/page");
    screen->stopButton()->setHidden(false);
    screen->refreshButton()->setHidden(true);
    screen->progressBar()->setHidden(false);
    const int stops = engineOf(*screen->selectedTab()).stopCount();
    screen->stopLoading(ui::InterfaceObject(screen->stopButton()));
    EXPECT_TRUE(screen->stopButton()->isHidden());
    EXPECT_FALSE(screen->refreshButton()->isHidden());
    EXPECT_TRUE(screen->progressBar()->isHidden());
    EXPECT_EQ(engineOf(*screen->selectedTab()).stopCount(), stops + 1);
}

class PadMoreSheetTest : public MoreSheetTest {
protected:
    ui::UserInterfaceIdiom idiom() const override { return ui::UserInterfaceIdiom::Pad; }
};

TEST_F(PadMoreSheetTest, OnAPadTheSheetComesFromTheButtonAndASecondTapClosesIt) {
    auto popover = ui::PopoverController::create(ui::ViewController::create());
    screen->setPadPopover(popover);
    popover->presentPopoverFromRectInView(ui::Rect(0, 0, 10, 10), screen->view(),
                                          ui::PopoverArrowDirectionAny, false);
    ASSERT_TRUE(popover->isPopoverVisible());

    auto sheet = tapMore();
    ASSERT_TRUE(sheet);
    EXPECT_FALSE(popover->isPopoverVisible());
    EXPECT_EQ(sheet->shownFromBarButtonItem(), screen->moreButton());
    EXPECT_EQ(screen->barItemPopoverPresenter(), screen->moreButton());
    // A second tap closes it, reporting no row.
    tapMore();
    settle();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_FALSE(ui::Presentation::shared().topActionSheet());
    EXPECT_EQ(screen->barItemPopoverPresenter(), nullptr);

    // After a row was chosen, the first tap only forgets the button; the next opens again.
    tapRowTitled(*tapMore(), "Clear Cache");
    tapMore();
    settle();
    EXPECT_FALSE(ui::Presentation::shared().topActionSheet());
    EXPECT_TRUE(tapMore());
}

} // namespace
