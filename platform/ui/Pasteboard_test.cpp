#include "platform/ui/Image.h"
#include "platform/ui/MemoryClipboard.h"
#include "platform/ui/Pasteboard.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(PasteboardTest, HoldsOneItemAndALinkPastesAsText) {
    auto& pasteboard = Pasteboard::general();
    pasteboard.clear();
    const auto before = pasteboard.changeCount();
    EXPECT_FALSE(pasteboard.string());

    pasteboard.setURL(*base::URL::parse("https://host.tld/a?b=c"));
    EXPECT_EQ(pasteboard.string(), "https://host.tld/a?b=c");
    EXPECT_EQ(pasteboard.url()->absoluteString(), "https://host.tld/a?b=c");

    pasteboard.setString("plain");
    EXPECT_EQ(pasteboard.string(), "plain");
    EXPECT_FALSE(pasteboard.url());

    auto image = Image::blank(Size(10, 10));
    pasteboard.setImage(image);
    EXPECT_EQ(pasteboard.image(), image);
    EXPECT_FALSE(pasteboard.string());
    EXPECT_EQ(pasteboard.changeCount(), before + 3);
    pasteboard.clear();
    EXPECT_FALSE(pasteboard.image());
}

// The pasteboard keeps nothing of its own: what it reads and writes is the installed
// clipboard's, and putting the previous one back brings back what that one held.
TEST(PasteboardTest, ReadsAndWritesTheClipboardInstalled) {
    auto& pasteboard = Pasteboard::general();
    pasteboard.setString("kept");
    auto desktop = std::make_shared<MemoryClipboard>();
    desktop->setText("from elsewhere");
    auto previous = pasteboard.install(desktop);
    ASSERT_TRUE(previous);
    EXPECT_EQ(pasteboard.string(), "from elsewhere");
    pasteboard.setURL(*base::URL::parse("https://host.tld/"));
    EXPECT_EQ(desktop->url()->absoluteString(), "https://host.tld/");
    EXPECT_EQ(desktop->changeCount(), pasteboard.changeCount());

    EXPECT_EQ(pasteboard.install(previous), desktop);
    EXPECT_EQ(pasteboard.string(), "kept");
    previous = pasteboard.install(nullptr);
    EXPECT_FALSE(pasteboard.string()) << "null installs a fresh one";
    pasteboard.install(previous);
}

} // namespace
} // namespace ui
