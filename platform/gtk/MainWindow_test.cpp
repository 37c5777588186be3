#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/MainWindow.h"
#include "platform/gtk/ViewCanvas.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/WebView.h"
#include "platform/ui/WebViewDelegate.h"
#include "platform/ui/Window.h"

#include <cairo.h>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <string>

namespace gtk {
namespace {

using namespace std::chrono_literals;
using ui::Color;
using ui::Point;
using ui::Rect;
using ui::Size;

struct Pixel {
    int red = 0;
    int green = 0;
    int blue = 0;
};

// The pixels of a PNG file.
class Picture {
public:
    explicit Picture(const std::filesystem::path& file)
        : surface_(cairo_image_surface_create_from_png(file.c_str())) {}
    ~Picture() { cairo_surface_destroy(surface_); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    bool valid() const { return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(surface_); }
    int height() const { return cairo_image_surface_get_height(surface_); }
    Pixel at(int x, int y) const {
        if (!valid())
            return Pixel{-1000, -1000, -1000};
        const unsigned char* row =
            cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
        const std::uint32_t value = reinterpret_cast<const std::uint32_t*>(row)[x];
        return Pixel{int((value >> 16) & 0xff), int((value >> 8) & 0xff), int(value & 0xff)};
    }
    // Pixels in the rectangle that are not of the given colour.
    int countOther(Rect rect, Pixel colour) const {
        int count = 0;
        for (int y = int(rect.origin.y); y < int(rect.origin.y + rect.size.height); ++y)
            for (int x = int(rect.origin.x); x < int(rect.origin.x + rect.size.width); ++x) {
                const Pixel p = at(x, y);
                if (std::abs(p.red - colour.red) + std::abs(p.green - colour.green) +
                        std::abs(p.blue - colour.blue) >
                    60)
                    ++count;
            }
        return count;
    }

private:
    cairo_surface_t* surface_;
};

::testing::AssertionResult near(Pixel actual, Pixel expected) {
    const int difference = std::abs(actual.red - expected.red) +
                           std::abs(actual.green - expected.green) +
                           std::abs(actual.blue - expected.blue);
    if (difference <= 24)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << actual.red << ", " << actual.green << ", "
                                         << actual.blue << "), expected about (" << expected.red
                                         << ", " << expected.green << ", " << expected.blue << ")";
}

GtkWidget* findButton(GtkWidget* root, const std::string& label) {
    if (GTK_IS_BUTTON(root)) {
        const char* text = gtk_button_get_label(GTK_BUTTON(root));
        if (text && label == text)
            return root;
    }
    for (GtkWidget* child = gtk_widget_get_first_child(root); child;
         child = gtk_widget_get_next_sibling(child))
        if (GtkWidget* found = findButton(child, label))
            return found;
    return nullptr;
}

class CountingDelegate : public ui::WebViewDelegate {
public:
    void webViewDidFinishLoad(ui::WebView&) override { ++finished; }
    int finished = 0;
};

class RefusingFieldDelegate : public ui::TextFieldDelegate {
public:
    bool textFieldShouldChangeCharactersInRangeReplacementString(ui::TextField&, ui::TextRange,
                                                                 const std::string& text) override {
        return text.find('x') == std::string::npos;
    }
};

class RecordingAlertDelegate : public ui::AlertViewDelegate {
public:
    void alertViewClickedButtonAtIndex(ui::AlertView&, std::int64_t index) override {
        clicked = index;
    }
    std::int64_t clicked = -1;
};

class MainWindowTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::Clock::install(nullptr);
        auto installed = GtkPlatform::install();
        ASSERT_TRUE(installed.ok()) << installed.error().localizedDescription();
        ui::Presentation::shared().reset();
        server_.server().Get("/yellow", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html><head><title>Yellow</title></head>"
                                 "<body style='background:#ffff00;margin:0'>page</body></html>",
                                 "text/html");
        });
        server_.server().Get("/green", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html><body style='background:#00ff00;margin:0'>"
                                 "<p style='height:2000px'>a long page</p></body></html>",
                                 "text/html");
        });
        server_.server().Get("/moving", [](const httplib::Request&, httplib::Response& response) {
            // A box that moves for as long as the page is shown.
            response.set_content("<html><head><style>@keyframes move { from { left: 0 } "
                                 "to { left: 200px } } div { position: absolute; width: 40px; "
                                 "height: 40px; background: #0000ff; animation: move 1s linear "
                                 "infinite alternate }</style></head><body><div></div></body>"
                                 "</html>",
                                 "text/html");
        });
        server_.server().Get("/pinned", [](const httplib::Request&, httplib::Response& response) {
            // Content placed against the top of the viewport, as page headers are.
            response.set_content("<html><body style='background:#ffff00;margin:0'>"
                                 "<div style='position:fixed;top:0;left:0;right:0;height:20px;"
                                 "background:#0000ff'></div></body></html>",
                                 "text/html");
        });
        server_.start();

        window_ = ui::Window::create(Rect(Point(0, 0), Size(320, 480)));
        root_ = ui::View::create(Rect(Point(0, 0), Size(320, 480)));
        root_->setBackgroundColor(Color(1, 0, 0));
        window_->addSubview(root_);
    }
    void TearDown() override {
        mainWindow_.reset();
        webView_.reset();
        root_.reset();
        window_.reset();
        ui::Presentation::shared().reset();
        server_.stop();
        PlatformTest::TearDown();
    }

    static bool waitFor(const std::function<bool()>& condition) {
        return base::RunLoop::main().runUntil(condition, 20s);
    }

    void addWebView(Rect frame) {
        webView_ = ui::WebView::create(frame);
        webView_->setDelegate(webDelegate_);
        root_->addSubview(webView_);
        webView_->loadRequest(net::URLRequest(base::URL::parse(server_.url("/yellow"))));
    }

    void show() {
        window_->makeKeyAndVisible();
        mainWindow_ = std::make_unique<MainWindow>(window_, "test");
        mainWindow_->present();
        ASSERT_TRUE(
            waitFor([&] { return gtk_widget_get_mapped(GTK_WIDGET(mainWindow_->gtkWindow())); }));
    }

    std::filesystem::path screenshot(const std::string& name) {
        auto file = std::filesystem::temp_directory_path() / ("platform-gtk-" + name + ".png");
        auto written = mainWindow_->writeScreenshot(file);
        EXPECT_TRUE(written.ok()) << (written ? "" : written.error().localizedDescription());
        return file;
    }

    net::TestHTTPServer server_;
    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::View> root_;
    std::shared_ptr<ui::WebView> webView_;
    std::shared_ptr<CountingDelegate> webDelegate_ = std::make_shared<CountingDelegate>();
    std::unique_ptr<MainWindow> mainWindow_;
};

