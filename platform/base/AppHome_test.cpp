#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/testing/PlatformTest.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using base::AppHome;
using base::Data;

// Sets (or with nullptr unsets) an environment variable for one scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value)
        : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class AppHomeTest : public testing_support::PlatformTest {};

TEST_F(AppHomeTest, DefaultRootFollowsTheEnvironment) {
    const std::string identifier = base::Bundle::main().bundleIdentifier();
    {
        ScopedEnvironment home("BROWSER_HOME", "/srv/browser-home");
        ScopedEnvironment xdg("XDG_DATA_HOME", "/srv/xdg");
        EXPECT_EQ(AppHome::defaultRoot(), fs::path("/srv/browser-home"));
    }
    ScopedEnvironment home("BROWSER_HOME", nullptr);
    ScopedEnvironment user("HOME", "/home/someone");
    {
        ScopedEnvironment xdg("XDG_DATA_HOME", "/srv/xdg");
        EXPECT_EQ(AppHome::defaultRoot(), fs::path("/srv/xdg") / identifier);
    }
    {
        // A relative XDG folder would depend on the working folder: it is ignored.
        ScopedEnvironment xdg("XDG_DATA_HOME", "relative/data");
        EXPECT_EQ(AppHome::defaultRoot(), fs::path("/home/someone/.local/share") / identifier);
    }
    ScopedEnvironment xdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(AppHome::defaultRoot(), fs::path("/home/someone/.local/share") / identifier);
    ScopedEnvironment empty("BROWSER_HOME", "");
    EXPECT_EQ(AppHome::defaultRoot(), fs::path("/home/someone/.local/share") / identifier);
}

TEST_F(AppHomeTest, StandardFoldersAreCreatedOnFirstUse) {
    const fs::path root = homeDirectory();
    EXPECT_EQ(AppHome::root(), root);
    EXPECT_FALSE(fs::exists(root / "Library"));

    EXPECT_EQ(AppHome::cachesDirectory(), root / "Library" / "Caches");
    EXPECT_TRUE(fs::is_directory(root / "Library" / "Caches"));
    EXPECT_EQ(AppHome::preferencesDirectory(), root / "Library" / "Preferences");
    EXPECT_TRUE(fs::is_directory(root / "Library" / "Preferences"));
    EXPECT_EQ(AppHome::libraryDirectory(), root / "Library");
    EXPECT_EQ(AppHome::documentsDirectory(), root / "Documents");
    EXPECT_TRUE(fs::is_directory(root / "Documents"));
    EXPECT_EQ(AppHome::temporaryDirectory(), root / "tmp");
    EXPECT_TRUE(fs::is_directory(root / "tmp"));

    // A folder removed behind the app's back comes back on the next use.
    fs::remove_all(root / "Library");
    EXPECT_TRUE(fs::is_directory(AppHome::cachesDirectory()));
}

TEST_F(AppHomeTest, AtomicWriteReplacesContentAndLeavesNoTemporaryFile) {
    const fs::path file = homeDirectory() / "state.bin";
    const Data first = Data::fromString(std::string("one\0two", 7));
    ASSERT_TRUE(base::writeFileAtomically(file, first));
    auto read = base::readFile(file);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, first);

    ::chmod(file.c_str(), 0600);
    const Data second = Data::fromString("a longer second content");
    ASSERT_TRUE(base::writeFileAtomically(file, second));
    EXPECT_EQ(base::readFile(file).value(), second);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_TRUE(base::writeFileAtomically(file, Data()));
    EXPECT_TRUE(base::readFile(file).value().empty());
    EXPECT_EQ(entries(homeDirectory()), std::vector<std::string>{"state.bin"});
}

