#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/Log.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/PropertyList.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/testing/BinaryPlist.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/PlatformTest.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using base::Data;
using base::UserDefaults;
using base::Value;

// Sets the locale variables for one scope and puts the old ones back afterwards.
class ScopedLocaleEnvironment {
public:
    using Values = std::vector<std::pair<const char*, const char*>>;
    explicit ScopedLocaleEnvironment(const Values& values) {
        for (const char* name : names) {
            const char* old = std::getenv(name);
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            ::unsetenv(name);
        }
        for (auto [name, value] : values)
            ::setenv(name, value, 1);
    }
    ~ScopedLocaleEnvironment() {
        for (auto& [name, value] : saved_) {
            if (value)
                ::setenv(name, value->c_str(), 1);
            else
                ::unsetenv(name);
        }
    }

private:
    static constexpr const char* names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

// Counts the files renamed into place under one name in a folder: each finished write of the
// preferences, which are always written to a temporary sibling and then renamed.
class FileReplacementCounter {
public:
    FileReplacementCounter(const fs::path& folder, std::string name)
        : name_(std::move(name)) {
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ >= 0 && ::inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO) < 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FileReplacementCounter() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileReplacementCounter(const FileReplacementCounter&) = delete;
    FileReplacementCounter& operator=(const FileReplacementCounter&) = delete;

    bool isWatching() const { return fd_ >= 0; }
    // The replacements so far. The kernel queues each event as the rename happens, so
    // everything written before the call is counted.
    int count() {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            ssize_t length = ::read(fd_, buffer, sizeof buffer);
            if (length <= 0)
                break;
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && name_ == event->name)
                    ++count_;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return count_;
    }

private:
    std::string name_;
    int fd_ = -1;
    int count_ = 0;
};

