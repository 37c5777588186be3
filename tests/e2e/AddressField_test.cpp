// The address field and its buttons in the program's real window, driven by the X server's mouse
// and keyboard: the field names the page shown (after a page's script opened a window, after
// leaving the field without Return, on the page of a failed load, on a tab whose page is on its
// way), the reload button shows only when there is a page to fetch again and fetches it, and the
// stop mark goes once nothing is loading.

#include "browser/StalePageServer.h"
#include "platform/net/CookieStorage.h"
#include "platform/net/FakeReachabilitySource.h"
#include "tests/e2e/BrowserWindowTest.h"

#include <atomic>
#include <cairo.h>
#include <mutex>

namespace {

using namespace std::chrono_literals;

std::string page(const std::string& title, const std::string& body) {
    return "<html><head><title>" + title + "</title></head><body style='margin:0'>" + body +
           "</body></html>";
}

class AddressFieldWindowTest : public BrowserWindowTest {
protected:
    void SetUp() override {
        BrowserWindowTest::SetUp();
        // The first tab shows the start page, then loads the search engine's home page: the
        // window takes clicks once that is over.
        ASSERT_TRUE(eventually([&] { return !tab().webView()->isLoading(); }));
    }
    void addPages(httplib::Server& pages) override {
        pages.Get("/first", [this](const httplib::Request&, httplib::Response& response) {
            ++firstHits_;
            response.set_content(page("First", "<p style='height:2000px'>first</p>"), "text/html");
        });
        pages.Get("/second", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(page("Second", "<p>second</p>"), "text/html");
        });
        pages.Get("/opener", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(page("Opener", "<button id='open' style='width:200px;"
                                                "height:80px' onclick=\"window.open('/second')\">"
                                                "open</button>"),
                                 "text/html");
        });
        // Sets a cookie for its host and one whose Domain ends in a dot.
        pages.Get("/set", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Set-Cookie", "plain=2");
            response.headers.emplace("Set-Cookie", "dotted=1; Domain=localhost.");
            response.set_content(page("Set", ""), "text/html");
        });
        pages.Get("/echo", [this](const httplib::Request& request, httplib::Response& response) {
            {
                std::lock_guard lock(mutex_);
                echoedCookies_ = request.get_header_value("Cookie");
            }
            response.set_content(page("Echo", ""), "text/html");
        });
    }

    Tab& tab() { return *screen->selectedTab(); }
    std::string fieldText() { return screen->addressBar()->text(); }
    // What the window's entry for the address field shows.
    std::string entryText() {
        window_->sync();
        GtkWidget* entry = window_->canvas().widgetFor(*screen->addressBar());
        return entry ? gtk_editable_get_text(GTK_EDITABLE(entry)) : "(no entry)";
    }

    // A click on the field, then the text typed over its selected text (without Return).
    ::testing::AssertionResult typeIntoField(const std::string& text) {
        auto field = screen->addressBar();
        input->click(centreOf(*field));
        if (!eventually([&] { return field->isFirstResponder(); }))
            return ::testing::AssertionFailure() << "the field took no focus";
        // Focusing selects the whole text on the next turn; typing then replaces it.
        eventually([&] { return field->selectedText() == field->text(); }, 5s);
        window_->sync();
        input->type(text);
        if (!eventually([&] { return field->text() == text; }))
            return ::testing::AssertionFailure() << "the field shows " << field->text();
        return ::testing::AssertionSuccess();
    }
    bool cannotOpenPageShown() {
        return eventually([&] { return js(tab(), "document.title") == "Cannot Open Page"; });
    }

    std::string echoedCookies() {
        std::lock_guard lock(mutex_);
        return echoedCookies_;
    }

    std::atomic<int> firstHits_{0};

private:
    std::mutex mutex_;
    std::string echoedCookies_;
};

// A page's script that opens a window shows the page in the same tab, and the address field and
// the history follow it.
TEST_F(AddressFieldWindowTest, AWindowOpenedByAPageIsNamedInTheFieldAndBackLeadsToItsOpener) {
    ASSERT_TRUE(open(server.url("/opener"), "Opener"));
    input->click(centreOf(tab(), "open"));
    ASSERT_TRUE(finishes(tab(), "Second"));
    EXPECT_EQ(fieldText(), server.url("/second"));
    EXPECT_EQ(entryText(), server.url("/second"));
    EXPECT_EQ(tab().history().size(), 2u);
    EXPECT_EQ(screen->tabs().size(), 1u);

    ASSERT_TRUE(screen->backButton()->isEnabled());
    click(*screen->backButton());
    ASSERT_TRUE(finishes(tab(), "Opener"));
    EXPECT_EQ(fieldText(), server.url("/opener"));
    EXPECT_EQ(tab().history_position(), 0);
}

