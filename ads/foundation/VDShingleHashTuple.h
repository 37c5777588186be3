#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// One shingle (a run of consecutive tokens) of a content walk with its rolling hash: the
// element of the walk's bounded heap. Immutable.
class VDShingleHashTuple {
public:
    VDShingleHashTuple(std::vector<std::string> shingle, std::uint64_t hashValue)
        : shingle_(std::move(shingle))
        , hashValue_(hashValue) {}

    const std::vector<std::string>& shingle() const { return shingle_; }
    std::uint64_t hashValue() const { return hashValue_; }

    // Ordered, and equal, by hash value alone: the heap keeps one shingle per hash.
    static int compareByHashValue(const VDShingleHashTuple& a, const VDShingleHashTuple& b) {
        return a.hashValue_ < b.hashValue_ ? -1 : a.hashValue_ > b.hashValue_ ? 1 : 0;
    }

private:
    std::vector<std::string> shingle_;
    std::uint64_t hashValue_;
};