TEST_F(AppHomeTest, FailedWritesReportThePathAndLeaveNothingBehind) {
    auto missingFolder = base::writeFileAtomically(homeDirectory() / "absent" / "f", Data());
    ASSERT_FALSE(missingFolder);
    EXPECT_EQ(missingFolder.error().domain, base::POSIXErrorDomain);
    EXPECT_EQ(missingFolder.error().code, ENOENT);
    EXPECT_NE(missingFolder.error().localizedDescription().find("absent"), std::string::npos);

    // Renaming a file over a non-empty folder fails after the temporary file was written.
    fs::create_directories(homeDirectory() / "folder" / "child");
    auto overFolder = base::writeFileAtomically(homeDirectory() / "folder", Data::fromString("x"));
    ASSERT_FALSE(overFolder);
    EXPECT_EQ(entries(homeDirectory()), std::vector<std::string>{"folder"});
    EXPECT_TRUE(fs::is_directory(homeDirectory() / "folder" / "child"));
}

TEST_F(AppHomeTest, ConcurrentWritersNeverMixContents) {
    const fs::path file = homeDirectory() / "shared.txt";
    constexpr int writers = 8;
    constexpr int rounds = 25;
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w)
        threads.emplace_back([&, w] {
            const Data content = Data::fromString(std::string(4096 + w * 100, char('a' + w)));
            for (int r = 0; r < rounds; ++r)
                EXPECT_TRUE(base::writeFileAtomically(file, content));
        });
    for (auto& thread : threads)
        thread.join();

    std::string text = base::readFile(file).value().toString();
    ASSERT_FALSE(text.empty());
    const int w = text.front() - 'a';
    ASSERT_GE(w, 0);
    ASSERT_LT(w, writers);
    EXPECT_EQ(text, std::string(4096 + w * 100, char('a' + w)));
    EXPECT_EQ(entries(homeDirectory()), std::vector<std::string>{"shared.txt"});
}

TEST_F(AppHomeTest, ReadFileErrors) {
    auto missing = base::readFile(homeDirectory() / "nothing");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, ENOENT);
    auto folder = base::readFile(homeDirectory());
    ASSERT_FALSE(folder);
    EXPECT_EQ(folder.error().code, EISDIR);

    // A size limit: a file at the limit is read, a larger one refused before its bytes are
    // read (a sparse terabyte would not fit in memory), and a device of no known size is
    // refused once it has given more than the limit.
    const fs::path file = homeDirectory() / "limited";
    ASSERT_TRUE(base::writeFileAtomically(file, Data::fromString("12345")));
    EXPECT_EQ(base::readFile(file, 5).value().toString(), "12345");
    EXPECT_EQ(base::readFile(file, 4).error().code, EFBIG);
    fs::resize_file(file, std::uintmax_t(1) << 40);
    EXPECT_EQ(base::readFile(file, 1 << 20).error().code, EFBIG);
    EXPECT_EQ(base::readFile("/dev/zero", 100000).error().code, EFBIG);
}

TEST_F(AppHomeTest, ModificationDateExistsRemoveAndCreate) {
    const fs::path file = homeDirectory() / "dated";
    EXPECT_FALSE(base::modificationDate(file));
    EXPECT_FALSE(base::fileExists(file));
    ASSERT_TRUE(base::writeFileAtomically(file, Data::fromString("x")));
    EXPECT_TRUE(base::fileExists(file));
    ASSERT_TRUE(base::setModificationDate(file, base::Date(1'600'000'000.5)));
    EXPECT_EQ(base::modificationDate(file), base::Date(1'600'000'000.5));
    EXPECT_EQ(base::setModificationDate(homeDirectory() / "nothing", base::Date(1)).error().code,
              ENOENT);

    const fs::path nested = homeDirectory() / "a" / "b" / "c";
    ASSERT_TRUE(base::createDirectories(nested));
    EXPECT_TRUE(base::createDirectories(nested)); // already there
    ASSERT_TRUE(base::writeFileAtomically(nested / "f", Data::fromString("y")));
    auto overFile = base::createDirectories(file / "sub");
    ASSERT_FALSE(overFile);
    EXPECT_EQ(overFile.error().domain, base::POSIXErrorDomain);

    ASSERT_TRUE(base::removeItem(homeDirectory() / "a"));
    EXPECT_FALSE(base::fileExists(homeDirectory() / "a"));
    ASSERT_TRUE(base::removeItem(file));
    auto again = base::removeItem(file);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().code, ENOENT);
}

} // namespace
