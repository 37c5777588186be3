// The share panel as a person meets it: the program's screen in its real window, every button
// clicked where it is drawn, through the X server.

#include "chorus/core/CHSession.h"
#include "chorus/core/CHSettings.h"
#include "chorus/core/CHWebDialogViewController.h"
#include "platform/base/AppHome.h"
#include "platform/base/UserDefaults.h"
#include "platform/gtk/PangoTextMeasurer.h"
#include "platform/gtk/ViewCanvas.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/testing/LogCapture.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/MailComposer.h"
#include "platform/ui/ShareSheet.h"
#include "platform/ui/SheetBar.h"
#include "platform/ui/TextField.h"
#include "tests/e2e/LaunchedBrowserTest.h"
#include "tests/fixtures/chorus/ChorusServer.h"

#include <array>
#include <cairo.h>
#include <gtest/gtest.h>

// Last: the X11 headers it brings define macros (None, Status, Success) that others' names use.
#include "tests/e2e/WindowInput.h"

namespace {

using namespace std::chrono_literals;

class SharePanelWindowTest : public LaunchedBrowserTest {
protected:
    void SetUp() override {
        LaunchedBrowserTest::SetUp();
        launch();
        showWindow("share panel");
        ASSERT_TRUE(waitFor([&] { return !screen_->tabs().empty(); }));
    }

    static bool waitFor(const std::function<bool()>& condition) {
        return base::RunLoop::main().runUntil(condition, 20s);
    }
    // A click at window coordinates, through the X server.
    void click(ui::Point point) {
        window_->sync();
        WindowInput input(window_->canvas().widget());
        ASSERT_TRUE(input.available());
        input.click(point);
    }
    // The centre of a view, in window coordinates.
    static ui::Point centreOf(const ui::View& view) {
        const ui::Rect frame = view.convertRectToView(view.bounds(), nullptr);
        return ui::Point(frame.midX(), frame.midY());
    }
    ui::Point shareButton() {
        for (const auto& item : screen_->bottomBar()->items())
            if (item->accessibilityLabel() == "Share") {
                const ui::Rect bar = screen_->bottomBar()->convertRectToView(
                    screen_->bottomBar()->bounds(), nullptr);
                const ui::Rect frame = item->frameInBar();
                return ui::Point(bar.minX() + frame.midX(), bar.minY() + frame.midY());
            }
        ADD_FAILURE() << "no share button";
        return ui::Point();
    }
    std::shared_ptr<ui::View> panelButton(const std::string& label) {
        for (const auto& view : screen_->imgpicker()->subviews())
            if (view->accessibilityLabel() == label)
                return view;
        return nullptr;
    }
    // The colour of a pixel of the window as drawn now: red, green, blue.
    std::array<int, 3> pixel(ui::Point point) {
        const auto file = homeDirectory() / "window.png";
        auto written = window_->writeScreenshot(file);
        EXPECT_TRUE(written.ok());
        cairo_surface_t* surface = cairo_image_surface_create_from_png(file.c_str());
        const unsigned char* row = cairo_image_surface_get_data(surface) +
                                   int(point.y) * cairo_image_surface_get_stride(surface);
        const std::uint32_t value = reinterpret_cast<const std::uint32_t*>(row)[int(point.x)];
        cairo_surface_destroy(surface);
        return {int((value >> 16) & 0xff), int((value >> 8) & 0xff), int(value & 0xff)};
    }

    // How bright the page is at `top`, as the window draws it now.
    int brightness() {
        const auto colour = pixel(top);
        return colour[0] + colour[1] + colour[2];
    }
    static constexpr ui::Point top{160, 200}; // on the page, far from the panel

    bool logged(const std::string& line) const { return log_.contains(line); }