TEST_F(MainWindowTest, TheTreeIsDrawnWithItsLookAndTheWebPageInPlace) {
    auto label = ui::Label::create(Rect(Point(10, 30), Size(200, 30)));
    label->setText("Hello");
    label->setBackgroundColor(Color(1, 1, 1));
    root_->addSubview(label);
    auto translucent = ui::View::create(Rect(Point(10, 200), Size(50, 40)));
    translucent->setBackgroundColor(Color(0, 0, 1));
    translucent->setAlpha(0.5);
    root_->addSubview(translucent);
    auto hidden = ui::View::create(Rect(Point(200, 200), Size(50, 40)));
    hidden->setBackgroundColor(Color(0, 1, 0));
    hidden->setHidden(true);
    root_->addSubview(hidden);
    auto progress = ui::ProgressView::create(Rect(Point(10, 170), Size(300, 4)));
    progress->setProgressTintColor(Color(0, 1, 0));
    progress->setTrackTintColor(Color(0, 0, 0));
    progress->setProgress(0.5);
    root_->addSubview(progress);
    auto toolbar = ui::Toolbar::create(Rect(Point(0, 436), Size(320, 44)));
    toolbar->setItems({ui::BarButtonItem::createWithTitle("Back", ui::BarButtonItemStyle::Plain),
                       ui::BarButtonItem::flexibleSpace(),
                       ui::BarButtonItem::createWithSystemItem(ui::BarButtonSystemItem::Refresh)});
    root_->addSubview(toolbar);
    {
        // Web views made and let go before (a related pair, as the ads' pool makes) must not
        // keep the next one from showing its page.
        auto first = ui::WebView::create(Rect(Point(0, 0), Size(100, 100)));
        auto second = ui::WebView::create(Rect(Point(0, 0), Size(100, 100)), first.get());
    }
    addWebView(Rect(Point(0, 250), Size(320, 180)));
    // A view over the page is drawn over it.
    auto badge = ui::View::create(Rect(Point(280, 260), Size(30, 30)));
    badge->setBackgroundColor(Color(0, 0, 0));
    root_->addSubview(badge);
    show();
    ASSERT_TRUE(waitFor([&] { return webDelegate_->finished == 1; }));
    // The page paints on its own time.
    ASSERT_TRUE(waitFor([&] {
        return near(Picture(screenshot("tree")).at(160, 350), Pixel{255, 255, 0});
    }));

    Picture picture(screenshot("tree"));
    ASSERT_TRUE(picture.valid());
    ASSERT_EQ(picture.width(), 320);
    ASSERT_EQ(picture.height(), 480);
    EXPECT_TRUE(near(picture.at(5, 100), Pixel{255, 0, 0}));
    EXPECT_TRUE(near(picture.at(35, 220), Pixel{128, 0, 127}));  // half blue over red
    EXPECT_TRUE(near(picture.at(225, 220), Pixel{255, 0, 0}));   // the hidden view is not drawn
    EXPECT_TRUE(near(picture.at(60, 171), Pixel{0, 255, 0}));    // progress done
    EXPECT_TRUE(near(picture.at(250, 171), Pixel{0, 0, 0}));     // and to go
    EXPECT_TRUE(near(picture.at(160, 350), Pixel{255, 255, 0})); // the page
    EXPECT_TRUE(near(picture.at(295, 275), Pixel{0, 0, 0}));     // over the page
    // The label's text and the toolbar's items are drawn.
    EXPECT_GT(picture.countOther(Rect(Point(10, 30), Size(200, 30)), Pixel{255, 255, 255}), 20);
    EXPECT_GT(picture.countOther(Rect(Point(0, 440), Size(80, 36)), Pixel{247, 247, 247}), 20);
    EXPECT_GT(picture.countOther(Rect(Point(260, 440), Size(60, 36)), Pixel{247, 247, 247}), 20);

    // Changes of the model show without anything else being done.
    translucent->setAlpha(1.0);
    hidden->setHidden(false);
    label->setBackgroundColor(Color(0, 1, 0));
    ASSERT_TRUE(waitFor([&] {
        Picture again(screenshot("tree-changed"));
        return near(again.at(35, 220), Pixel{0, 0, 255}) &&
               near(again.at(225, 220), Pixel{0, 255, 0}) &&
               near(again.at(205, 55), Pixel{0, 255, 0});
    }));
}

