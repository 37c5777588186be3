// The program itself: bin/browser run as a child process, with an app home and a resources
// folder of its own, as a person or a script would run it. Every run is bounded; a child still
// running at the bound is killed and the test fails.

#include "ads/webview/VDSDKCoreWebView.h"
#include "browser/BrowserSettings.h"
#include "browser/Reachability.h"
#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/PropertyList.h"
#include "platform/base/UserDefaults.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/ui/Device.h"

#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <cairo.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>
#include <netinet/in.h>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

constexpr const char* usageLine = "usage: browser [--phone|--pad] [--screenshot FILE] [URL]";
// Far above what a run takes; only a program that hangs gets there.
constexpr auto runLimit = 90s;

struct Outcome {
    // The exit status; nullopt when the program did not exit by itself (a signal, the bound).
    std::optional<int> status;
    bool killedAtLimit = false;
    // What it wrote to standard output and standard error.
    std::string output;
};

struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};

std::ostream& operator<<(std::ostream& stream, const PictureSize& size) {
    return stream << size.width << "x" << size.height;
}

// The size a PNG file's header gives; nullopt for a file that is not a PNG.
std::optional<PictureSize> pngSize(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    unsigned char header[24] = {};
    if (!stream.read(reinterpret_cast<char*>(header), sizeof header))
        return std::nullopt;
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (!std::equal(std::begin(signature), std::end(signature), header) ||
        std::string(reinterpret_cast<const char*>(header + 12), 4) != "IHDR")
        return std::nullopt;
    const auto bigEndian = [&](int at) {
        return int(header[at]) << 24 | int(header[at + 1]) << 16 | int(header[at + 2]) << 8 |
               int(header[at + 3]);
    };
    return PictureSize{bigEndian(16), bigEndian(20)};
}

// Whether the pixel of a PNG file at (x, y) is about the colour given.
::testing::AssertionResult pixelIsAbout(const fs::path& file, int x, int y,
                                        std::array<int, 3> expected) {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(file.c_str());
    std::optional<std::array<int, 3>> found;
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
        x < cairo_image_surface_get_width(surface) && y < cairo_image_surface_get_height(surface)) {
        const unsigned char* row =
            cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        const std::uint32_t value = reinterpret_cast<const std::uint32_t*>(row)[x];
        found = {int((value >> 16) & 0xff), int((value >> 8) & 0xff), int(value & 0xff)};
    }
    cairo_surface_destroy(surface);
    if (!found)
        return ::testing::AssertionFailure() << file << " has no pixel at " << x << ", " << y;
    int difference = 0;
    for (std::size_t i = 0; i < 3; ++i)
        difference += std::abs((*found)[i] - expected[i]);
    if (difference <= 24)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel " << x << ", " << y << " is (" << (*found)[0] << ", " << (*found)[1] << ", "
           << (*found)[2] << "), expected about (" << expected[0] << ", " << expected[1] << ", "
           << expected[2] << ")";
}

