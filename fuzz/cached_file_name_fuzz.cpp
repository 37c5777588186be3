// Where a download of a hostile URL would be kept: the input is the URL. Its file is always
// <caches>/<one folder>/<32 hex digits>, never outside the caches folder, whatever the host.
#include "ads/foundation/VDCachedFile.h"
#include "fuzz/FuzzInput.h"
#include "platform/base/AppHome.h"

#include <cctype>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile scratch("home");
    static base::AppHome::ScopedRoot home(scratch.folder());
    auto url = base::URL::parse(fuzz::text(data, size));
    if (!url)
        return 0;
    const std::filesystem::path caches = base::AppHome::cachesDirectory();
    const std::filesystem::path path = VDCachedFile::createWithURL(*url)->filePath();
    FUZZ_CHECK(path.lexically_normal() == path);
    FUZZ_CHECK(path.parent_path().parent_path() == caches);
    const std::string folder = path.parent_path().filename().string();
    FUZZ_CHECK(!folder.empty() && folder != "." && folder != ".." && folder.front() != '.');
    FUZZ_CHECK(folder.find('/') == std::string::npos);
    const std::string name = path.filename().string();
    FUZZ_CHECK(name.size() == 32);
    for (char c : name)
        FUZZ_CHECK(std::isxdigit(static_cast<unsigned char>(c)));
    return 0;
}