    // The shown sheet of this kind once its presentation has ended.
    template <class T> std::shared_ptr<T> shownSheet() {
        std::shared_ptr<T> sheet;
        waitFor([&] {
            sheet = ui::Presentation::shared().topController<T>();
            return sheet && !sheet->isBeingPresented();
        });
        return sheet && !sheet->isBeingPresented() ? sheet : nullptr;
    }
    // A click on an item of a sheet's bar.
    void click(const ui::SheetBar& bar, const ui::BarButtonItem& item) {
        const ui::Rect frame = bar.frameOfItem(item, nullptr);
        click(ui::Point(frame.midX(), frame.midY()));
    }
    // A click into a text field of a sheet, then the text typed on the keyboard.
    void typeInto(ui::TextField& field, const std::string& text) {
        click(centreOf(field));
        ASSERT_TRUE(waitFor([&] { return field.isFirstResponder(); })) << "no focus";
        window_->sync();
        const std::string before = field.text();
        WindowInput(window_->canvas().widget()).type(text);
        ASSERT_TRUE(waitFor([&] { return field.text().size() == before.size() + text.size(); }))
            << "the field shows " << field.text();
    }
    // The shown alert's message, once its Done button has been clicked away.
    std::string clickAlertDone() {
        auto alert = ui::Presentation::shared().topAlertView();
        if (!alert) {
            ADD_FAILURE() << "no alert";
            return "(no alert)";
        }
        GtkWidget* done = nullptr;
        EXPECT_TRUE(waitFor([&] {
            window_->sync();
            done = WindowInput::findButton(GTK_WIDGET(window_->gtkWindow()), "Done");
            return done && gtk_widget_get_mapped(done);
        }));
        if (!done)
            return "(no Done button)";
        WindowInput(done).click(
            ui::Point(gtk_widget_get_width(done) / 2.0, gtk_widget_get_height(done) / 2.0));
        EXPECT_TRUE(waitFor([&] { return !ui::Presentation::shared().topAlertView(); }));
        return alert->message();
    }
    // Opens the panel with the toolbar's button and clicks one of its buttons.
    void clickInPanel(const std::string& label) {
        click(shareButton());
        ASSERT_FALSE(screen_->darkview()->isHidden());
        auto button = panelButton(label);
        ASSERT_TRUE(button) << label;
        click(centreOf(*button));
        // Every button closes the panel, which slides away.
        EXPECT_GT(screen_->imgpicker()->frame().minY(), 480) << label;
        EXPECT_TRUE(waitFor([&] { return screen_->darkview()->isHidden(); })) << label;
    }

    testing_support::LogCapture log_;
};

TEST_F(SharePanelWindowTest, TheShareButtonOpensThePanelWhoseButtonsAndDimmingViewAct) {
    ASSERT_TRUE(waitFor([&] { return brightness() > 700; })) << "the start page is white";
    click(shareButton());
    ASSERT_FALSE(screen_->darkview()->isHidden());
    // The panel stands on the screen's bottom edge, and the page behind it is dimmed.
    const ui::Rect panel = screen_->imgpicker()->frame();
    EXPECT_EQ(panel.maxY(), 480);
    EXPECT_TRUE(waitFor([&] { return brightness() < 500; }));

    // Mail: the composer comes, the panel goes.
    screen_->addressBar()->setText("shared words");
    click(centreOf(*panelButton("Send by mail")));
    auto composer = ui::Presentation::shared().topController<ui::MailComposer>();
    ASSERT_TRUE(composer);
    EXPECT_NE(composer->messageBody().find("/search?q=shared%20words"), std::string::npos);
    EXPECT_GT(screen_->imgpicker()->frame().minY(), 480);
    ASSERT_TRUE(
        waitFor([&] { return screen_->darkview()->isHidden() && !composer->isBeingPresented(); }));
    const ui::Rect cancel = composer->bar()->frameOfItem(*composer->cancelButton(), nullptr);
    click(ui::Point(cancel.midX(), cancel.midY()));
    EXPECT_TRUE(logged("You cancelled sending this email."));
    ASSERT_TRUE(
        waitFor([&] { return !ui::Presentation::shared().topController<ui::MailComposer>(); }));

    // Twitter: this program has no road to it, so no sheet comes and the alert says there is
    // no account; its Done button, clicked, closes it.
    click(shareButton());
    click(centreOf(*panelButton("Share on Twitter")));
    ASSERT_TRUE(waitFor([&] { return ui::Presentation::shared().topAlertView() != nullptr; }));
    EXPECT_FALSE(ui::Presentation::shared().topController<ui::ShareSheet>());
    EXPECT_EQ(clickAlertDone(), "There is no accounts");

    // A click on the dimming view closes the panel again.
    click(shareButton());
    ASSERT_FALSE(screen_->darkview()->isHidden());
    click(top);
    EXPECT_GT(screen_->imgpicker()->frame().minY(), 480);
    EXPECT_TRUE(waitFor([&] { return screen_->darkview()->isHidden(); }));
}

// The panel's other buttons and what they open, each used as a person would: the rate button
// opens the store page, Cancel only closes the panel, the Chorus sheet's Cancel and the mail
// composer's fields, Send and Save.
TEST_F(SharePanelWindowTest, RateCancelChorusAndTheComposersFieldsAndButtonsAct) {
    // The store page is recorded, not handed to the desktop.
    std::vector<std::string> opened;
    ui::Application::shared().setURLTester([](const base::URL&) { return true; });
    ui::Application::shared().setURLOpener([&](const base::URL& url) {
        opened.push_back(url.absoluteString());
        return true;
    });
    screen_->addressBar()->setText("shared words");
    // The window draws what changed on its next frames: look until it shows.
    ASSERT_TRUE(waitFor([&] { return brightness() > 700; })) << "the start page is white";

    clickInPanel("Rate the application");
    EXPECT_EQ(opened, std::vector<std::string>{BrowserSettings::appStorePageAddress()});
    clickInPanel("Cancel sharing");
    EXPECT_TRUE(ui::Presentation::shared().empty());
    EXPECT_EQ(opened.size(), 1u);

    // Chorus: its sheet holds the link; Cancel reports the cancelled post in an alert.
    clickInPanel("Share on Chorus");
    auto sheet = shownSheet<ui::ShareSheet>();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->serviceType(), ui::ShareServiceType::Chorus);
    ASSERT_EQ(sheet->urls().size(), 1u);
    EXPECT_NE(sheet->urls()[0].absoluteString().find("/search?q=shared%20words"),
              std::string::npos);
    click(*sheet->bar(), *sheet->cancelButton());
    EXPECT_TRUE(
        waitFor([&] { return !ui::Presentation::shared().topController<ui::ShareSheet>(); }));
    EXPECT_EQ(clickAlertDone(), "You canceled the Chorus Post!");