TEST_F(MainWindowTest, APagesOwnFramesRepaintNoneOfTheWindowsViews) {
    auto label = ui::Label::create(Rect(Point(10, 30), Size(200, 30)));
    label->setText("Hello");
    root_->addSubview(label);
    auto toolbar = ui::Toolbar::create(Rect(Point(0, 436), Size(320, 44)));
    toolbar->setItems({ui::BarButtonItem::createWithTitle("Back", ui::BarButtonItemStyle::Plain)});
    root_->addSubview(toolbar);
    webView_ = ui::WebView::create(Rect(Point(0, 250), Size(320, 180)));
    webView_->setDelegate(webDelegate_);
    root_->addSubview(webView_);
    webView_->loadRequest(net::URLRequest(base::URL::parse(server_.url("/moving"))));
    show();
    ASSERT_TRUE(waitFor([&] { return webDelegate_->finished == 1; }));
    ViewCanvas& canvas = mainWindow_->canvas();
    // Once the page is under way, it draws frame after frame; the window draws them in place,
    // and its own views as they were.
    ASSERT_TRUE(
        waitFor([&, start = canvas.snapshots()] { return canvas.snapshots() > start + 5; }));
    const int painted = canvas.viewsPainted();
    ASSERT_TRUE(
        waitFor([&, start = canvas.snapshots()] { return canvas.snapshots() > start + 20; }));
    EXPECT_EQ(canvas.viewsPainted(), painted);
    // A view whose look changes is painted again, and only that one.
    label->setText("Changed");
    mainWindow_->sync();
    ASSERT_TRUE(waitFor([&] { return canvas.viewsPainted() > painted; }));
    ASSERT_TRUE(
        waitFor([&, start = canvas.snapshots()] { return canvas.snapshots() > start + 5; }));
    EXPECT_EQ(canvas.viewsPainted(), painted + 1);
}

