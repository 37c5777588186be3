#pragma once

#include "platform/base/Data.h"
#include "platform/base/Date.h"
#include "platform/base/Result.h"

#include <filesystem>
#include <optional>

namespace base {

// The application's home folder and the standard folders inside it:
//   <root>/Library, <root>/Library/Caches, <root>/Library/Preferences, <root>/Documents, <root>/tmp
// The root is $BROWSER_HOME when set, else $XDG_DATA_HOME/<bundle id>, else
// ~/.local/share/<bundle id>. Each accessor creates its folder when it is missing, so callers
// can write into it at once. Tests install a root of their own (see ScopedRoot).
class AppHome {
public:
    AppHome() = delete;

    static std::filesystem::path root();
    static std::filesystem::path libraryDirectory();
    static std::filesystem::path cachesDirectory();
    static std::filesystem::path preferencesDirectory();
    static std::filesystem::path documentsDirectory();
    static std::filesystem::path temporaryDirectory();

    // The root the environment names, whatever is installed.
    static std::filesystem::path defaultRoot();

    // Installs a root for the whole process and returns the one it replaces; nullopt goes
    // back to the environment's root. Thread-safe.
    static std::optional<std::filesystem::path> install(std::optional<std::filesystem::path> root);

    // Installs a root for its own lifetime, then puts back the previous one.
    class ScopedRoot {
    public:
        explicit ScopedRoot(std::filesystem::path root)
            : previous_(install(std::move(root))) {}
        ~ScopedRoot() { install(std::move(previous_)); }
        ScopedRoot(const ScopedRoot&) = delete;
        ScopedRoot& operator=(const ScopedRoot&) = delete;

    private:
        std::optional<std::filesystem::path> previous_;
    };
};

// File helpers. Failures come back as errors of POSIXErrorDomain with the errno as code and a
// description naming the path; nothing here throws.

// Writes to a new file beside `path`, flushes it to disk and renames it over `path`, so readers
// see either the old content or the new, never a mix. The folder must exist. An existing
// file's permissions are kept.
Result<void> writeFileAtomically(const std::filesystem::path& path, const Data& data);
// With a maximum size, a file holding more bytes than that is refused with EFBIG, before its
// content is read when its size is known.
Result<Data> readFile(const std::filesystem::path& path,
                      std::optional<std::size_t> maximumSize = std::nullopt);
std::optional<Date> modificationDate(const std::filesystem::path& path);
// Sets the file's modification time (and its access time) to the date.
Result<void> setModificationDate(const std::filesystem::path& path, Date date);
// Removes a file, or a folder with everything in it. Removing what does not exist fails
// (ENOENT).
Result<void> removeItem(const std::filesystem::path& path);
bool fileExists(const std::filesystem::path& path);
// Renames an unreadable file to "<name>.corrupt", or "<name>.corrupt.<n>" when an older copy is
// there, so that no copy is overwritten; answers the name it now has.
Result<std::filesystem::path> moveAside(const std::filesystem::path& path);
// Creates the folder and any missing parents; succeeds when it already exists.
Result<void> createDirectories(const std::filesystem::path& path);

} // namespace base
