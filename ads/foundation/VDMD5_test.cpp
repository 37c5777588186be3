#include "ads/foundation/VDMD5.h"

#include <gtest/gtest.h>

namespace {

TEST(VDMD5Test, DigestsOfUTF8Text) {
    // RFC 1321's test suite, and a text outside ASCII.
    struct Case {
        const char* text;
        const char* hex;
    };
    const Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        {"\xc3\xa9", "66ddcd97cfdeabb2f6fb8a999b4bc76f"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vd_MD5String(c.text), c.hex) << c.text;
        auto data = vd_MD5Data(c.text);
        ASSERT_TRUE(data);
        EXPECT_EQ(data->size(), 16u);
        EXPECT_EQ(data->hexString(), c.hex);
    }
}

TEST(VDMD5Test, TextWithoutUTF8FormHasNoDigest) {
    EXPECT_FALSE(vd_MD5Data("\xff\xfe"));
    EXPECT_FALSE(vd_MD5String("ab\xc3"));
}

} // namespace