TEST_F(MainWindowTest, AHiddenPageFinishesLoadingAndShowsWhenBroughtToTheFront) {
    // Two pages on top of each other, as tabs are: the one under the other is not shown.
    const Rect frame(Point(0, 100), Size(320, 300));
    addWebView(frame);
    auto back = webView_;
    auto backDelegate = webDelegate_;
    auto front = ui::WebView::create(frame);
    auto frontDelegate = std::make_shared<CountingDelegate>();
    front->setDelegate(frontDelegate);
    root_->addSubview(front);
    front->loadRequest(net::URLRequest(base::URL::parse(server_.url("/pinned"))));
    show();
    ASSERT_TRUE(
        waitFor([&] { return backDelegate->finished == 1 && frontDelegate->finished == 1; }));
    ViewCanvas& canvas = mainWindow_->canvas();
    GtkWidget* backWidget = canvas.widgetFor(*back);
    GtkWidget* frontWidget = canvas.widgetFor(*front);
    ASSERT_NE(backWidget, nullptr);
    EXPECT_FALSE(gtk_widget_get_mapped(backWidget));
    EXPECT_TRUE(gtk_widget_get_mapped(frontWidget));
    // Nor is its view painted under the opaque page in front: a frame of the front page costs
    // what it costs without the page behind, but not under a translucent one.
    const auto drawnWith = [&](const std::function<void()>& change) {
        change();
        mainWindow_->sync();
        const int start = canvas.snapshots();
        gtk_widget_queue_draw(canvas.widget());
        EXPECT_TRUE(waitFor([&] { return canvas.snapshots() > start; }));
        return canvas.viewsDrawn();
    };
    const int alone = drawnWith([&] { back->setHidden(true); });
    EXPECT_EQ(drawnWith([&] { back->setHidden(false); }), alone);
    EXPECT_EQ(drawnWith([&] { front->setAlpha(0.5); }), alone + 1);
    front->setAlpha(1.0);

    // The hidden page loads to the end while it is not shown.
    back->loadRequest(net::URLRequest(base::URL::parse(server_.url("/green"))));
    ASSERT_TRUE(waitFor([&] { return backDelegate->finished == 2; }));
    EXPECT_FALSE(gtk_widget_get_mapped(backWidget));
    EXPECT_EQ(back->stringByEvaluatingJavaScriptFromString("document.visibilityState"), "hidden");

    // Brought to the front, it shows the page it loaded, and the other one goes.
    root_->bringSubviewToFront(back);
    ASSERT_TRUE(waitFor([&] {
        return near(Picture(screenshot("hidden-page")).at(160, 250), Pixel{0, 255, 0});
    }));
    EXPECT_TRUE(gtk_widget_get_mapped(backWidget));
    EXPECT_FALSE(gtk_widget_get_mapped(frontWidget));
    EXPECT_EQ(back->stringByEvaluatingJavaScriptFromString("document.visibilityState"), "visible");
    // It reports where it stands once shown: its page is taller than the view.
    EXPECT_TRUE(waitFor([&] { return back->scrollView()->contentSize().height >= 2000; }));
}

TEST_F(MainWindowTest, ThePageStartsBelowTheTopInsetWithItsFixedContent) {
    webView_ = ui::WebView::create(Rect(Point(0, 200), Size(320, 200)));
    webView_->setDelegate(webDelegate_);
    webView_->scrollView()->setContentInset(ui::EdgeInsets(40, 0, 0, 0));
    root_->addSubview(webView_);
    webView_->loadRequest(net::URLRequest(base::URL::parse(server_.url("/pinned"))));
    show();
    ASSERT_TRUE(waitFor([&] { return webDelegate_->finished == 1; }));
    ASSERT_TRUE(waitFor([&] {
        return near(Picture(screenshot("inset")).at(160, 250), Pixel{0, 0, 255});
    }));
    // The page's viewport is what the inset leaves of the view.
    EXPECT_EQ(webView_->stringByEvaluatingJavaScriptFromString("String(window.innerHeight)"),
              "160");

    Picture picture(screenshot("inset"));
    EXPECT_TRUE(near(picture.at(160, 220), Pixel{255, 255, 255})); // the inset: the view's own
    EXPECT_TRUE(near(picture.at(160, 250), Pixel{0, 0, 255}));     // the pinned header below it
    EXPECT_TRUE(near(picture.at(160, 300), Pixel{255, 255, 0}));   // the page
    EXPECT_TRUE(near(picture.at(160, 410), Pixel{255, 0, 0}));     // nothing past the view

    // Without the inset the page takes the whole view again.
    webView_->scrollView()->setContentInset(ui::EdgeInsets(0, 0, 0, 0));
    EXPECT_TRUE(waitFor([&] {
        return near(Picture(screenshot("inset-gone")).at(160, 210), Pixel{0, 0, 255});
    }));
}

