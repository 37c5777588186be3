#include "platform/net/URLCache.h"

#include "platform/base/AppHome.h"
#include "platform/base/JSON.h"
#include "platform/base/ProcessWide.h"
#include "platform/net/URLRequest.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <system_error>
#include <vector>

namespace net {

namespace {

base::ProcessWide<URLCache>& processCache() {
    static base::ProcessWide<URLCache> cache(
        [] { return URLCache::create(URLCache::defaultDirectory()); });
    return cache;
}

constexpr std::string_view metadataExtension = ".json";
constexpr std::string_view bodyExtension = ".body";

std::size_t entrySize(const CachedURLResponse& response) {
    std::size_t size = response.data().size() + 256;
    for (auto& [name, value] : response.response().allHeaderFields().all())
        size += name.size() + value.size() + 4;
    return size;
}

base::Value metadata(const std::string& key, const CachedURLResponse& entry) {
    const auto& response = entry.response();
    base::Value::Array headers;
    for (auto& [name, value] : response.allHeaderFields().all())
        headers.push_back(base::Value::Array{name, value});
    base::Value::Dictionary dictionary{
        {"key", key},
        {"url", response.url() ? response.url()->absoluteString() : std::string()},
        {"isHTTP", response.isHTTP()},
        {"status", response.statusCode()},
        {"headers", std::move(headers)},
        {"mime", response.MIMEType()},
        {"encoding", response.textEncodingName()},
        {"length", response.expectedContentLength()},
        {"stored", entry.storedDate().timeIntervalSince1970()},
        {"bodySize", static_cast<std::uint64_t>(entry.data().size())},
    };
    return dictionary;
}

std::optional<CachedURLResponse> fromMetadata(const base::Value& meta, base::Data body) {
    if (!meta.isDictionary() || !meta["headers"].isArray() || !meta["stored"].isNumber())
        return std::nullopt;
    if (meta["bodySize"].unsignedValue() != body.size())
        return std::nullopt; // a body cut short by a crash is no entry
    auto url = meta["url"].string() ? base::URL::parse(*meta["url"].string()) : std::nullopt;
    double stored = meta["stored"].doubleValue();
    if (!std::isfinite(stored))
        return std::nullopt;
    if (!meta["isHTTP"].boolValue()) {
        auto response = HTTPURLResponse::plain(
            url, meta["mime"].string() ? *meta["mime"].string() : std::string(),
            meta["length"].integerValue(),
            meta["encoding"].string() ? *meta["encoding"].string() : std::string());
        return CachedURLResponse(std::move(response), std::move(body), base::Date(stored));
    }
    HTTPHeaderFields headers;
    for (auto& pair : *meta["headers"].array()) {
        auto* name = pair[std::size_t(0)].string();
        auto* value = pair[std::size_t(1)].string();
        if (!name || !value || !headers.append(*name, *value))
            return std::nullopt;
    }
    HTTPURLResponse response(url, int(meta["status"].integerValue()), std::move(headers));
    return CachedURLResponse(std::move(response), std::move(body), base::Date(stored));
}

// Writes through a temporary sibling and a rename, without waiting for the disk: a cache may
// lose its latest entries in a crash, but never holds a torn file.
bool writeFile(const std::filesystem::path& path, const base::Data& data) {
    auto temporary = path;
    temporary += ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(reinterpret_cast<const char*>(data.bytes()), std::streamsize(data.size()));
        if (!out.good())
            return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

} // namespace

std::shared_ptr<URLCache> URLCache::create(std::filesystem::path directory,
                                           std::size_t memoryCapacity, std::size_t diskCapacity) {
    return std::make_shared<URLCache>(Private{}, std::move(directory), memoryCapacity,
                                      diskCapacity);
}

std::shared_ptr<URLCache> URLCache::shared() {
    return processCache().get();
}

std::shared_ptr<URLCache> URLCache::install(std::shared_ptr<URLCache> cache) {
    return processCache().install(std::move(cache));
}

std::filesystem::path URLCache::defaultDirectory() {
    return base::AppHome::cachesDirectory() / "URLCache";
}

URLCache::URLCache(Private, std::filesystem::path directory, std::size_t memoryCapacity,
                   std::size_t diskCapacity)
    : directory_(std::move(directory))
    , memoryCapacity_(memoryCapacity)
    , diskCapacity_(directory_.empty() ? 0 : diskCapacity) {}

std::optional<std::string> URLCache::keyFor(const URLRequest& request) {
    if (!request.url())
        return std::nullopt;
    std::string key = request.url()->absoluteString();
    if (auto hash = key.find('#'); hash != std::string::npos)
        key.erase(hash);
    return key;
}

std::string URLCache::fileStem(const std::string& key) const {
    // FNV-1a: stable across runs and builds, which std::hash does not promise. A collision
    // only costs an entry: reads check the key stored beside the body.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : key) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::size_t URLCache::maximumEntrySize() const {
    return std::max(memoryCapacity_, diskCapacity_) / 20;
}

void URLCache::loadDiskIndexLocked() {
    if (diskIndexLoaded_ || directory_.empty())
        return;
    diskIndexLoaded_ = true;
    std::error_code error;
    if (!std::filesystem::is_directory(directory_, error))
        return;
    struct Found {
        std::string stem;
        std::size_t size;
        std::filesystem::file_time_type time;
    };
    std::vector<Found> found;
    for (auto& item : std::filesystem::directory_iterator(directory_, error)) {
        auto path = item.path();
        if (path.extension() != metadataExtension)
            continue;
        auto stem = path.stem().string();
        auto body = directory_ / (stem + std::string(bodyExtension));
        auto metaSize = std::filesystem::file_size(path, error);
        if (error)
            continue;
        auto bodySize = std::filesystem::file_size(body, error);
        if (error) {
            // Half an entry (the body never landed): remove what is there.
            std::filesystem::remove(path, error);
            continue;
        }
        found.push_back({stem, std::size_t(metaSize + bodySize),
                         std::filesystem::last_write_time(path, error)});
    }
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.time < b.time; });
    for (auto& entry : found) {
        disk_[entry.stem] = {entry.size, ++clock_};
        diskUsage_ += entry.size;
    }
}

