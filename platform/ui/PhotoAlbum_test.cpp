#include "platform/base/AppHome.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Image.h"
#include "platform/ui/PhotoAlbum.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

class PhotoAlbumTest : public testing_support::PlatformTest {};

TEST_F(PhotoAlbumTest, SavesTheImageBytesUnderTheirOwnExtension) {
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x02\0\0\0\x03\x08\x06\0\0\0", 29);
    std::vector<std::optional<base::Error>> completions;
    PhotoAlbum::saveImage(
        Image::withData(base::Data::fromString(png)),
        [&](const std::optional<base::Error>& error) { completions.push_back(error); });
    PhotoAlbum::saveImage(Image::withData(base::Data::fromString("\xff\xd8\xff\xe0 jpeg")));
    EXPECT_TRUE(completions.empty());
    base::RunLoop::main().runUntilIdle();
    ASSERT_EQ(completions.size(), 1u);
    EXPECT_FALSE(completions[0]);

    auto files = PhotoAlbum::savedFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].parent_path(), base::AppHome::documentsDirectory() / "Photos");
    EXPECT_EQ(files[0].extension(), ".png");
    EXPECT_EQ(files[1].extension(), ".jpg");
    EXPECT_EQ(base::readFile(files[0])->toString(), png);
}

TEST_F(PhotoAlbumTest, AnImageWithoutBytesFailsAndWritesNothing) {
    std::optional<base::Error> error;
    PhotoAlbum::saveImage(Image::blank(Size(4, 4)),
                          [&](const std::optional<base::Error>& result) { error = result; });
    PhotoAlbum::saveImage(nullptr);
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(error);
    EXPECT_TRUE(PhotoAlbum::savedFiles().empty());
}

} // namespace
} // namespace ui
