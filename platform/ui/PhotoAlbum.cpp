#include "platform/ui/PhotoAlbum.h"

#include "platform/base/AppHome.h"
#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Image.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace ui {

namespace {

std::string extensionFor(const base::Data& data) {
    auto startsWith = [&](std::string_view signature, std::size_t at = 0) {
        if (data.size() < at + signature.size())
            return false;
        return std::equal(signature.begin(), signature.end(), data.bytes() + at,
                          [](char a, std::uint8_t b) { return std::uint8_t(a) == b; });
    };
    if (startsWith("\x89PNG\r\n\x1a\n"))
        return ".png";
    if (startsWith("\xff\xd8\xff"))
        return ".jpg";
    if (startsWith("GIF8"))
        return ".gif";
    if (startsWith("RIFF") && startsWith("WEBP", 8))
        return ".webp";
    return ".img";
}

std::optional<base::Error> write(const Image* image) {
    if (!image || image->data().empty())
        return base::Error::make("PhotoAlbumErrorDomain", -3304, "The image has no data to save.");
    const auto folder = PhotoAlbum::directory();
    if (auto made = base::createDirectories(folder); !made)
        return made.error();
    const auto stamp = std::to_string(
        static_cast<long long>(base::Clock::current().now().timeIntervalSince1970() * 1000));
    const std::string extension = extensionFor(image->data());
    // Names sort in the order of saving: time, then a counter for saves within one
    // millisecond, whatever the extension.
    std::filesystem::path path;
    for (int attempt = 0;; ++attempt) {
        char counter[16];
        std::snprintf(counter, sizeof counter, "_%04d", attempt);
        const std::string stem = "IMG_" + stamp + counter;
        bool taken = false;
        for (const char* other : {".png", ".jpg", ".gif", ".webp", ".img"})
            taken = taken || base::fileExists(folder / (stem + other));
        if (!taken) {
            path = folder / (stem + extension);
            break;
        }
    }
    if (auto written = base::writeFileAtomically(path, image->data()); !written)
        return written.error();
    return std::nullopt;
}

} // namespace

std::filesystem::path PhotoAlbum::directory() {
    return base::AppHome::documentsDirectory() / "Photos";
}

void PhotoAlbum::saveImage(const std::shared_ptr<Image>& image, Completion completion) {
    auto error = write(image.get());
    if (completion)
        base::RunLoop::main().dispatch(
            [completion = std::move(completion), error] { completion(error); });
}

std::vector<std::filesystem::path> PhotoAlbum::savedFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory(), error))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace ui
