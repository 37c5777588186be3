#include "ads/foundation/VDBinaryHeap.h"
#include "ads/foundation/VDShingleHashTuple.h"

#include <gtest/gtest.h>
#include <random>

namespace {

TEST(VDBinaryHeapTest, KeepsItsMinimumInFrontAndSortsAscending) {
    VDBinaryHeap<int> heap;
    EXPECT_EQ(heap.minimum(), nullptr);
    EXPECT_EQ(heap.removedMinimum(), std::nullopt);
    EXPECT_TRUE(heap.sortedObjects().empty());

    std::mt19937 random(7);
    std::vector<int> added;
    for (int i = 0; i < 200; ++i) {
        added.push_back(int(random() % 1000));
        heap.addObject(added.back());
        ASSERT_EQ(*heap.minimum(), *std::min_element(added.begin(), added.end()));
    }
    std::sort(added.begin(), added.end());
    EXPECT_EQ(heap.sortedObjects(), added);
    EXPECT_TRUE(heap.containsObject(added[17]));
    EXPECT_FALSE(heap.containsObject(1000));
    for (int expected : added)
        EXPECT_EQ(heap.removedMinimum(), expected);
    EXPECT_EQ(heap.count(), 0u);
}

TEST(VDBinaryHeapTest, AComparatorDecidesOrderAndEquality) {
    VDBinaryHeap<VDShingleHashTuple> heap(VDShingleHashTuple::compareByHashValue);
    heap.addObject(VDShingleHashTuple({"b"}, 9));
    heap.addObject(VDShingleHashTuple({"a"}, 3));
    EXPECT_TRUE(heap.containsObject(VDShingleHashTuple({"other"}, 9)));
    EXPECT_FALSE(heap.containsObject(VDShingleHashTuple({"a"}, 4)));
    EXPECT_EQ(heap.minimum()->shingle(), std::vector<std::string>{"a"});
    auto sorted = heap.sortedObjects();
    ASSERT_EQ(sorted.size(), 2u);
    EXPECT_EQ(sorted[1].hashValue(), 9u);
}

} // namespace
