// The URL cache's files as found on disk: the input is an entry's metadata file. Reading it never
// crashes; an entry it gives has a response whose freshness and storability can be asked.
#include "fuzz/FuzzInput.h"
#include "platform/base/Data.h"
#include "platform/net/CachedURLResponse.h"
#include "platform/net/URLCache.h"
#include "platform/net/URLRequest.h"

#include <filesystem>

namespace {

const net::URLRequest& request() {
    static const net::URLRequest request(base::URL::parse("https://example.com/page").value());
    return request;
}

// The name the cache gives the entry's metadata file, found by storing one entry.
std::filesystem::path metadataName(const std::filesystem::path& folder) {
    auto cache = net::URLCache::create(folder);
    cache->storeCachedResponse(
        net::CachedURLResponse(net::HTTPURLResponse(request().url(), 200, {}), {}, base::Date(0)),
        request());
    for (auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".json")
            return entry.path().filename();
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile body("entry.body");
    static const std::filesystem::path name = metadataName(body.folder());
    body.write({});
    std::filesystem::rename(body.path(), body.folder() / name.stem().concat(".body"));
    {
        std::ofstream out(body.folder() / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    auto cache = net::URLCache::create(body.folder());
    auto entry = cache->cachedResponse(request());
    if (!entry)
        return 0;
    (void)entry->isFresh(base::Date(1'700'000'000));
    (void)net::CachedURLResponse::isStorable(request(), entry->response());
    (void)entry->response().suggestedFilename();
    return 0;
}
