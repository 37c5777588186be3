#include "platform/ui/Image.h"
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

} // namespace
} // namespace ui
