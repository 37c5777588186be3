// bin/browser [--phone|--pad] [--screenshot FILE] [URL]
//
// Opens the browser in a window the size of the chosen device's screen (a phone unless told
// otherwise) and, when given, opens URL in the first tab as if it had been typed into the
// address field. With --screenshot the window is written to FILE as a PNG once the page has
// finished (the start page when no URL is given), and the program exits; a page that has not
// finished within a minute is written as it is then, and the exit status is 1.

#include "ads/request/VDAdsClient.h"
#include "browser/AppDelegate.h"
#include "browser/BrowserViewController.h"
#include "browser/Tab.h"
#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Timer.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/MainWindow.h"
#include "platform/ui/Application.h"
#include "platform/ui/Device.h"

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace {

struct Options {
    ui::UserInterfaceIdiom idiom = ui::UserInterfaceIdiom::Phone;
    std::optional<std::filesystem::path> screenshot;
    std::optional<std::string> address;
};

constexpr std::string_view usage = "usage: browser [--phone|--pad] [--screenshot FILE] [URL]";

// nullopt (after a message) for arguments that make no sense.
std::optional<Options> parseArguments(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--phone") {
            options.idiom = ui::UserInterfaceIdiom::Phone;
        } else if (argument == "--pad") {
            options.idiom = ui::UserInterfaceIdiom::Pad;
        } else if (argument == "--screenshot") {
            if (i + 1 >= argc || std::string_view(argv[i + 1]).empty()) {
                std::cerr << "browser: --screenshot needs a file name\n" << usage << "\n";
                return std::nullopt;
            }
            options.screenshot = argv[++i];
        } else if (argument == "--help" || argument == "-h") {
            std::cout << usage << "\n";
            std::exit(0);
        } else if (argument.starts_with("-")) {
            std::cerr << "browser: unknown option " << argument << "\n" << usage << "\n";
            return std::nullopt;
        } else if (options.address) {
            std::cerr << "browser: only one URL can be opened\n" << usage << "\n";
            return std::nullopt;
        } else {
            options.address = std::string(argument);
        }
    }
    return options;
}

// Whether the first tab's own fetch has ended with its final-load signal.
bool firstPageFinished(const BrowserViewController& screen) {
    const auto& tab = screen.selectedTab();
    return tab && tab->currentURL() && !tab->loading();
}

} // namespace

int main(int argc, char** argv) {
    const auto options = parseArguments(argc, argv);
    if (!options)
        return 2;

    ui::Device::install(std::make_shared<ui::Device>(options->idiom));
    if (auto installed = gtk::GtkPlatform::install(); !installed) {
        std::cerr << "browser: " << installed.error().localizedDescription() << "\n";
        return 1;
    }

    // The ads client hears the launch.
    VDAdsClient::load();
    auto& application = ui::Application::shared();
    auto delegate = std::make_shared<AppDelegate>();
    application.setDelegate(delegate);
    if (!application.launch())
        return 1;

    gtk::MainWindow window(delegate->window());
    window.setCloseHandler([] { base::RunLoop::main().stop(); });
    window.present();

    auto screen = delegate->viewController();
    if (options->address) {
        screen->addressBar()->setText(*options->address);
        screen->gotoAddress(ui::InterfaceObject());
    }

    int status = 0;
    std::shared_ptr<base::Timer> waiting;
    if (options->screenshot) {
        auto finish = [&status](base::Result<void> written) {
            if (!written) {
                std::cerr << "browser: " << written.error().localizedDescription() << "\n";
                status = 1;
            }
            base::RunLoop::main().stop();
        };
        if (!options->address) {
            window.writeScreenshotWhenFirstPageFinished(*options->screenshot, finish);
        } else {
            // The page asked for, not the start page before it: wait for its final-load signal,
            // give it time to paint, then write the window.
            constexpr double limit = 60;
            const auto started = base::Clock::current().monotonicNanoseconds();
            waiting = base::Timer::scheduled(
                base::Seconds(0.1), true,
                [&window, &status, screen, started, file = *options->screenshot,
                 finish](base::Timer& timer) {
                    const double elapsed =
                        double(base::Clock::current().monotonicNanoseconds() - started) / 1e9;
                    const bool finished = firstPageFinished(*screen);
                    if (!finished && elapsed < limit)
                        return;
                    timer.invalidate();
                    base::RunLoop::main().dispatchAfter(
                        gtk::MainWindow::paintDelay, [&window, &status, file, finish, finished] {
                            window.sync();
                            auto written = window.writeScreenshot(file);
                            if (written && !finished) {
                                std::cerr << "browser: The page did not finish loading within "
                                          << limit << " s; " << file.string()
                                          << " shows the window as it was.\n";
                                status = 1;
                            }
                            finish(std::move(written));
                        });
                });
        }
    }

    base::RunLoop::main().run();
    if (waiting)
        waiting->invalidate();
    application.terminate();
    // The screens and their web views go now, while GTK, WebKit and the process-wide services
    // they talk to on their way out still exist; the window takes the last of them with it at
    // the end of this scope. Work still queued on the run loop is dropped.
    base::RunLoop::main().reset();
    screen.reset();
    application.setDelegate(nullptr);
    delegate.reset();
    return status;
}
