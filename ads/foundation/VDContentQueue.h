#pragma once

#include "ads/foundation/VDContent.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>

// The fingerprinted walks of the last few traversals, by sequence number, oldest pushed out
// first once the queue is full. Requests take the best-scoring walk.
//
// Not thread-safe: the content-hashing queue makes every call.
class VDContentQueue {
public:
    explicit VDContentQueue(std::uint64_t size)
        : size_(size) {}

    // Keeps the content under its sequence number, dropping the oldest when the queue already
    // holds `size` contents. Nothing for null or a queue of size 0.
    void enqueueContent(const std::shared_ptr<VDContent>& content);
    // Drops every other content with the same fingerprint as this one, keeping of each such
    // pair the one with the higher sequence number. Run before enqueueing a new walk, it
    // leaves only the newest walk of a fingerprint.
    void deduplicate(const std::shared_ptr<VDContent>& content);
    // The content with the greatest score above 0 (the newer on equal scores); null when
    // none scores above 0.
    std::shared_ptr<VDContent> contentWithHighestScore() const;
    std::shared_ptr<VDContent> contentWithSequenceNumber(std::uint64_t sequenceNumber) const;

    std::uint64_t size() const { return size_; }
    std::size_t count() const { return contents_.size(); }
    // Oldest first.
    const std::deque<std::uint64_t>& sequenceNumbers() const { return sequenceNumbers_; }

private:
    void remove(std::uint64_t sequenceNumber);

    std::map<std::uint64_t, std::shared_ptr<VDContent>> contents_;
    std::deque<std::uint64_t> sequenceNumbers_;
    std::uint64_t size_;
};
