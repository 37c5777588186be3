#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/PropertyList.h"
#include "platform/testing/PlatformTest.h"

#include <cstdlib>

namespace {

namespace fs = std::filesystem;
using base::Bundle;
using base::Value;

class BundleTest : public testing_support::PlatformTest {
protected:
    fs::path resources() {
        fs::path folder = homeDirectory() / "resources";
        fs::create_directories(folder);
        return folder;
    }
    void writeInfo(const Value& info, base::PlistFormat format = base::PlistFormat::XML) {
        auto bytes = base::writePlist(info, format);
        ASSERT_TRUE(bytes);
        ASSERT_TRUE(base::writeFileAtomically(resources() / "Info.plist", *bytes));
    }
};

TEST_F(BundleTest, InfoDictionaryComesFromInfoPlistWithDefaultsForMissingKeys) {
    writeInfo(Value::Dictionary{{"CFBundleIdentifier", "org.example.reader"},
                                {"CFBundleVersion", "7.2"},
                                {"ChorusAppID", "12345"},
                                {"Count", 3}});
    Bundle bundle(resources());
    EXPECT_EQ(bundle.bundleIdentifier(), "org.example.reader");
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("CFBundleVersion"), Value("7.2"));
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("ChorusAppID"), Value("12345"));
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("Count"), Value(3));
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("CFBundleName"), Value("Browser"));
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("CFBundleShortVersionString"), Value("1.0"));
    EXPECT_TRUE(bundle.objectForInfoDictionaryKey("DTSDKName").isNull());
    EXPECT_EQ(bundle.infoDictionary().count(), 6u);
}

TEST_F(BundleTest, BuiltInInformationWhenThereIsNoUsableInfoPlist) {
    const Value defaults(Value::Dictionary{{"CFBundleIdentifier", "org.tabbrowser.Browser"},
                                           {"CFBundleName", "Browser"},
                                           {"CFBundleShortVersionString", "1.0"},
                                           {"CFBundleVersion", "1"}});
    EXPECT_EQ(Bundle(resources()).infoDictionary(), defaults);

    ASSERT_TRUE(base::writeFileAtomically(resources() / "Info.plist",
                                          base::Data::fromString("<plist><dict><key>")));
    EXPECT_EQ(Bundle(resources()).infoDictionary(), defaults);

    writeInfo(Value::Array{"not", "a", "dictionary"}, base::PlistFormat::Binary);
    EXPECT_EQ(Bundle(resources()).infoDictionary(), defaults);
}

TEST_F(BundleTest, IdentifierThatCannotNameAFolderIsReplaced) {
    for (const char* identifier : {"../../etc", "a/b", "", "..", "with space"}) {
        Bundle bundle(resources(), Value::Dictionary{{"CFBundleIdentifier", identifier}});
        EXPECT_EQ(bundle.bundleIdentifier(), Bundle::defaultIdentifier) << identifier;
    }
    Bundle numeric(resources(), Value::Dictionary{{"CFBundleIdentifier", 42}});
    EXPECT_EQ(numeric.bundleIdentifier(), Bundle::defaultIdentifier);
}

TEST_F(BundleTest, PathForResource) {
    const fs::path folder = resources();
    ASSERT_TRUE(base::writeFileAtomically(folder / "launch.html", base::Data::fromString("<p>")));
    ASSERT_TRUE(base::writeFileAtomically(folder / "README", base::Data::fromString("r")));
    fs::create_directories(folder / "BrowserModel.momd");
    ASSERT_TRUE(base::writeFileAtomically(homeDirectory() / "secret.txt", base::Data()));
    Bundle bundle(folder);

    EXPECT_EQ(bundle.resourcePath(), folder);
    EXPECT_EQ(bundle.pathForResource("launch", "html"), folder / "launch.html");
    EXPECT_EQ(bundle.pathForResource("launch.html", ""), folder / "launch.html");
    EXPECT_EQ(bundle.pathForResource("README", ""), folder / "README");
    EXPECT_EQ(bundle.pathForResource("BrowserModel", "momd"), folder / "BrowserModel.momd");
    EXPECT_EQ(bundle.pathForResource("launch", "js"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource("absent", "html"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource("", "html"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource("../secret", "txt"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource((homeDirectory() / "secret").string(), "txt"), std::nullopt);

    // Text: what the file holds, or an error naming what is missing; never outside the folder.
    ASSERT_TRUE(bundle.textOfResource("launch", "html"));
    EXPECT_EQ(*bundle.textOfResource("launch", "html"), "<p>");
    for (const auto& [name, type] : {std::pair("absent", "html"), std::pair("../secret", "txt"),
                                     std::pair("BrowserModel", "momd")}) {
        auto text = bundle.textOfResource(name, type);
        ASSERT_FALSE(text) << name;
        EXPECT_NE(text.error().localizedDescription().find(name), std::string::npos) << name;
    }

    // A resource the program needs: the text, or an exception that names the missing file.
    EXPECT_EQ(bundle.requiredTextOfResource("launch", "html"), "<p>");
    try {
        (void)bundle.requiredTextOfResource("absent", "js");
        ADD_FAILURE() << "a missing resource gave text";
    } catch (const base::MissingResourceError& error) {
        EXPECT_NE(std::string(error.what()).find("absent.js"), std::string::npos) << error.what();
    }
}

TEST_F(BundleTest, MainBundleIsReplaceableAndFollowsTheEnvironment) {
    const char* saved = std::getenv("BROWSER_RESOURCES");
    const std::optional<std::string> previousValue =
        saved ? std::optional<std::string>(saved) : std::nullopt;

    ::unsetenv("BROWSER_RESOURCES");
    const fs::path built = Bundle::defaultResourcesDirectory();
    EXPECT_TRUE(built.is_absolute());
    EXPECT_EQ(built.filename(), "resources");

    ::setenv("BROWSER_RESOURCES", resources().c_str(), 1);
    EXPECT_EQ(Bundle::defaultResourcesDirectory(), resources());
    writeInfo(Value::Dictionary{{"CFBundleIdentifier", "org.example.main"}});
    auto previous = Bundle::install(nullptr); // the next main() is made from the environment
    EXPECT_EQ(Bundle::main().resourcePath(), resources());
    EXPECT_EQ(Bundle::main().bundleIdentifier(), "org.example.main");

    auto replacement = std::make_shared<Bundle>(
        homeDirectory(), Value::Dictionary{{"CFBundleIdentifier", "org.example.replacement"}});
    Bundle::install(replacement);
    EXPECT_EQ(Bundle::main().bundleIdentifier(), "org.example.replacement");
    EXPECT_EQ(Bundle::install(previous), replacement);

    if (previousValue)
        ::setenv("BROWSER_RESOURCES", previousValue->c_str(), 1);
    else
        ::unsetenv("BROWSER_RESOURCES");
}

} // namespace
