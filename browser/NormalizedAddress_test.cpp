#include "browser/NormalizedAddress.h"

#include <gtest/gtest.h>

TEST(BookmarkAddressTest, AddressesWithoutHttpGetItInFrontAsTypedAddressesDo) {
    EXPECT_EQ(normalizedAddress("host.tld"), "http://host.tld");
    EXPECT_EQ(normalizedAddress("  host.tld/page?q=1 \n"), "http://host.tld/page?q=1");
    EXPECT_EQ(normalizedAddress("ftp://host.tld/file"), "http://ftp://host.tld/file");
    // Already an address: kept byte for byte, whatever the scheme's letter case.
    EXPECT_EQ(normalizedAddress("https://host.tld/a"), "https://host.tld/a");
    EXPECT_EQ(normalizedAddress("HTTP://Host.tld/"), "HTTP://Host.tld/");
}

TEST(BookmarkAddressTest, TextThatMakesNoAddressComesBackTrimmed) {
    EXPECT_EQ(normalizedAddress(""), "");
    EXPECT_EQ(normalizedAddress("  two words "), "two words");
    EXPECT_EQ(normalizedAddress("about:blank"), "about:blank");
}
