#include "platform/base/RunLoop.h"
#include "platform/gtk/GOwned.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/ui/WebEngine.h"
#include "platform/ui/WebEngineFactory.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>

namespace gtk {
namespace {

// Runs in a fresh child process (the death test style below): GTK has not been initialised
// there, and the display is whatever the statement leaves in the environment.
[[noreturn]] void installAndExit() {
    auto result = GtkPlatform::install();
    if (result.ok())
        _exit(0);
    std::fprintf(stderr, "%s\n", result.error().localizedDescription().c_str());
    const bool clean = result.error().domain == GtkPlatform::ErrorDomain &&
                       result.error().code == GtkPlatform::NoDisplay && !GtkPlatform::isInstalled();
    _exit(clean ? 3 : 4);
}

TEST(GtkPlatformDeathTest, WithoutADisplayStartUpFailsWithAClearMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            installAndExit();
        },
        ::testing::ExitedWithCode(3),
        "Cannot open a window: neither DISPLAY nor WAYLAND_DISPLAY is set.*xvfb-run");
    EXPECT_EXIT(
        {
            unsetenv("WAYLAND_DISPLAY");
            setenv("DISPLAY", ":4242", 1);
            installAndExit();
        },
        ::testing::ExitedWithCode(3), "the display :4242 cannot be reached");
}

TEST(GtkPlatformTest, StartUpMakesWebKitEngines) {
    ASSERT_TRUE(GtkPlatform::install().ok());
    EXPECT_TRUE(GtkPlatform::install().ok()); // again: nothing more
    ASSERT_TRUE(GtkPlatform::isInstalled());

    auto engine = ui::WebEngineFactory::create();
    auto* webKit = dynamic_cast<WebKitEngine*>(engine.get());
    ASSERT_NE(webKit, nullptr);
    auto related = ui::WebEngineFactory::create(engine.get());
    EXPECT_NE(dynamic_cast<WebKitEngine*>(related.get()), nullptr);
}

TEST(GtkPlatformTest, WithoutAGPUWindowsDrawWithCairo) {
    if (std::getenv("GSK_RENDERER") || std::filesystem::exists("/dev/dri"))
        GTEST_SKIP() << "the person chose a renderer, or the machine may have a GPU";
    ASSERT_TRUE(GtkPlatform::install().ok());
    EXPECT_STREQ(std::getenv("GSK_RENDERER"), "cairo");
    EXPECT_STREQ(std::getenv("WEBKIT_DISABLE_DMABUF_RENDERER"), "1");
    const auto window = refSink(gtk_window_new());
    gtk_widget_realize(GTK_WIDGET(window.get()));
    GskRenderer* renderer = gtk_native_get_renderer(GTK_NATIVE(window.get()));
    ASSERT_NE(renderer, nullptr);
    EXPECT_STREQ(G_OBJECT_TYPE_NAME(renderer), "GskCairoRenderer");
    gtk_window_destroy(GTK_WINDOW(window.get()));
}

} // namespace
} // namespace gtk
