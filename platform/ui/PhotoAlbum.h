#pragma once

#include "platform/base/Error.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ui {

class Image;

// The saved-photos album: a folder of the app home, <app home>/Documents/Photos.
class PhotoAlbum {
public:
    using Completion = std::function<void(const std::optional<base::Error>& error)>;

    PhotoAlbum() = delete;

    static std::filesystem::path directory();
    // Writes the image's encoded bytes as a new file (".png", ".jpg", ".gif" or ".webp" after
    // what the bytes are; ".img" otherwise). An image without bytes fails. The completion,
    // when given, runs on the next turn of the main run loop.
    static void saveImage(const std::shared_ptr<Image>& image, Completion completion = {});
    // The files in the album, oldest name first.
    static std::vector<std::filesystem::path> savedFiles();
};

} // namespace ui
