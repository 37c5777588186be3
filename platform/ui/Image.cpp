#include "platform/ui/Image.h"

#include "platform/base/Bundle.h"
#include "platform/ui/Screen.h"

#include <fstream>
#include <iterator>
#include <optional>

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

} // namespace ui