PictureSize screenOf(ui::UserInterfaceIdiom idiom) {
    const ui::Size size = ui::Device(idiom).screenBounds().size;
    return PictureSize{int(size.width), int(size.height)};
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "browser-program-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        fs::create_directories(home());
        // The program's own resources, with an information dictionary that sends the search
        // engine to a closed loopback port.
        fs::create_directories(resources());
        for (const auto& entry : fs::directory_iterator(base::Bundle::defaultResourcesDirectory()))
            if (entry.path().filename() != "Info.plist")
                fs::create_symlink(entry.path(), resources() / entry.path().filename());
        const base::Value info(
            base::Value::Dictionary{{BrowserSettings::searchEngineHostKey,
                                     "127.0.0.1:" + std::to_string(net::closedLoopbackPort())}});
        auto plist = base::writePlist(info, base::PlistFormat::XML);
        ASSERT_TRUE(plist);
        ASSERT_TRUE(base::writeFileAtomically(resources() / "Info.plist", *plist));
        // Preferences that send the ads client's page to the same closed port.
        auto preferences = base::UserDefaults::create(
            home() / "Library" / "Preferences" /
                (std::string(base::Bundle::defaultIdentifier) + ".plist"),
            {});
        preferences->setObject(
            VDSDKCoreWebView::SDKCoreURLKey,
            base::Value("http://127.0.0.1:" + std::to_string(net::closedLoopbackPort()) + "/core"));
        ASSERT_TRUE(preferences->synchronize());

        server_.server().Get("/page", [this](const httplib::Request&, httplib::Response& response) {
            ++pageRequests_;
            response.set_content("<html><head><title>Green</title></head>"
                                 "<body style='background: rgb(0, 160, 80)'>"
                                 "<p>A page on the loopback server</p></body></html>",
                                 "text/html; charset=utf-8");
        });
        server_.start();
    }

    void TearDown() override {
        server_.stop();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    fs::path home() const { return folder_ / "home"; }
    fs::path resources() const { return folder_ / "resources"; }
    fs::path picture() const { return folder_ / "picture.png"; }

    // Runs bin/browser with the arguments in a process group of its own (the web engine's
    // helper processes go with it when it is killed at the bound).
    Outcome run(const std::vector<std::string>& arguments) {
        Outcome result;
        const fs::path outputFile = folder_ / "output.txt";
        std::vector<std::string> words{BROWSER_PROGRAM};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);

        std::vector<std::string> variables{"BROWSER_HOME=" + home().string(),
                                           "BROWSER_RESOURCES=" + resources().string()};
        for (char** variable = environ; *variable; ++variable) {
            const std::string_view text(*variable);
            if (!text.starts_with("BROWSER_HOME=") && !text.starts_with("BROWSER_RESOURCES="))
                variables.emplace_back(text);
        }
        std::vector<char*> envp;
        for (auto& variable : variables)
            envp.push_back(variable.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        pid_t child = -1;
        const int spawned =
            posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), envp.data());
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(spawned);
            return result;
        }

        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + runLimit;
        pid_t waited = 0;
        while ((waited = waitpid(child, &status, WNOHANG)) == 0 &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        if (waited == 0) {
            result.killedAtLimit = true;
            kill(-child, SIGKILL);
            waitpid(child, &status, 0);
        }
        if (waited == child && WIFEXITED(status))
            result.status = WEXITSTATUS(status);
        std::ifstream output(outputFile);
        result.output.assign(std::istreambuf_iterator<char>(output), {});
        return result;
    }

    net::TestHTTPServer server_;
    std::atomic<int> pageRequests_{0};

private:
    fs::path folder_;
};

TEST_F(ProgramTest, AnUnknownOptionOrAScreenshotWithoutAFileEndsWithTheUsageAndStatusTwo) {
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--frobnicate"},
                                                      {"--screenshot"},
                                                      {"--pad", "--screenshot", ""}}) {
        const Outcome result = run(arguments);
        EXPECT_FALSE(result.killedAtLimit);
        EXPECT_EQ(result.status, 2) << arguments[0];
        EXPECT_THAT(result.output, HasSubstr(usageLine));
    }
    EXPECT_THAT(run({"--frobnicate"}).output, HasSubstr("--frobnicate"));
}

// The picture shows the loopback page, unless the machine has no route out: then the browser
// shows its cannot-connect page without fetching (and only the size is checked).
void expectPictureOfThePage(const fs::path& file, PictureSize size, int pageRequests) {
    const auto internet = Reachability::reachabilityForInternetConnection();
    if (!internet || internet->currentReachabilityStatus() == NotReachable)
        return;
    EXPECT_EQ(pageRequests, 1);
    // The middle of the window is the page's.
    EXPECT_TRUE(pixelIsAbout(file, size.width / 2, size.height / 2, {0, 160, 80}));
}

TEST_F(ProgramTest, AScreenshotOfAPageIsTheScreenOfThePhoneOrThePad) {
    for (const auto idiom : {ui::UserInterfaceIdiom::Phone, ui::UserInterfaceIdiom::Pad}) {
        pageRequests_ = 0;
        std::vector<std::string> arguments{"--screenshot", picture().string(),
                                           server_.url("/page")};
        if (idiom == ui::UserInterfaceIdiom::Pad)
            arguments.insert(arguments.begin(), "--pad");
        const Outcome result = run(arguments);
        ASSERT_FALSE(result.killedAtLimit) << result.output;
        EXPECT_EQ(result.status, 0) << result.output;
        const auto size = pngSize(picture());
        ASSERT_TRUE(size) << result.output;
        EXPECT_EQ(*size, screenOf(idiom));
        expectPictureOfThePage(picture(), *size, pageRequests_);
    }
}

// The new tab's own load (the search engine's home page) ends at once on the closed port.
TEST_F(ProgramTest, AScreenshotWithoutAnAddressIsThePhonesScreen) {
    const Outcome result = run({"--screenshot", picture().string()});
    ASSERT_FALSE(result.killedAtLimit) << result.output;
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(pngSize(picture()), screenOf(ui::UserInterfaceIdiom::Phone));
}

} // namespace