class UserDefaultsTest : public testing_support::PlatformTest {
protected:
    fs::path file() const { return homeDirectory() / "prefs.plist"; }
    std::shared_ptr<UserDefaults> open() { return UserDefaults::create(file(), {}); }
    Value fileContent() {
        auto bytes = base::readFile(file());
        if (!bytes)
            return Value();
        auto plist = base::readPlist(*bytes);
        return plist ? *plist : Value();
    }
    std::vector<std::string> homeEntries() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(homeDirectory()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(UserDefaultsTest, ValuesSurviveANewObjectWithTheirKinds) {
    const Value::Dictionary nested{{"list", Value::Array{1, "two", 3.5}}, {"flag", true}};
    {
        auto defaults = open();
        defaults->setObject("string", "text");
        defaults->setInteger("integer", -42);
        defaults->setDouble("double", 0.1);
        defaults->setBool("bool", true);
        defaults->setObject("data", Data::fromString(std::string("\0\1\2", 3)));
        defaults->setObject("date", base::Date(1'700'000'123.25));
        defaults->setObject("nested", Value::mutableDictionary(nested));
        defaults->setObject("big", Value(std::uint64_t(1) << 63));
        EXPECT_TRUE(defaults->synchronize());
    }
    auto reopened = open();
    EXPECT_EQ(reopened->objectForKey("string"), Value("text"));
    EXPECT_EQ(reopened->objectForKey("integer").type(), Value::Type::Integer);
    EXPECT_EQ(reopened->integerForKey("integer"), -42);
    EXPECT_EQ(reopened->objectForKey("double").type(), Value::Type::Double);
    EXPECT_EQ(reopened->doubleForKey("double"), 0.1);
    EXPECT_EQ(reopened->objectForKey("bool").type(), Value::Type::Bool);
    EXPECT_EQ(reopened->dataForKey("data"), Data::fromString(std::string("\0\1\2", 3)));
    EXPECT_EQ(reopened->objectForKey("date"), Value(base::Date(1'700'000'123.25)));
    EXPECT_EQ(reopened->dictionaryForKey("nested"), nested);
    EXPECT_FALSE(reopened->objectForKey("nested").isMutable());
    EXPECT_EQ(reopened->objectForKey("big").unsignedValue(), std::uint64_t(1) << 63);
    EXPECT_EQ(homeEntries(), std::vector<std::string>{"prefs.plist"});
}

TEST_F(UserDefaultsTest, ChangesInOneTurnQueueASingleWriteAndALaterTurnWritesAgain) {
    auto defaults = open();
    FileReplacementCounter writes(homeDirectory(), "prefs.plist");
    ASSERT_TRUE(writes.isWatching());

    // Queued between the first change and the others, this runs right after the write the
    // first change queued; a write queued for each change would still be waiting behind it.
    // Those extra writes would find nothing left to save, so only the queue shows them.
    bool workLeftAfterFirstWrite = true;
    Value onDiskAfterFirstWrite;
    defaults->setObject("a", 1);
    base::RunLoop::main().dispatch([&] {
        workLeftAfterFirstWrite = base::RunLoop::main().hasReadyWork();
        onDiskAfterFirstWrite = fileContent();
    });
    defaults->setObject("b", 2);
    defaults->setObject("c", 3);
    defaults->removeObjectForKey("a");
    defaults->setObject("a", 4);
    EXPECT_EQ(writes.count(), 0);
    EXPECT_FALSE(fs::exists(file())) << "nothing is written before the loop turns";

    base::RunLoop::main().runUntilIdle();
    EXPECT_FALSE(workLeftAfterFirstWrite);
    const Value allChanges(Value::Dictionary{{"a", 4}, {"b", 2}, {"c", 3}});
    EXPECT_EQ(onDiskAfterFirstWrite, allChanges);
    EXPECT_EQ(writes.count(), 1);
    EXPECT_EQ(fileContent(), allChanges);

    // A change in a later turn queues a write of its own.
    defaults->setObject("d", 5);
    EXPECT_TRUE(base::RunLoop::main().hasReadyWork());
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(writes.count(), 2);
    EXPECT_EQ(fileContent(), Value(Value::Dictionary{{"a", 4}, {"b", 2}, {"c", 3}, {"d", 5}}));

    // A reset loop drops the pending write; the next change still schedules one.
    defaults->setObject("e", 6);
    base::RunLoop::main().reset();
    defaults->setObject("f", 7);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(fileContent()["e"], Value(6));
    EXPECT_EQ(writes.count(), 3);

    // What is still pending when the object goes away is written then.
    defaults->setObject("g", 8);
    defaults.reset();
    EXPECT_EQ(open()->integerForKey("g"), 8);
}

TEST_F(UserDefaultsTest, TypedReadersConvertAsThePlatformDoes) {
    struct Row {
        Value value;
        std::optional<std::string> string;
        std::int64_t integer;
        bool boolean;
        double number;
    };
    const std::vector<Row> rows = {
        {"12", "12", 12, true, 12},
        {"2.5", "2.5", 2, true, 2.5},
        {" -7 apples", " -7 apples", -7, true, -7},
        {"YES", "YES", 0, true, 0},
        {"true", "true", 0, true, 0},
        {"NO", "NO", 0, false, 0},
        {"0", "0", 0, false, 0},
        {"", "", 0, false, 0},
        {"abc", "abc", 0, false, 0},
        {42, "42", 42, true, 42},
        {-1.5, "-1.5", -1, true, -1.5},
        {true, "1", 1, true, 1},
        {false, "0", 0, false, 0},
        {Value::Array{1}, std::nullopt, 0, false, 0},
        {Value::Dictionary{{"k", 1}}, std::nullopt, 0, false, 0},
        {Data::fromString("12"), std::nullopt, 0, false, 0},
        {Value(), std::nullopt, 0, false, 0}, // missing key
    };
    auto defaults = open();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value.description());
        ASSERT_TRUE(defaults->setObject("key", row.value));
        EXPECT_EQ(defaults->stringForKey("key"), row.string);
        EXPECT_EQ(defaults->integerForKey("key"), row.integer);
        EXPECT_EQ(defaults->boolForKey("key"), row.boolean);
        EXPECT_DOUBLE_EQ(defaults->doubleForKey("key"), row.number);
    }

    defaults->setObject("list", Value::Array{"a"});
    defaults->setObject("text", "a");
    EXPECT_EQ(defaults->arrayForKey("list"), Value::Array{"a"});
    EXPECT_EQ(defaults->arrayForKey("text"), std::nullopt);
    EXPECT_EQ(defaults->dictionaryForKey("list"), std::nullopt);
    EXPECT_EQ(defaults->dataForKey("text"), std::nullopt);
    EXPECT_EQ(defaults->arrayForKey("missing"), std::nullopt);
}

TEST_F(UserDefaultsTest, NullRemovesAndValuesAPlistCannotHoldAreRefused) {
    auto defaults = open();
    defaults->setObject("kept", "before");
    EXPECT_FALSE(defaults->setObject("kept", Value::Array{1, Value()}));
    EXPECT_FALSE(defaults->setObject("kept", Value::Dictionary{{"inner", Value()}}));
    EXPECT_FALSE(defaults->setObject("kept", std::string("nul\0inside", 10)));
    EXPECT_FALSE(defaults->setObject("kept", "caf\xe9"));
    EXPECT_FALSE(defaults->setObject("kept", base::Date(std::nan(""))));
    EXPECT_TRUE(defaults->setObject("nan", std::nan(""))); // a NaN reads back as itself
    EXPECT_EQ(defaults->stringForKey("kept"), "before");
    // The refused values never reach the file: saving still works.
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(open()->stringForKey("kept"), "before");

    EXPECT_TRUE(defaults->setObject("kept", Value()));
    EXPECT_TRUE(defaults->objectForKey("kept").isNull());
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_TRUE(open()->objectForKey("kept").isNull());
}

TEST_F(UserDefaultsTest, ValuesThatCouldNotBeSavedAgainAreLeftOutOnReading) {
    // A file written elsewhere (or damaged) holding values our writer refuses or would change:
    // kept, each made every later save fail or was lost at the next launch.
    using testing_support::binaryPlist;
    using testing_support::plistDate;
    const std::vector<testing_support::PlistObject> keys = {
        {0x51, 'a'}, {0x51, 'b'}, {0x51, 'c'}, {0x51, 'd'}, {0x51, 'e'}, {0x51, 'f'}, {0x51, 'g'}};
    std::vector<testing_support::PlistObject> objects = {
        testing_support::plistContainer(0xD, 7, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14})};
    objects.insert(objects.end(), keys.begin(), keys.end());
    objects.insert(objects.end(), {
                                      {0x63, 0, 'n', 0, 0, 0, 'l'},     // a: a NUL inside
                                      {0x52, 0xff, 'x'},                // b: not UTF-8
                                      plistDate(std::nan("")),          // c
                                      plistDate(1e19),                  // d: past 2^63 seconds
                                      plistDate(2209075200.5),          // e: 2071, kept
                                      {0x52, 'o', 'k'},                 // f: kept
                                      testing_support::plistArray({9}), // g: [b]
                                  });
    ASSERT_TRUE(base::writeFileAtomically(file(), binaryPlist(objects)));
    testing_support::LogCapture log;
    auto defaults = open();
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.contains("(a, b, c, d, g)")) << log.lines()[0];
    EXPECT_EQ(defaults->dictionaryRepresentation(),
              (Value::Dictionary{{"e", base::Date(978307200 + 2209075200.5)}, {"f", "ok"}}));

    defaults->setObject("later", 1);
    ASSERT_TRUE(defaults->synchronize());
    auto reopened = open();
    EXPECT_EQ(reopened->objectForKey("e"), Value(base::Date(978307200 + 2209075200.5)));
    EXPECT_EQ(reopened->stringForKey("f"), "ok");
    EXPECT_EQ(reopened->integerForKey("later"), 1);
}

TEST_F(UserDefaultsTest, RegistrationDomainAnswersLastAndIsNeverPersisted) {
    auto defaults = UserDefaults::create(
        file(), {{"AppleLanguages", Value::Array{"de-DE", "en"}}, {"shared", "global"}});
    defaults->registerDefaults({{"registered", 10}, {"shared", "registered"}, {"bad", Value()}});
    defaults->registerDefaults({{"registered", 11}});
    EXPECT_EQ(defaults->integerForKey("registered"), 11);
    EXPECT_EQ(defaults->stringForKey("shared"), "global");
    EXPECT_TRUE(defaults->objectForKey("bad").isNull());

    defaults->setInteger("registered", 5);
    defaults->setObject("shared", "app");
    EXPECT_EQ(defaults->integerForKey("registered"), 5);
    EXPECT_EQ(defaults->stringForKey("shared"), "app");
    EXPECT_EQ(defaults->dictionaryRepresentation(),
              (Value::Dictionary{{"AppleLanguages", Value::Array{"de-DE", "en"}},
                                 {"registered", 5},
                                 {"shared", "app"}}));
    defaults->removeObjectForKey("registered");
    EXPECT_EQ(defaults->integerForKey("registered"), 11);
    ASSERT_TRUE(defaults->synchronize());

    EXPECT_EQ(fileContent(), Value(Value::Dictionary{{"shared", "app"}}));
    EXPECT_TRUE(open()->objectForKey("registered").isNull());
}

TEST_F(UserDefaultsTest, LanguagesComeFromTheEnvironment) {
    struct Row {
        ScopedLocaleEnvironment::Values env;
        Value::Array languages;
    };
    const std::vector<Row> rows = {
        {{{"LANG", "fr_FR.UTF-8"}}, {"fr-FR", "en"}},
        {{{"LANG", "en_US.UTF-8"}}, {"en-US", "en"}},
        {{{"LANG", "en"}}, {"en"}},
        {{{"LANG", "sr_RS.UTF-8@latin"}}, {"sr-RS", "en"}},
        {{{"LANG", "es_419"}}, {"es-419", "en"}},
        {{{"LANG", "de_DE"}, {"LC_MESSAGES", "it_IT.UTF-8"}}, {"it-IT", "en"}},
        {{{"LANG", "de_DE"}, {"LC_MESSAGES", "it_IT"}, {"LC_ALL", "pt_BR.utf8"}}, {"pt-BR", "en"}},
        {{{"LANG", "de_DE"}, {"LC_ALL", "C"}}, {"en"}},
        {{{"LANG", "POSIX"}}, {"en"}},
        {{{"LANG", "C.UTF-8"}}, {"en"}},
        {{{"LANGUAGE", "nl:fr_BE:nl"}, {"LANG", "de_DE"}}, {"nl", "fr-BE", "en"}},
        {{{"LANGUAGE", ""}, {"LANG", "ja_JP.UTF-8"}}, {"ja-JP", "en"}},
        {{{"LANGUAGE", "!!:"}, {"LANG", "ko_KR"}}, {"ko-KR", "en"}},
        {{{"LANG", "not a locale"}}, {"en"}},
        {{}, {"en"}},
    };
    for (const auto& row : rows) {
        ScopedLocaleEnvironment env(row.env);
        EXPECT_EQ(UserDefaults::languagesFromEnvironment(), row.languages)
            << Value(row.languages).description();
    }

    // The standard defaults carry them in the global domain, behind the application's own.
    ScopedLocaleEnvironment env(ScopedLocaleEnvironment::Values{{"LANG", "fr_FR.UTF-8"}});
    base::resetProcessServicesForTesting();
    auto standard = UserDefaults::standard();
    EXPECT_EQ(standard->arrayForKey("AppleLanguages"), (Value::Array{"fr-FR", "en"}));
    standard->setObject("AppleLanguages", Value::Array{"it"});
    EXPECT_EQ(standard->arrayForKey("AppleLanguages"), Value::Array{"it"});
}

TEST_F(UserDefaultsTest, StandardDefaultsLiveInThePreferencesFolder) {
    auto standard = UserDefaults::standard();
    EXPECT_EQ(standard, UserDefaults::standard());
    EXPECT_EQ(standard->filePath(), homeDirectory() / "Library" / "Preferences" /
                                        (base::Bundle::main().bundleIdentifier() + ".plist"));
    standard->setObject("opn_bookmark", true);
    ASSERT_TRUE(standard->synchronize());

    base::resetProcessServicesForTesting();
    auto fresh = UserDefaults::standard();
    EXPECT_NE(fresh, standard);
    EXPECT_TRUE(fresh->boolForKey("opn_bookmark"));

    auto replacement = UserDefaults::create(file(), {});
    EXPECT_EQ(UserDefaults::install(replacement), fresh);
    EXPECT_EQ(UserDefaults::standard(), replacement);
}

TEST_F(UserDefaultsTest, CorruptFileIsKeptAsideAndTheDefaultsStartEmpty) {
    const Data garbage = Data::fromString("bplist00 this is not really a property list");
    ASSERT_TRUE(base::writeFileAtomically(file(), garbage));
    std::vector<std::string> lines;
    auto previousSink =
        base::installLogSink([&lines](std::string_view line) { lines.emplace_back(line); });
    auto defaults = open();
    base::installLogSink(previousSink);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(file().string() + ".corrupt"), std::string::npos) << lines[0];
    EXPECT_TRUE(defaults->dictionaryRepresentation().empty());
    EXPECT_FALSE(fs::exists(file()));
    EXPECT_EQ(base::readFile(file().string() + ".corrupt").value(), garbage);

    defaults->setObject("after", "works");
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_EQ(open()->stringForKey("after"), "works");

    // A second corrupt file (here a plist whose root is not a dictionary) does not overwrite
    // the first one kept aside.
    auto array = base::writePlist(Value::Array{"x"}, base::PlistFormat::XML);
    ASSERT_TRUE(array);
    ASSERT_TRUE(base::writeFileAtomically(file(), *array));
    EXPECT_TRUE(open()->dictionaryRepresentation().empty());
    EXPECT_EQ(base::readFile(file().string() + ".corrupt").value(), garbage);
    EXPECT_EQ(base::readFile(file().string() + ".corrupt.1").value(), *array);

    // An empty file is no property list either.
    ASSERT_TRUE(base::writeFileAtomically(file(), Data()));
    EXPECT_TRUE(open()->dictionaryRepresentation().empty());
    EXPECT_TRUE(fs::exists(file().string() + ".corrupt.2"));
}

TEST_F(UserDefaultsTest, FailedSaveKeepsTheChangesPending) {
    const fs::path blocked = homeDirectory() / "blocker" / "prefs.plist";
    ASSERT_TRUE(base::writeFileAtomically(homeDirectory() / "blocker", Data()));
    auto defaults = UserDefaults::create(blocked, {});
    defaults->setObject("key", "value");
    EXPECT_FALSE(defaults->synchronize());
    base::RunLoop::main().runUntilIdle();

    ASSERT_TRUE(base::removeItem(homeDirectory() / "blocker"));
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(UserDefaults::create(blocked, {})->stringForKey("key"), "value");
}

TEST_F(UserDefaultsTest, ConcurrentWritersLoseNothing) {
    auto defaults = open();
    constexpr int threads = 8;
    constexpr int rounds = 40;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int r = 0; r < rounds; ++r) {
                defaults->setInteger("thread" + std::to_string(t), r);
                defaults->setObject("shared", Value::Array{t, r});
                EXPECT_EQ(defaults->integerForKey("thread" + std::to_string(t)), r);
                if (r % 5 == 0) {
                    EXPECT_TRUE(defaults->synchronize());
                }
            }
            EXPECT_TRUE(defaults->synchronize());
        });
    for (auto& worker : workers)
        worker.join();
    base::RunLoop::main().runUntilIdle();

    auto reopened = open();
    for (int t = 0; t < threads; ++t)
        EXPECT_EQ(reopened->integerForKey("thread" + std::to_string(t)), rounds - 1);
    EXPECT_EQ(reopened->dictionaryRepresentation(), defaults->dictionaryRepresentation());
    EXPECT_EQ(homeEntries(), std::vector<std::string>{"prefs.plist"});
}

} // namespace