std::optional<CachedURLResponse> URLCache::readDiskLocked(const std::string& key) {
    loadDiskIndexLocked();
    auto stem = fileStem(key);
    auto indexed = disk_.find(stem);
    if (indexed == disk_.end())
        return std::nullopt;
    auto metaData = base::readFile(directory_ / (stem + std::string(metadataExtension)));
    auto body = base::readFile(directory_ / (stem + std::string(bodyExtension)));
    if (!metaData || !body) {
        removeDiskLocked(stem);
        return std::nullopt;
    }
    auto meta = base::parseJSON(*metaData);
    if (!meta || !(*meta)["key"].string() || *(*meta)["key"].string() != key) {
        if (!meta)
            removeDiskLocked(stem);
        return std::nullopt; // another URL with the same hash
    }
    auto entry = fromMetadata(*meta, std::move(*body));
    if (!entry) {
        removeDiskLocked(stem);
        return std::nullopt;
    }
    indexed->second.lastUse = ++clock_;
    return entry;
}

void URLCache::writeDiskLocked(const std::string& key, const CachedURLResponse& response) {
    if (directory_.empty())
        return;
    loadDiskIndexLocked();
    auto stem = fileStem(key);
    removeDiskLocked(stem);
    auto text = base::toJSON(metadata(key, response));
    if (!text)
        return;
    std::size_t size = text->size() + response.data().size();
    if (response.data().size() > diskCapacity_ / 20 || size > diskCapacity_)
        return;
    if (!base::createDirectories(directory_))
        return;
    // The body first: metadata without its body is never left behind by a crash.
    auto bodyPath = directory_ / (stem + std::string(bodyExtension));
    auto metaPath = directory_ / (stem + std::string(metadataExtension));
    if (!writeFile(bodyPath, response.data()))
        return;
    if (!writeFile(metaPath, base::Data::fromString(*text))) {
        std::error_code error;
        std::filesystem::remove(bodyPath, error);
        return;
    }
    disk_[stem] = {size, ++clock_};
    diskUsage_ += size;
    while (diskUsage_ > diskCapacity_ && !disk_.empty()) {
        auto oldest = std::min_element(disk_.begin(), disk_.end(), [](auto& a, auto& b) {
            return a.second.lastUse < b.second.lastUse;
        });
        removeDiskLocked(oldest->first);
    }
}

