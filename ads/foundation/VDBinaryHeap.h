#pragma once

#include <algorithm>
#include <compare>
#include <cstddef>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

// A min-heap of values under a three-way comparator (negative, zero or positive, as the first
// element is below, equal to or above the second). The content fingerprint keeps its largest
// shingle hashes in one by dropping the minimum whenever it grows past its bound. Not
// thread-safe; its owner serialises the calls.
template <class T> class VDBinaryHeap {
public:
    using Comparator = std::function<int(const T&, const T&)>;

    // Ordered by the elements' own <=>.
    VDBinaryHeap()
        : VDBinaryHeap([](const T& a, const T& b) {
            const auto order = a <=> b;
            return order < 0 ? -1 : order > 0 ? 1 : 0;
        }) {}
    explicit VDBinaryHeap(Comparator comparator)
        : comparator_(std::move(comparator)) {}

    void addObject(T object) {
        elements_.push_back(std::move(object));
        std::push_heap(elements_.begin(), elements_.end(), above());
    }
    // Whether an element compares equal to the object.
    bool containsObject(const T& object) const {
        return std::any_of(elements_.begin(), elements_.end(),
                           [&](const T& element) { return comparator_(element, object) == 0; });
    }
    std::size_t count() const { return elements_.size(); }
    // nullptr when empty.
    const T* minimum() const { return elements_.empty() ? nullptr : &elements_.front(); }
    // Removes and returns the minimum; nullopt when empty.
    std::optional<T> removedMinimum() {
        if (elements_.empty())
            return std::nullopt;
        std::pop_heap(elements_.begin(), elements_.end(), above());
        T minimum = std::move(elements_.back());
        elements_.pop_back();
        return minimum;
    }
    // Every element, ascending.
    std::vector<T> sortedObjects() const {
        std::vector<T> sorted = elements_;
        std::sort(sorted.begin(), sorted.end(),
                  [this](const T& a, const T& b) { return comparator_(a, b) < 0; });
        return sorted;
    }

private:
    // The standard heap algorithms keep the greatest element in front; inverting the order
    // keeps the least there.
    auto above() const {
        return [this](const T& a, const T& b) { return comparator_(a, b) > 0; };
    }

    Comparator comparator_;
    std::vector<T> elements_;
};