// Leaving the field without Return, by Escape or by a click on the page, puts the page's address
// and the reload button back; nothing is loaded.
TEST_F(AddressFieldWindowTest, LeavingTheFieldByEscapeOrAClickOnThePagePutsTheAddressBack) {
    ASSERT_TRUE(open(server.url("/first"), "First"));
    const std::string address = server.url("/first");
    ASSERT_TRUE(typeIntoField("something else"));
    EXPECT_TRUE(screen->addressBarButtonsView()->isHidden());
    input->pressEscape();
    ASSERT_TRUE(eventually([&] { return !screen->addressBar()->isFirstResponder(); }));
    EXPECT_EQ(fieldText(), address);
    EXPECT_EQ(entryText(), address);
    EXPECT_FALSE(screen->addressBarButtonsView()->isHidden());
    EXPECT_FALSE(screen->refreshButton()->isHidden());

    ASSERT_TRUE(typeIntoField("more words"));
    input->click(inWindow(*tab().webView(), ui::Point(160, 300)));
    ASSERT_TRUE(eventually([&] { return !screen->addressBar()->isFirstResponder(); }));
    EXPECT_EQ(fieldText(), address);
    EXPECT_EQ(entryText(), address);
    EXPECT_FALSE(screen->refreshButton()->isHidden());
    EXPECT_FALSE(tab().loading());
    EXPECT_EQ(tab().history().size(), 1u);

    // The reload button is there to click, and fetches the page again.
    ASSERT_TRUE(stillAnimations());
    input->click(centreOf(*screen->refreshButton()));
    ASSERT_TRUE(eventually([&] { return firstHits_.load() == 2; }));
    ASSERT_TRUE(finishes(tab(), "First"));
    EXPECT_EQ(fieldText(), address);
}

// The page of a load that could not be made is reloaded from the reload button; Back taken offline
// names the page it went to, not text typed before.
TEST_F(AddressFieldWindowTest, TheUnableToConnectPageIsReloadedFromItsButton) {
    reachability().setFlags(0);
    ASSERT_TRUE(typeIntoField(server.url("/first")));
    input->pressReturn();
    ASSERT_TRUE(cannotOpenPageShown());
    EXPECT_TRUE(screen->stopButton()->isHidden());
    ASSERT_FALSE(screen->refreshButton()->isHidden());
    reachability().setFlags(net::ReachabilityFlagReachable);
    input->click(centreOf(*screen->refreshButton()));
    ASSERT_TRUE(finishes(tab(), "First"));
    EXPECT_EQ(js(tab(), "document.body.innerText"), "first");
    EXPECT_EQ(tab().history().size(), 1u);

    ASSERT_TRUE(open(server.url("/second"), "Second"));
    ASSERT_TRUE(typeIntoField("typed before"));
    input->pressReturn();
    ASSERT_TRUE(eventually(
        [&] { return !tab().loading() && js(tab(), "document.title") == "Cannot Open Page"; }));
    reachability().setFlags(0);
    click(*screen->backButton());
    ASSERT_TRUE(eventually([&] { return fieldText() == server.url("/second"); }));
    EXPECT_TRUE(cannotOpenPageShown());
    EXPECT_TRUE(screen->stopButton()->isHidden());
    ASSERT_FALSE(screen->refreshButton()->isHidden());
    reachability().setFlags(net::ReachabilityFlagReachable);
    input->click(centreOf(*screen->refreshButton()));
    ASSERT_TRUE(finishes(tab(), "Second"));
    EXPECT_EQ(fieldText(), server.url("/second"));
}

// A tab whose page is still on its way, selected again, shows its own address and the stop mark.
TEST_F(AddressFieldWindowTest, SwitchingToATabWhosePageIsOnItsWayShowsThatTabsAddress) {
    StalePageServer held;
    ASSERT_TRUE(open(server.url("/first"), "First"));
    ASSERT_TRUE(typeIntoField(held.url("/slow")));
    input->pressReturn();
    ASSERT_TRUE(eventually([&] { return held.requested.load() && tab().loading(); }));
    const auto loading = screen->selectedTab();

    input->click(centreOf(*screen->addTab()));
    ASSERT_TRUE(eventually([&] { return screen->tabs().size() == 2u; }));
    ASSERT_TRUE(open(server.url("/second"), "Second"));
    EXPECT_EQ(fieldText(), server.url("/second"));

    input->click(centreOf(*loading->tabButton()));
    ASSERT_TRUE(eventually([&] { return screen->selectedTab() == loading; }));
    EXPECT_EQ(fieldText(), held.url("/slow"));
    EXPECT_EQ(entryText(), held.url("/slow"));
    EXPECT_FALSE(screen->stopButton()->isHidden());
    EXPECT_TRUE(screen->refreshButton()->isHidden());

    input->click(centreOf(*screen->stopButton()));
    ASSERT_TRUE(eventually([&] { return screen->stopButton()->isHidden(); }));
    EXPECT_EQ(fieldText(), server.url("/first"));
    ASSERT_TRUE(held.releaseAndWaitForTheEnd());
}