TEST_F(MainWindowTest, ClicksReachTheModelAndPagesKeepTheirOwn) {
    int taps = 0;
    auto button = ui::Button::create(ui::ButtonType::System, Rect(Point(10, 70), Size(120, 40)));
    button->setTitle("Press", ui::ControlStateNormal);
    button->addTarget(
        this, [&](ui::Control&, const ui::Event*) { ++taps; }, ui::ControlEventTouchUpInside);
    root_->addSubview(button);
    int toolbarTaps = 0;
    auto toolbar = ui::Toolbar::create(Rect(Point(0, 436), Size(320, 44)));
    auto item = ui::BarButtonItem::createWithTitle("Go", ui::BarButtonItemStyle::Plain);
    item->setAction(this, "go", [&](ui::BarButtonItem&) { ++toolbarTaps; });
    toolbar->setItems({item});
    root_->addSubview(toolbar);
    addWebView(Rect(Point(0, 250), Size(320, 180)));
    show();
    ViewCanvas& canvas = mainWindow_->canvas();

    EXPECT_TRUE(canvas.pointerPressed(Point(70, 90)));
    canvas.pointerReleased(Point(70, 90));
    EXPECT_EQ(taps, 1);
    // Released outside: no tap.
    EXPECT_TRUE(canvas.pointerPressed(Point(70, 90)));
    canvas.pointerMoved(Point(300, 20));
    canvas.pointerReleased(Point(300, 20));
    EXPECT_EQ(taps, 1);

    const Rect itemFrame = item->frameInBar();
    const Point onItem(itemFrame.origin.x + itemFrame.size.width / 2,
                       436 + itemFrame.origin.y + itemFrame.size.height / 2);
    canvas.pointerPressed(onItem);
    canvas.pointerReleased(onItem);
    EXPECT_EQ(toolbarTaps, 1);

    ASSERT_TRUE(waitFor([&] { return webDelegate_->finished == 1; }));
    // Over the page, the click is WebKit's.
    EXPECT_FALSE(canvas.pointerPressed(Point(160, 300)));
    canvas.pointerReleased(Point(160, 300));
    EXPECT_EQ(taps, 1);
}

TEST_F(MainWindowTest, TypingReachesTheFocusedTextFieldAndReturnSendsItsAction) {
    auto field = ui::TextField::create(Rect(Point(10, 120), Size(200, 30)));
    field->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    auto delegate = std::make_shared<RefusingFieldDelegate>();
    field->setDelegate(delegate);
    int returns = 0;
    field->addTarget(
        this, [&](ui::Control&, const ui::Event*) { ++returns; },
        ui::ControlEventEditingDidEndOnExit);
    root_->addSubview(field);
    show();
    ViewCanvas& canvas = mainWindow_->canvas();
    GtkWidget* entry = canvas.widgetFor(*field);
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(GTK_IS_EDITABLE(entry));

    // A click on the field: the model focuses it, and the entry follows.
    EXPECT_FALSE(canvas.pointerPressed(Point(50, 135)));
    canvas.pointerReleased(Point(50, 135));
    EXPECT_TRUE(field->isFirstResponder());
    mainWindow_->sync();
    EXPECT_EQ(gtk_root_get_focus(GTK_ROOT(mainWindow_->gtkWindow())), entry);

    // Typing goes through the model; what the delegate refuses does not appear.
    int position = 0;
    gtk_editable_insert_text(GTK_EDITABLE(entry), "héllo", -1, &position);
    EXPECT_EQ(field->text(), "héllo");
    position = 5;
    gtk_editable_insert_text(GTK_EDITABLE(entry), "x", -1, &position);
    EXPECT_EQ(field->text(), "héllo");
    EXPECT_STREQ(gtk_editable_get_text(GTK_EDITABLE(entry)), "héllo");
    gtk_editable_delete_text(GTK_EDITABLE(entry), 0, 1);
    EXPECT_EQ(field->text(), "éllo");

    // Text set by code shows in the entry.
    field->setText("set by code");
    mainWindow_->sync();
    EXPECT_STREQ(gtk_editable_get_text(GTK_EDITABLE(entry)), "set by code");

    // Return: the field's action, which ends editing.
    g_signal_emit_by_name(entry, "activate");
    EXPECT_EQ(returns, 1);
    EXPECT_FALSE(field->isFirstResponder());
    mainWindow_->sync();
    EXPECT_NE(gtk_root_get_focus(GTK_ROOT(mainWindow_->gtkWindow())), entry);
}

