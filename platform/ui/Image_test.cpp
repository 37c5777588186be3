#include "platform/base/Bundle.h"
#include "platform/ui/Device.h"
#include "platform/ui/Image.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
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

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Pixels = std::unique_ptr<GdkPixbuf, GObjectUnref>;

// A real PNG of the given size: a gradient with noise on it, so that JPEG's quality shows in
// its size. With `transparent`, every pixel has alpha 0 and is black underneath.
base::Data makePNG(int width, int height, bool transparent = false) {
    Pixels pixels(gdk_pixbuf_new(GDK_COLORSPACE_RGB, true, 8, width, height));
    std::uint32_t noise = 12345;
    guchar* rows = gdk_pixbuf_get_pixels(pixels.get());
    const int stride = gdk_pixbuf_get_rowstride(pixels.get());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            guchar* pixel = rows + y * stride + x * 4;
            pixel[0] = transparent ? 0 : guchar(x * 255 / width);
            pixel[1] = transparent ? 0 : guchar(y * 255 / height);
            pixel[2] = transparent ? 0 : guchar(noise >> 24);
            pixel[3] = transparent ? 0 : 255;
        }
    }
    g_autofree gchar* buffer = nullptr;
    gsize size = 0;
    EXPECT_TRUE(gdk_pixbuf_save_to_buffer(pixels.get(), &buffer, &size, "png", nullptr, nullptr));
    return base::Data(buffer, size);
}

// The pixels of encoded bytes, or null when they do not decode.
Pixels decode(const base::Data& data) {
    std::unique_ptr<GdkPixbufLoader, GObjectUnref> reader(gdk_pixbuf_loader_new());
    if (!gdk_pixbuf_loader_write(reader.get(), data.bytes(), data.size(), nullptr))
        return nullptr;
    if (!gdk_pixbuf_loader_close(reader.get(), nullptr))
        return nullptr;
    GdkPixbuf* pixels = gdk_pixbuf_loader_get_pixbuf(reader.get());
    return pixels ? Pixels(GDK_PIXBUF(g_object_ref(pixels))) : nullptr;
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

TEST_F(ImageTest, APNGBecomesAJPEGOfTheSameSize) {
    const auto image = Image::withData(makePNG(64, 48), 2.0);
    ASSERT_NE(image, nullptr);
    const base::Data jpeg = image->jpegData(0.0);
    ASSERT_GE(jpeg.size(), 4u);
    EXPECT_EQ(jpeg.bytes()[0], 0xFF);
    EXPECT_EQ(jpeg.bytes()[1], 0xD8);
    EXPECT_EQ(jpeg.bytes()[2], 0xFF);
    EXPECT_EQ(jpeg.bytes()[jpeg.size() - 2], 0xFF); // end of image
    EXPECT_EQ(jpeg.bytes()[jpeg.size() - 1], 0xD9);
    // In pixels, whatever the scale.
    const auto decoded = decode(jpeg);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(gdk_pixbuf_get_width(decoded.get()), 64);
    EXPECT_EQ(gdk_pixbuf_get_height(decoded.get()), 48);
    EXPECT_FALSE(gdk_pixbuf_get_has_alpha(decoded.get()));

    // A JPEG is read as well as a PNG.
    const auto again = Image::withData(jpeg);
    ASSERT_NE(again, nullptr);
    const auto redecoded = decode(again->jpegData(1.0));
    ASSERT_TRUE(redecoded);
    EXPECT_EQ(gdk_pixbuf_get_width(redecoded.get()), 64);
}

TEST_F(ImageTest, QualityZeroGivesTheSmallestFileAndQualityIsClamped) {
    const auto image = Image::withData(makePNG(96, 96));
    ASSERT_NE(image, nullptr);
    const base::Data smallest = image->jpegData(0.0);
    const base::Data middle = image->jpegData(0.5);
    const base::Data best = image->jpegData(1.0);
    ASSERT_FALSE(smallest.empty());
    EXPECT_LT(smallest.size(), middle.size());
    EXPECT_LT(middle.size(), best.size());
    EXPECT_EQ(image->jpegData(-2.0), smallest);
    EXPECT_EQ(image->jpegData(std::numeric_limits<double>::quiet_NaN()), smallest);
    EXPECT_EQ(image->jpegData(7.0), best);
}

TEST_F(ImageTest, TransparentPartsComeOutWhite) {
    const auto image = Image::withData(makePNG(16, 16, true));
    ASSERT_NE(image, nullptr);
    const auto decoded = decode(image->jpegData(1.0));
    ASSERT_TRUE(decoded);
    const guchar* pixel = gdk_pixbuf_get_pixels(decoded.get());
    for (int channel = 0; channel < 3; ++channel)
        EXPECT_GE(pixel[channel], 250) << "channel " << channel;
}

TEST_F(ImageTest, ImagesWithoutReadablePixelsGiveNoJPEG) {
    EXPECT_TRUE(Image::blank(Size(40, 30))->jpegData(0.0).empty());
    EXPECT_TRUE(Image::withData(base::Data::fromString("not an image"))->jpegData(0.0).empty());
    // Long enough for the loader to give up while reading rather than when closed.
    EXPECT_TRUE(
        Image::withData(base::Data::fromString(std::string(20000, 'x')))->jpegData(0.0).empty());
    // A PNG header promising pixels that never come.
    const auto headerOnly = Image::withData(base::Data::fromString(pngHeader(40, 30)));
    EXPECT_EQ(headerOnly->size(), Size(40, 30));
    EXPECT_TRUE(headerOnly->jpegData(1.0).empty());
}

} // namespace
} // namespace ui