// A new blank tab offers no reload (a click there searches for nothing); a search whose page
// cannot be fetched ends with the reload button, not the stop mark.
TEST_F(AddressFieldWindowTest, ANewTabHasNoReloadButtonAndASearchEndsWithoutTheStopMark) {
    input->click(centreOf(*screen->addTab()));
    ASSERT_TRUE(eventually([&] { return screen->tabs().size() == 2u; }));
    ASSERT_TRUE(eventually([&] { return !tab().webView()->isLoading(); }));
    EXPECT_TRUE(screen->refreshButton()->isHidden());
    EXPECT_TRUE(screen->stopButton()->isHidden());
    input->click(centreOf(*screen->refreshButton()));
    EXPECT_FALSE(eventually([&] { return tab().loading() || !tab().history().empty(); }, 2s));
    EXPECT_EQ(fieldText(), "");

    // The search engine of the tests listens nowhere: the search fails.
    ASSERT_TRUE(typeIntoField("some words"));
    input->pressReturn();
    ASSERT_TRUE(cannotOpenPageShown());
    ASSERT_TRUE(eventually([&] { return !tab().loading(); }));
    EXPECT_TRUE(screen->stopButton()->isHidden());
    EXPECT_FALSE(screen->refreshButton()->isHidden());
    EXPECT_EQ(fieldText(), "some words");
    // Selected again, the tab still shows no stop mark.
    const auto searched = screen->selectedTab();
    input->click(centreOf(*screen->tabs()[0]->tabButton()));
    ASSERT_TRUE(eventually([&] { return screen->selectedTab() == screen->tabs()[0]; }));
    input->click(centreOf(*searched->tabButton()));
    ASSERT_TRUE(eventually([&] { return screen->selectedTab() == searched; }));
    EXPECT_TRUE(screen->stopButton()->isHidden());
}

// A cookie whose Domain ends in a dot is ignored: it is neither kept nor sent.
TEST_F(AddressFieldWindowTest, ACookieWhoseDomainEndsInADotIsNeitherKeptNorSent) {
    // A host without a dot is searched for when typed: the pages open as a bookmark does.
    const std::string host = "http://localhost:" + std::to_string(server.port());
    screen->addTabWithAddress(host + "/set");
    ASSERT_TRUE(finishes(tab(), "Set"));
    screen->addTabWithAddress(host + "/echo");
    ASSERT_TRUE(finishes(tab(), "Echo"));
    EXPECT_EQ(echoedCookies(), "plain=2");
    for (const auto& cookie : net::CookieStorage::shared()->cookies())
        EXPECT_NE(cookie.name, "dotted");
}

// A long address not being edited shows its start, and its text stays in the field's text
// area, clear of the reload button on its right.
TEST_F(AddressFieldWindowTest, ALongAddressShowsItsStartClearOfTheReloadButton) {
    const std::string address = server.url("/second?") + std::string(120, 'w') + "end";
    ASSERT_TRUE(open(address, "Second"));
    auto field = screen->addressBar();
    ASSERT_EQ(fieldText(), address);
    ASSERT_FALSE(field->isFirstResponder());
    ASSERT_TRUE(field->rightView() && field->rightView()->window()) << "no reload button";
    window_->sync();
    GtkWidget* entry = window_->canvas().widgetFor(*field);
    ASSERT_TRUE(entry);
    const ui::Rect text =
        field->convertRectToView(field->textRectForBounds(field->bounds()), nullptr);
    const ui::Rect reload =
        field->rightView()->convertRectToView(field->rightView()->bounds(), nullptr);
    ASSERT_TRUE(eventually([&] { return gtk_widget_get_width(entry) > 0; }));
    graphene_rect_t placed;
    ASSERT_TRUE(gtk_widget_compute_bounds(entry, window_->canvas().widget(), &placed));
    EXPECT_LE(placed.origin.x + placed.size.width, reload.minX() + 0.5);
    EXPECT_NEAR(placed.origin.x, text.minX(), 0.5);
    EXPECT_EQ(gtk_editable_get_position(GTK_EDITABLE(entry)), 0);

    // The field's first part looks as it does with only the address's start in it.
    const ui::Rect start(text.minX(), text.minY() + 2, 100, text.height() - 4);
    const auto drawn = [&] {
        std::vector<std::uint32_t> pixels;
        const auto file = homeDirectory() / "field.png";
        if (!window_->writeScreenshot(file).ok())
            return pixels;
        cairo_surface_t* surface = cairo_image_surface_create_from_png(file.c_str());
        if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS)
            for (int y = int(start.minY()); y < int(start.maxY()); ++y) {
                const auto* row = reinterpret_cast<const std::uint32_t*>(
                    cairo_image_surface_get_data(surface) +
                    y * cairo_image_surface_get_stride(surface));
                pixels.insert(pixels.end(), row + int(start.minX()), row + int(start.maxX()));
            }
        cairo_surface_destroy(surface);
        return pixels;
    };
    base::RunLoop::main().runUntil([] { return false; }, 300ms);
    const auto whole = drawn();
    ASSERT_FALSE(whole.empty());
    field->setText(address.substr(0, 30));
    window_->sync();
    base::RunLoop::main().runUntil([] { return false; }, 300ms);
    EXPECT_EQ(drawn(), whole) << "the field does not show the address's start";
}

} // namespace
