#pragma once

// What the fuzz programs share: the input as text, cut into lines, a scratch file to hand it to
// readers of files, user defaults in a scratch file, and the check that stops a run when a reader
// breaks its promise.

#include "platform/base/UserDefaults.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>

// Stops the run with the failed condition; libFuzzer keeps the input that led here.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzz {

inline std::string_view text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The text up to the first line feed, and what follows it; the whole text and nothing when there
// is no line feed.
inline std::pair<std::string_view, std::string_view> firstLine(std::string_view text) {
    auto end = text.find('\n');
    if (end == std::string_view::npos)
        return {text, {}};
    return {text.substr(0, end), text.substr(end + 1)};
}

// A file in a folder of its own, made once per process and removed at its end, that each input
// is written to in turn.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& name) {
        std::string folder = (std::filesystem::temp_directory_path() / "fuzz-XXXXXX").string();
        if (!mkdtemp(folder.data()))
            std::abort();
        folder_ = folder;
        path_ = folder_ / name;
    }
    ~ScratchFile() {
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    const std::filesystem::path& path() const { return path_; }

    // Replaces the file's content (and clears whatever else a reader left in the folder).
    const std::filesystem::path& write(std::string_view bytes) {
        std::error_code error;
        for (auto& entry : std::filesystem::directory_iterator(folder_, error))
            std::filesystem::remove_all(entry.path(), error);
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        return path_;
    }

private:
    std::filesystem::path folder_;
    std::filesystem::path path_;
};

// For code that stores user defaults: they go into a scratch file of their own, installed once
// per process, never into a real home.
inline void useScratchDefaults() {
    static ScratchFile preferences("preferences.plist");
    static const bool installed = [] {
        base::UserDefaults::install(base::UserDefaults::create(preferences.path(), {}));
        return true;
    }();
    (void)installed;
}

} // namespace fuzz
