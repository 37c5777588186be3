#include "platform/base/Bundle.h"
#include "platform/ui/Device.h"
#include "platform/ui/Image.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace ui {
namespace {

// The start of a PNG file: signature and header chunk with the pixel size.
std::string pngHeader(std::uint32_t width, std::uint32_t height) {
    std::string bytes("\x89PNG\r\n\x1a\n", 8);
    bytes += std::string("\0\0\0\x0dIHDR", 8);
    for (std::uint32_t value : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes += char((value >> shift) & 0xFF);
    bytes += std::string("\x08\x06\0\0\0", 5);
    return bytes;
}

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        directory_ = std::filesystem::temp_directory_path() /
                     ("ui-image-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(directory_);
        write("folder.png", pngHeader(40, 30));
        write("bookmark.png", pngHeader(20, 20));
        write("bookmark@2x.png", pngHeader(40, 40));
        write("notes.txt", "not an image");
        previousBundle_ = base::Bundle::install(std::make_shared<base::Bundle>(directory_));
        previousDevice_ = Device::install(std::make_shared<Device>());
        Device::current().setScreen(Rect(0, 0, 320, 480), 2.0);
    }
    void TearDown() override {
        base::Bundle::install(previousBundle_);
        Device::install(previousDevice_);
        std::filesystem::remove_all(directory_);
    }
    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(directory_ / name, std::ios::binary) << bytes;
    }

    std::filesystem::path directory_;
    std::shared_ptr<base::Bundle> previousBundle_;
    std::shared_ptr<Device> previousDevice_;
};

TEST_F(ImageTest, NamedImagesComeFromTheBundleWithTheirSizeInPoints) {
    const auto folder = Image::named("folder.png");
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->size(), Size(40, 30));
    EXPECT_EQ(folder->scale(), 1.0);
    EXPECT_EQ(folder->name(), "folder.png");
    ASSERT_NE(Image::named("folder"), nullptr);

    // On a screen of scale 2 the double-resolution file wins, at the same size in points.
    const auto bookmark = Image::named("bookmark.png");
    ASSERT_NE(bookmark, nullptr);
    EXPECT_EQ(bookmark->scale(), 2.0);
    EXPECT_EQ(bookmark->size(), Size(20, 20));

    EXPECT_EQ(Image::named("missing.png"), nullptr);
    EXPECT_EQ(Image::named("../etc/passwd"), nullptr);
    EXPECT_EQ(Image::named(""), nullptr);
    // Bytes that are not a PNG give an image without a size, not a crash.
    const auto text = Image::named("notes.txt");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->size(), Size());
    EXPECT_EQ(Image::withData(base::Data()), nullptr);
}

} // namespace
} // namespace ui