    // Mail: what is typed into To and Subject is what Send writes, with the HTML body.
    clickInPanel("Send by mail");
    auto composer = shownSheet<ui::MailComposer>();
    ASSERT_TRUE(composer);
    typeInto(*composer->toField(), "friend@example.test");
    typeInto(*composer->subjectField(), "news");
    EXPECT_EQ(composer->toRecipients(), std::vector<std::string>{"friend@example.test"});
    EXPECT_NE(composer->subject().find("news"), std::string::npos) << composer->subject();
    click(*composer->bar(), *composer->sendButton());
    EXPECT_TRUE(logged("You sent the email."));
    ASSERT_TRUE(composer->writtenFile());
    const std::string sent = base::readFile(*composer->writtenFile())->toString();
    EXPECT_NE(sent.find("To: friend@example.test\r\n"), std::string::npos) << sent;
    EXPECT_NE(sent.find("Subject: " + composer->subject() + "\r\n"), std::string::npos) << sent;
    EXPECT_NE(sent.find("Content-Type: text/html"), std::string::npos) << sent;
    ASSERT_TRUE(
        waitFor([&] { return !ui::Presentation::shared().topController<ui::MailComposer>(); }));

    // Save keeps a draft.
    clickInPanel("Send by mail");
    composer = shownSheet<ui::MailComposer>();
    ASSERT_TRUE(composer);
    click(*composer->bar(), *composer->saveButton());
    EXPECT_TRUE(logged("You saved a draft of this email"));
    ASSERT_TRUE(composer->writtenFile());
    EXPECT_EQ(composer->writtenFile()->parent_path().filename(), "Drafts");
    EXPECT_TRUE(
        waitFor([&] { return !ui::Presentation::shared().topController<ui::MailComposer>(); }));
}

