#include "platform/base/AppHome.h"

#include "platform/base/Bundle.h"
#include "platform/base/NoDestructor.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace base {

namespace fs = std::filesystem;

namespace {

std::mutex& rootMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<fs::path>& installedRoot() {
    static NoDestructor<std::optional<fs::path>> root;
    return *root;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

fs::path userHomeDirectory() {
    if (auto home = environment("HOME"); !home.empty())
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir)
        return found->pw_dir;
    // No home at all (a bare service account): keep the data per user under the temp folder.
    return fs::temp_directory_path() / ("home-" + std::to_string(getuid()));
}

Error posixError(int code, const std::string& what, const fs::path& path) {
    return Error::make(POSIXErrorDomain, code,
                       what + " " + path.string() + ": " + std::strerror(code));
}

// The folder, created when missing. A failure is left for the caller's own file operation to
// report with its path: the folder is still the right place to name.
fs::path ensured(fs::path directory) {
    std::error_code ignored;
    fs::create_directories(directory, ignored);
    return directory;
}

std::string temporarySiblingName(const fs::path& path) {
    static std::atomic<std::uint64_t> counter{0};
    static const std::uint64_t salt = [] {
        std::random_device device;
        return (std::uint64_t(device()) << 32) ^ device();
    }();
    const std::uint64_t unique = salt ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ULL);
    return "." + path.filename().string() + ".tmp-" + std::to_string(getpid()) + "-" +
           std::to_string(unique);
}

Result<void> writeAll(int fd, const Data& data) {
    const std::uint8_t* bytes = data.bytes();
    std::size_t left = data.size();
    while (left > 0) {
        ssize_t written = ::write(fd, bytes, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return Error::make(POSIXErrorDomain, errno);
        }
        bytes += written;
        left -= std::size_t(written);
    }
    return {};
}

} // namespace

fs::path AppHome::defaultRoot() {
    if (auto home = environment("BROWSER_HOME"); !home.empty())
        return home;
    const std::string identifier = Bundle::main().bundleIdentifier();
    // Relative XDG paths are to be ignored: they would depend on the working folder.
    if (fs::path data = environment("XDG_DATA_HOME"); !data.empty() && data.is_absolute())
        return data / identifier;
    return userHomeDirectory() / ".local" / "share" / identifier;
}

std::optional<fs::path> AppHome::install(std::optional<fs::path> root) {
    std::lock_guard lock(rootMutex());
    std::swap(installedRoot(), root);
    return root;
}

fs::path AppHome::root() {
    std::optional<fs::path> root;
    {
        std::lock_guard lock(rootMutex());
        root = installedRoot();
    }
    return ensured(root ? *root : defaultRoot());
}

fs::path AppHome::libraryDirectory() {
    return ensured(root() / "Library");
}
fs::path AppHome::cachesDirectory() {
    return ensured(root() / "Library" / "Caches");
}
fs::path AppHome::preferencesDirectory() {
    return ensured(root() / "Library" / "Preferences");
}
fs::path AppHome::documentsDirectory() {
    return ensured(root() / "Documents");
}
fs::path AppHome::temporaryDirectory() {
    return ensured(root() / "tmp");
}

Result<void> writeFileAtomically(const fs::path& path, const Data& data) {
    if (path.filename().empty())
        return posixError(EISDIR, "Cannot write", path);
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");

    fs::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = folder / temporarySiblingName(path);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST && errno != EINTR)
            break;
    }
    if (fd < 0)
        return posixError(errno, "Cannot write", path);

    auto fail = [&](int code) -> Result<void> {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporary.c_str());
        return posixError(code, "Cannot write", path);
    };

    // Replacing a file keeps who may read it.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        (void)::fchmod(fd, existing.st_mode & 07777);

    if (auto written = writeAll(fd, data); !written)
        return fail(int(written.error().code));
    if (::fsync(fd) != 0)
        return fail(errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return fail(errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        return fail(errno);

    // The rename itself reaches the disk with the folder's own entry.
    int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        (void)::fsync(folderFd);
        ::close(folderFd);
    }
    return {};
}

Result<Data> readFile(const fs::path& path, std::optional<std::size_t> maximumSize) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return posixError(errno, "Cannot read", path);
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    if (known && S_ISDIR(info.st_mode)) {
        ::close(fd);
        return posixError(EISDIR, "Cannot read", path);
    }
    const std::size_t limit = maximumSize.value_or(SIZE_MAX);
    if (known && S_ISREG(info.st_mode) && std::uintmax_t(info.st_size) > limit) {
        ::close(fd);
        return posixError(EFBIG, "Cannot read", path);
    }
    std::vector<std::uint8_t> bytes;
    if (known && info.st_size > 0)
        bytes.reserve(std::size_t(info.st_size));
    std::uint8_t buffer[65536];
    while (true) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int code = errno;
            ::close(fd);
            return posixError(code, "Cannot read", path);
        }
        if (got == 0)
            break;
        // A file that grows while it is read, or one whose size is not known (a pipe, a
        // device), is held to the same limit.
        if (std::size_t(got) > limit - bytes.size()) {
            ::close(fd);
            return posixError(EFBIG, "Cannot read", path);
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    ::close(fd);
    return Data(std::move(bytes));
}

std::optional<Date> modificationDate(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return Date(double(info.st_mtim.tv_sec) + double(info.st_mtim.tv_nsec) / 1e9);
}

Result<void> setModificationDate(const fs::path& path, Date date) {
    const double seconds = date.timeIntervalSince1970();
    if (!std::isfinite(seconds))
        return posixError(EINVAL, "Cannot date", path);
    const double whole = std::floor(seconds);
    timespec time{};
    time.tv_sec = static_cast<time_t>(whole);
    time.tv_nsec = static_cast<long>(std::min((seconds - whole) * 1e9, 999'999'999.0));
    const timespec times[2] = {time, time};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        return posixError(errno, "Cannot date", path);
    return {};
}

Result<void> removeItem(const fs::path& path) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error)))
        return posixError(ENOENT, "Cannot remove", path);
    fs::remove_all(path, error);
    if (error)
        return posixError(error.value(), "Cannot remove", path);
    return {};
}

Result<fs::path> moveAside(const fs::path& path) {
    fs::path aside = path;
    aside += ".corrupt";
    for (int n = 1; fileExists(aside) || fs::is_symlink(aside); ++n) {
        aside = path;
        aside += ".corrupt." + std::to_string(n);
    }
    std::error_code error;
    fs::rename(path, aside, error);
    if (error)
        return posixError(error.value(), "Cannot move aside", path);
    return aside;
}

bool fileExists(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

Result<void> createDirectories(const fs::path& path) {
    std::error_code error;
    fs::create_directories(path, error);
    if (error)
        return posixError(error.value(), "Cannot create folder", path);
    if (!fs::is_directory(path, error))
        return posixError(ENOTDIR, "Cannot create folder", path);
    return {};
}

} // namespace base