void URLCache::removeDiskLocked(const std::string& stem) {
    std::error_code error;
    std::filesystem::remove(directory_ / (stem + std::string(metadataExtension)), error);
    std::filesystem::remove(directory_ / (stem + std::string(bodyExtension)), error);
    auto indexed = disk_.find(stem);
    if (indexed != disk_.end()) {
        diskUsage_ -= indexed->second.size;
        disk_.erase(indexed);
    }
}

void URLCache::putInMemoryLocked(const std::string& key, const CachedURLResponse& response) {
    removeFromMemoryLocked(key);
    std::size_t size = entrySize(response);
    if (response.data().size() > memoryCapacity_ / 20 || size > memoryCapacity_)
        return;
    memoryOrder_.push_front(key);
    memory_.emplace(key, MemoryEntry{response, memoryOrder_.begin()});
    memoryUsage_ += size;
    while (memoryUsage_ > memoryCapacity_ && !memoryOrder_.empty())
        removeFromMemoryLocked(memoryOrder_.back());
}

void URLCache::removeFromMemoryLocked(const std::string& key) {
    auto found = memory_.find(key);
    if (found == memory_.end())
        return;
    memoryUsage_ -= entrySize(found->second.response);
    memoryOrder_.erase(found->second.place);
    memory_.erase(found);
}

std::optional<CachedURLResponse> URLCache::cachedResponse(const URLRequest& request) {
    auto key = keyFor(request);
    if (!key)
        return std::nullopt;
    std::lock_guard lock(mutex_);
    auto found = memory_.find(*key);
    if (found != memory_.end()) {
        memoryOrder_.splice(memoryOrder_.begin(), memoryOrder_, found->second.place);
        return found->second.response;
    }
    auto entry = readDiskLocked(*key);
    if (entry)
        putInMemoryLocked(*key, *entry);
    return entry;
}

void URLCache::storeCachedResponse(const CachedURLResponse& response, const URLRequest& request) {
    auto key = keyFor(request);
    if (!key)
        return;
    {
        std::lock_guard lock(mutex_);
        putInMemoryLocked(*key, response);
        writeDiskLocked(*key, response);
    }
    notifyObservers();
}

void URLCache::removeCachedResponse(const URLRequest& request) {
    auto key = keyFor(request);
    if (!key)
        return;
    {
        std::lock_guard lock(mutex_);
        removeFromMemoryLocked(*key);
        if (!directory_.empty()) {
            loadDiskIndexLocked();
            removeDiskLocked(fileStem(*key));
        }
    }
    notifyObservers();
}

void URLCache::removeAllCachedResponses() {
    {
        std::lock_guard lock(mutex_);
        memory_.clear();
        memoryOrder_.clear();
        memoryUsage_ = 0;
        disk_.clear();
        diskUsage_ = 0;
        diskIndexLoaded_ = true;
        if (!directory_.empty()) {
            // The folder is the cache's own: every file in it goes, also entries this object
            // never indexed and leftovers of interrupted writes.
            std::error_code error;
            for (auto& item : std::filesystem::directory_iterator(directory_, error))
                if (item.is_regular_file(error))
                    std::filesystem::remove(item.path(), error);
        }
    }
    notifyObservers();
}

std::size_t URLCache::currentMemoryUsage() const {
    std::lock_guard lock(mutex_);
    return memoryUsage_;
}

std::size_t URLCache::currentDiskUsage() {
    std::lock_guard lock(mutex_);
    loadDiskIndexLocked();
    return diskUsage_;
}

URLCache::ObserverToken URLCache::addObserver(std::function<void()> observer) {
    return observers_.add(std::move(observer));
}

void URLCache::removeObserver(ObserverToken token) {
    observers_.remove(token);
}

void URLCache::notifyObservers() {
    observers_.notify();
}

} // namespace net
