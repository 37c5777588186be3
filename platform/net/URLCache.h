#pragma once

#include "platform/base/ObserverList.h"
#include "platform/net/CachedURLResponse.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace net {

class URLRequest;

// The process's store of responses, keyed by request URL (without its fragment): a memory
// layer over a folder of files (by default Library/Caches/URLCache in the app home). Each layer
// drops its least recently used entries beyond its capacity; an entry larger than a twentieth
// of a layer's capacity is not kept in that layer. Whether a load may use a stored response is
// the connection's business (the request's cache policy); the cache only keeps and returns.
//
// Observers hear of every change, on the thread that made it. Every method is thread-safe.
class URLCache {
    struct Private {};

public:
    using ObserverToken = base::ObserverList::Token;
    static constexpr std::size_t defaultMemoryCapacity = 4 * 1024 * 1024;
    static constexpr std::size_t defaultDiskCapacity = 20 * 1024 * 1024;

    // A cache keeping its files in `directory` (created when needed), or in memory only for
    // an empty path.
    static std::shared_ptr<URLCache> create(std::filesystem::path directory,
                                            std::size_t memoryCapacity = defaultMemoryCapacity,
                                            std::size_t diskCapacity = defaultDiskCapacity);
    // The process's cache, made on first use in the app home. Hold the pointer rather than a
    // reference: tests swap the object.
    static std::shared_ptr<URLCache> shared();
    // Installs the process's cache and returns the one it replaces; nullptr makes shared()
    // build a fresh one from the app home on its next call.
    static std::shared_ptr<URLCache> install(std::shared_ptr<URLCache> cache);
    static std::filesystem::path defaultDirectory();

    URLCache(Private, std::filesystem::path directory, std::size_t memoryCapacity,
             std::size_t diskCapacity);
    URLCache(const URLCache&) = delete;
    URLCache& operator=(const URLCache&) = delete;

    const std::filesystem::path& directory() const { return directory_; }

    std::optional<CachedURLResponse> cachedResponse(const URLRequest& request);
    // Stores (or replaces) the entry for the request's URL; a request without URL stores
    // nothing.
    void storeCachedResponse(const CachedURLResponse& response, const URLRequest& request);
    void removeCachedResponse(const URLRequest& request);
    // Empties both layers, the files included.
    void removeAllCachedResponses();

    std::size_t memoryCapacity() const { return memoryCapacity_; }
    std::size_t diskCapacity() const { return diskCapacity_; }
    std::size_t currentMemoryUsage() const;
    std::size_t currentDiskUsage();
    // The largest body either layer keeps.
    std::size_t maximumEntrySize() const;

    ObserverToken addObserver(std::function<void()> observer);
    void removeObserver(ObserverToken token);

private:
    struct DiskEntry {
        std::size_t size;
        std::uint64_t lastUse;
    };

    static std::optional<std::string> keyFor(const URLRequest& request);
    std::string fileStem(const std::string& key) const;
    void loadDiskIndexLocked();
    std::optional<CachedURLResponse> readDiskLocked(const std::string& key);
    void writeDiskLocked(const std::string& key, const CachedURLResponse& response);
    void removeDiskLocked(const std::string& stem);
    void putInMemoryLocked(const std::string& key, const CachedURLResponse& response);
    void removeFromMemoryLocked(const std::string& key);
    void notifyObservers();

    std::filesystem::path directory_;
    std::size_t memoryCapacity_;
    std::size_t diskCapacity_;

    mutable std::mutex mutex_;
    std::uint64_t clock_ = 0; // use counter for least-recently-used order
    // Memory layer: key → entry and its place in the use order (front = most recent).
    std::list<std::string> memoryOrder_;
    struct MemoryEntry {
        CachedURLResponse response;
        std::list<std::string>::iterator place;
    };
    std::map<std::string, MemoryEntry> memory_;
    std::size_t memoryUsage_ = 0;
    // Disk layer index: file stem → size and last use; read from the folder on first use.
    bool diskIndexLoaded_ = false;
    std::map<std::string, DiskEntry> disk_;
    std::size_t diskUsage_ = 0;

    base::ObserverList observers_;
};

} // namespace net