// The window syncs at the end of every turn: an entry changes only where its field did.
TEST_F(MainWindowTest, AFieldsEntryIsChangedOnlyWhereTheFieldChanged) {
    auto field = ui::TextField::create(Rect(Point(10, 120), Size(200, 30)));
    field->setText("some text");
    root_->addSubview(field);
    show();
    GtkWidget* entry = mainWindow_->canvas().widgetFor(*field);
    ASSERT_NE(entry, nullptr);
    int attributeSets = 0;
    int textChanges = 0;
    int selectionMoves = 0;
    const auto count =
        G_CALLBACK(+[](GObject*, GParamSpec*, gpointer counter) { ++*static_cast<int*>(counter); });
    g_signal_connect(entry, "notify::attributes", count, &attributeSets);
    g_signal_connect(entry, "notify::selection-bound", count, &selectionMoves);
    g_signal_connect(entry, "changed", G_CALLBACK(+[](GtkEditable*, gpointer counter) {
                         ++*static_cast<int*>(counter);
                     }),
                     &textChanges);
    const auto turns = [&](int n) {
        for (int i = 0; i < n; ++i)
            mainWindow_->sync();
    };

    turns(3);
    EXPECT_EQ(attributeSets, 0);
    EXPECT_EQ(textChanges, 0);
    EXPECT_EQ(selectionMoves, 0);

    // One change of font, then of colour: the attributes are applied once for each.
    field->setFont(ui::Font::boldSystemFont(20));
    turns(3);
    EXPECT_EQ(attributeSets, 1);
    field->setTextColor(Color(1, 0, 0, 1));
    turns(3);
    EXPECT_EQ(attributeSets, 2);

    // New text is set once; a selection made by code is applied once.
    field->setText("other text");
    turns(1);
    EXPECT_STREQ(gtk_editable_get_text(GTK_EDITABLE(entry)), "other text");
    const int textChangesOfOneSet = textChanges;
    EXPECT_GT(textChangesOfOneSet, 0);
    field->setSelectedRange(ui::TextRange{0, 5});
    turns(1);
    int start = 0;
    int end = 0;
    EXPECT_TRUE(gtk_editable_get_selection_bounds(GTK_EDITABLE(entry), &start, &end));
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 5);
    const int selectionMovesOfOneSelection = selectionMoves;
    turns(3);
    EXPECT_EQ(textChanges, textChangesOfOneSet);
    EXPECT_EQ(selectionMoves, selectionMovesOfOneSelection);
    EXPECT_EQ(attributeSets, 2);
}