// Chorus's Post goes through the social client to its server: the user logs in on the server's
// login page (clicked in the real engine), the post reaches the feed with the shared link, and
// only then does the alert say it is posted; a post the server refuses is reported as failed.
TEST_F(SharePanelWindowTest, ChorusPostReachesTheServerAndItsRefusalIsAFailure) {
    testing_support::ChorusServer chorus;
    base::UserDefaults::standard()->setObject(CHSettings::serverBaseURLKey,
                                              base::Value(chorus.baseURL()));
    CHSession::setActiveSession(nullptr);
    screen_->addressBar()->setText("shared words");
    ASSERT_TRUE(waitFor([&] { return brightness() > 700; })) << "the start page is shown";
    const auto postOnSheet = [&] {
        clickInPanel("Share on Chorus");
        auto sheet = shownSheet<ui::ShareSheet>();
        ASSERT_TRUE(sheet);
        click(*sheet->bar(), *sheet->postButton());
    };

    ASSERT_NO_FATAL_FAILURE(postOnSheet());
    // The login page, over the sheet, in the real engine: its "allow" button.
    std::shared_ptr<CHWebDialogViewController> login;
    ASSERT_TRUE(waitFor([&] {
        login = ui::Presentation::shared().topController<CHWebDialogViewController>();
        return login && !login->isBeingPresented() && !login->webView()->isLoading() &&
               login->webView()->pageTitle() == "Log in to Chorus";
    }));
    EXPECT_FALSE(ui::Presentation::shared().topAlertView()) << "nothing is posted yet";
    EXPECT_TRUE(chorus.posts().empty());
    auto& page = *login->webView();
    const auto number = [&](const std::string& expression) {
        return std::stod(page.stringByEvaluatingJavaScriptFromString(
            "(function () { var r = document.getElementById('allow').getBoundingClientRect(); "
            "return " +
            expression + "; })()"));
    };
    window_->sync();
    WindowInput inPage(dynamic_cast<gtk::WebKitEngine&>(page.engine()).widget());
    inPage.click(ui::Point(number("r.left + r.width / 2"), number("r.top + r.height / 2")));

    ASSERT_TRUE(waitFor([&] { return ui::Presentation::shared().topAlertView() != nullptr; }));
    ASSERT_EQ(chorus.posts().size(), 1u);
    EXPECT_EQ(chorus.posts()[0].message, "Check out this app! ");
    EXPECT_NE(chorus.posts()[0].link.find("/search?q=shared%20words"), std::string::npos)
        << chorus.posts()[0].link;
    // The sheet goes, then the alert's Done button is clicked.
    ASSERT_TRUE(waitFor([&] {
        return !ui::Presentation::shared().topController<ui::ShareSheet>() &&
               !ui::Presentation::shared().topController<CHWebDialogViewController>() &&
               ui::View::runningAnimationCount() == 0;
    }));
    EXPECT_EQ(clickAlertDone(), "Posted on Chorus!");

    // The server refuses the next post: the alert says it failed.
    chorus.setPostError("The feed is closed");
    ASSERT_NO_FATAL_FAILURE(postOnSheet());
    ASSERT_TRUE(waitFor([&] { return ui::Presentation::shared().topAlertView() != nullptr; }));
    EXPECT_EQ(clickAlertDone(), "Posting on Chorus failed!");
    EXPECT_EQ(chorus.posts().size(), 1u);
    EXPECT_EQ(chorus.requests("/dialog/oauth/answer").size(), 1u) << "one login";
    CHSession::setActiveSession(nullptr);
}

} // namespace

namespace {

// The panel's button titles and the mail composer's title, laid out where the window draws
// them: each title as wide as its text as the window sets it, inside its button; the
// composer's title between the bar's buttons, whole when there is room, cut short when not.
TEST_F(SharePanelWindowTest, ButtonTitlesAndTheComposersTitleHaveRoomForTheirText) {
    const gtk::PangoTextMeasurer drawn;
    ASSERT_TRUE(waitFor([&] { return brightness() > 700; })) << "the start page is white";
    click(shareButton());
    ASSERT_FALSE(screen_->darkview()->isHidden());
    auto rate = std::dynamic_pointer_cast<ui::Button>(panelButton("Rate the application"));
    ASSERT_TRUE(rate);
    for (const auto& view : screen_->imgpicker()->subviews()) {
        auto button = std::dynamic_pointer_cast<ui::Button>(view);
        if (!button)
            continue;
        const auto& label = button->titleLabel();
        const ui::Rect frame = label->frame();
        SCOPED_TRACE(label->text());
        EXPECT_GE(frame.width(), drawn.measure(label->text(), label->font()).width);
        EXPECT_GE(frame.height(), drawn.measure(label->text(), label->font()).height);
        EXPECT_TRUE(button->bounds().containsRect(frame));
    }
    EXPECT_EQ(rate->titleLabel()->text(), "Rate Us");

    click(centreOf(*panelButton("Send by mail")));
    auto composer = shownSheet<ui::MailComposer>();
    ASSERT_TRUE(composer);
    const auto& bar = *composer->bar();
    const auto titleClear = [&] {
        const ui::Rect title =
            bar.titleLabel()->convertRectToView(bar.titleLabel()->bounds(), nullptr);
        for (const auto& item :
             {composer->cancelButton(), composer->saveButton(), composer->sendButton()})
            if (title.intersects(bar.frameOfItem(*item, nullptr)))
                return false;
        return title.width() > 0;
    };
    const auto titleWhole = [&] {
        return bar.titleLabel()->frame().width() >=
               drawn.measure(bar.title(), bar.titleLabel()->font()).width;
    };
    ASSERT_FALSE(bar.title().empty());
    EXPECT_TRUE(titleClear());
    EXPECT_TRUE(titleWhole()) << bar.title() << " in " << bar.titleLabel()->frame().width();

    // A long subject becomes a title cut short between the buttons.
    typeInto(*composer->subjectField(), " and a great deal more news");
    EXPECT_TRUE(waitFor([&] {
        return bar.title() == composer->subjectField()->text() && titleClear() && !titleWhole();
    })) << bar.title();
    click(bar, *composer->cancelButton());
    EXPECT_TRUE(
        waitFor([&] { return !ui::Presentation::shared().topController<ui::MailComposer>(); }));
}

} // namespace
