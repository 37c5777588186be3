#include "platform/ui/Image.h"

#include "platform/base/Bundle.h"
#include "platform/ui/Screen.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <iterator>
#include <optional>
#include <string>

namespace ui {

namespace {

// Width and height in pixels from a PNG's header chunk.
std::optional<Size> pngPixelSize(const base::Data& data) {
    static constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (data.size() < 24)
        return std::nullopt;
    const std::uint8_t* bytes = data.bytes();
    for (int i = 0; i < 8; ++i)
        if (bytes[i] != signature[i])
            return std::nullopt;
    if (bytes[12] != 'I' || bytes[13] != 'H' || bytes[14] != 'D' || bytes[15] != 'R')
        return std::nullopt;
    auto bigEndian = [&](std::size_t at) {
        return (std::uint32_t(bytes[at]) << 24) | (std::uint32_t(bytes[at + 1]) << 16) |
               (std::uint32_t(bytes[at + 2]) << 8) | std::uint32_t(bytes[at + 3]);
    };
    return Size(bigEndian(16), bigEndian(20));
}

std::optional<base::Data> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    return base::Data(std::move(bytes));
}

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <class T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// The pixels of encoded image bytes, or null when no loader reads them.
GObjectPtr<GdkPixbuf> decodePixels(const base::Data& data) {
    if (data.empty())
        return nullptr;
    GObjectPtr<GdkPixbufLoader> loader(gdk_pixbuf_loader_new());
    g_autoptr(GError) error = nullptr;
    // A write the loader refuses closes the loader itself; closing it again is an error.
    if (!gdk_pixbuf_loader_write(loader.get(), data.bytes(), data.size(), &error))
        return nullptr;
    // Closing fails when the data stops before the loader could make a picture.
    if (!gdk_pixbuf_loader_close(loader.get(), &error))
        return nullptr;
    GdkPixbuf* pixels = gdk_pixbuf_loader_get_pixbuf(loader.get());
    if (!pixels)
        return nullptr;
    return GObjectPtr<GdkPixbuf>(GDK_PIXBUF(g_object_ref(pixels)));
}

// The pixels laid over white when they have an alpha channel, so that transparent parts do
// not come out in whatever colour their invisible pixels happen to have.
GObjectPtr<GdkPixbuf> overWhite(GObjectPtr<GdkPixbuf> pixels) {
    if (!gdk_pixbuf_get_has_alpha(pixels.get()))
        return pixels;
    const int width = gdk_pixbuf_get_width(pixels.get());
    const int height = gdk_pixbuf_get_height(pixels.get());
    GObjectPtr<GdkPixbuf> opaque(gdk_pixbuf_new(GDK_COLORSPACE_RGB, false, 8, width, height));
    if (!opaque)
        return nullptr;
    gdk_pixbuf_fill(opaque.get(), 0xFFFFFFFF);
    gdk_pixbuf_composite(pixels.get(), opaque.get(), 0, 0, width, height, 0, 0, 1, 1,
                         GDK_INTERP_NEAREST, 255);
    return opaque;
}

} // namespace

std::shared_ptr<Image> Image::named(std::string_view name) {
    if (name.empty())
        return nullptr;
    std::string stem(name);
    std::string type = "png";
    if (const auto dot = stem.rfind('.'); dot != std::string::npos && dot > 0) {
        type = stem.substr(dot + 1);
        stem.resize(dot);
    }
    const base::Bundle& bundle = base::Bundle::main();
    std::optional<std::filesystem::path> path;
    double scale = 1.0;
    if (Screen::mainScreen().scale() >= 2) {
        path = bundle.pathForResource(stem + "@2x", type);
        if (path)
            scale = 2.0;
    }
    if (!path)
        path = bundle.pathForResource(stem, type);
    if (!path || !std::filesystem::is_regular_file(*path))
        return nullptr;
    auto data = readFile(*path);
    if (!data || data->empty())
        return nullptr;
    auto image = withData(std::move(*data), scale);
    if (image)
        image->name_ = std::string(name);
    return image;
}

std::shared_ptr<Image> Image::withData(base::Data data, double scale) {
    if (data.empty())
        return nullptr;
    if (scale <= 0)
        scale = 1.0;
    Size size;
    if (auto pixels = pngPixelSize(data))
        size = Size(pixels->width / scale, pixels->height / scale);
    return std::make_shared<Image>(Private{}, std::string(), std::move(data), size, scale);
}

std::shared_ptr<Image> Image::blank(Size size, std::string name) {
    return std::make_shared<Image>(Private{}, std::move(name), base::Data(), size, 1.0);
}

base::Data Image::jpegData(double quality) const {
    auto pixels = decodePixels(data_);
    if (!pixels)
        return base::Data();
    pixels = overWhite(std::move(pixels));
    if (!pixels)
        return base::Data();
    if (!(quality >= 0)) // below zero, and not a number
        quality = 0;
    const std::string percent = std::to_string(std::lround(std::min(quality, 1.0) * 100));
    g_autofree gchar* buffer = nullptr;
    gsize size = 0;
    g_autoptr(GError) error = nullptr;
    if (!gdk_pixbuf_save_to_buffer(pixels.get(), &buffer, &size, "jpeg", &error, "quality",
                                   percent.c_str(), nullptr))
        return base::Data();
    return base::Data(buffer, size);
}

} // namespace ui