TEST_F(MainWindowTest, AFieldsTextStaysClearOfItsRightView) {
    auto field = ui::TextField::create(Rect(Point(10, 120), Size(200, 30)));
    field->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    field->setRightView(ui::View::create(Rect(0, 0, 60, 30)));
    field->setRightViewMode(ui::TextFieldViewMode::UnlessEditing);
    field->setText(std::string(60, 'W'));
    root_->addSubview(field);
    show();
    // Nothing of the text where the right view is; the text itself shows left of it.
    const Rect underRightView(10 + 200 - 60 + 2, 124, 56, 22);
    const Rect textArea(14, 124, 120, 22);
    EXPECT_TRUE(waitFor([&] {
        Picture picture(screenshot("field"));
        return picture.countOther(underRightView, Pixel{255, 255, 255}) == 0 &&
               picture.countOther(textArea, Pixel{255, 255, 255}) > 100;
    })) << "text pixels under the right view: "
        << Picture(screenshot("field")).countOther(underRightView, Pixel{255, 255, 255});

    // While editing the right view goes, and the text takes the whole field.
    field->becomeFirstResponder();
    EXPECT_TRUE(waitFor([&] {
        return Picture(screenshot("field")).countOther(underRightView, Pixel{255, 255, 255}) > 0;
    }));
}

TEST_F(MainWindowTest, AlertsShowAsDialogsWhoseButtonsAreTheAlertsButtons) {
    show();
    auto delegate = std::make_shared<RecordingAlertDelegate>();
    auto alert = ui::AlertView::create("Title", "Something happened", delegate, "Cancel", {"OK"});
    alert->show();
    GtkWidget* ok = nullptr;
    ASSERT_TRUE(waitFor([&] {
        ok = findButton(GTK_WIDGET(mainWindow_->gtkWindow()), "OK");
        return ok != nullptr;
    }));
    EXPECT_NE(findButton(GTK_WIDGET(mainWindow_->gtkWindow()), "Cancel"), nullptr);
    Picture picture(screenshot("alert"));
    ASSERT_TRUE(picture.valid());
    // The backdrop dims the window.
    EXPECT_TRUE(near(picture.at(5, 100), Pixel{153, 0, 0}));

    g_signal_emit_by_name(ok, "clicked");
    EXPECT_EQ(delegate->clicked, 1);
    EXPECT_TRUE(
        waitFor([&] { return findButton(GTK_WIDGET(mainWindow_->gtkWindow()), "OK") == nullptr; }));
}

TEST_F(MainWindowTest, TheWheelScrollsTheModelsScrollViews) {
    auto scrollView = ui::ScrollView::create(Rect(Point(0, 40), Size(320, 200)));
    scrollView->setContentSize(Size(320, 1000));
    root_->addSubview(scrollView);
    show();
    ViewCanvas& canvas = mainWindow_->canvas();
    canvas.pointerMoved(Point(100, 100));
    EXPECT_TRUE(canvas.scrolled(0, 2, true));
    EXPECT_EQ(scrollView->contentOffset().y, 80);
    EXPECT_TRUE(canvas.scrolled(0, -10, true));
    EXPECT_EQ(scrollView->contentOffset().y, 0);
    canvas.pointerMoved(Point(100, 300));
    EXPECT_FALSE(canvas.scrolled(0, 2, true));
}

TEST_F(MainWindowTest, AScreenshotIsWrittenOnceTheFirstPageHasFinished) {
    addWebView(Rect(Point(0, 100), Size(320, 300)));
    show();
    const auto file = std::filesystem::temp_directory_path() / "platform-gtk-first-page.png";
    std::filesystem::remove(file);
    std::optional<base::Result<void>> outcome;
    mainWindow_->writeScreenshotWhenFirstPageFinished(
        file, [&](base::Result<void> result) { outcome = std::move(result); });
    ASSERT_TRUE(waitFor([&] { return outcome.has_value(); }));
    EXPECT_TRUE(outcome->ok());
    EXPECT_EQ(webDelegate_->finished, 1);
    Picture picture(file);
    ASSERT_TRUE(picture.valid());
    EXPECT_TRUE(near(picture.at(160, 250), Pixel{255, 255, 0}));
}

TEST_F(MainWindowTest, WithoutAPageTheScreenshotComesAtTheLimitWithAnError) {
    show();
    const auto file = std::filesystem::temp_directory_path() / "platform-gtk-no-page.png";
    std::optional<base::Result<void>> outcome;
    mainWindow_->writeScreenshotWhenFirstPageFinished(
        file, [&](base::Result<void> result) { outcome = std::move(result); }, 200ms);
    ASSERT_TRUE(waitFor([&] { return outcome.has_value(); }));
    EXPECT_FALSE(outcome->ok());
    EXPECT_TRUE(Picture(file).valid());
}

} // namespace
} // namespace gtk
