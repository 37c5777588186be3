#include "ads/foundation/VDWeakReference.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Participant {
    int id = 0;
};

TEST(VDWeakReferenceTest, NullObjectGivesNoReference) {
    EXPECT_FALSE(VDWeakReference::createWithObject(std::shared_ptr<Participant>()));
    EXPECT_FALSE(VDWeakReference::setContainsObject({}, std::shared_ptr<Participant>()));
}

TEST(VDWeakReferenceTest, ReferencesToTheSameLivingObjectAreEqual) {
    auto object = std::make_shared<Participant>();
    auto a = VDWeakReference::createWithObject(object);
    auto b = VDWeakReference::createWithObject(object);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(*a, *b);
    EXPECT_EQ(a->hash(), b->hash());
    EXPECT_EQ(a->uniqueID(), reinterpret_cast<std::uintptr_t>(object.get()));
    EXPECT_EQ(a->weakObject().get(), object.get());
    EXPECT_EQ(a->weakObjectAs<Participant>(), object);
    EXPECT_EQ(a->weakObjectAs<int>(), nullptr); // made for another type
    EXPECT_EQ(object.use_count(), 1);           // references do not own

    VDWeakReference::Set set{*a};
    EXPECT_TRUE(VDWeakReference::setContainsObject(set, object));
    EXPECT_FALSE(VDWeakReference::setContainsObject(set, std::make_shared<Participant>()));
    set.insert(*b);
    EXPECT_EQ(set.size(), 1u);
}

TEST(VDWeakReferenceTest, DeadReferencesEqualOnlyThemselvesAndTheirCopies) {
    auto object = std::make_shared<Participant>();
    auto reference = *VDWeakReference::createWithObject(object);
    auto copy = reference;
    auto other = std::make_shared<Participant>();
    auto otherReference = *VDWeakReference::createWithObject(other);
    object.reset();
    EXPECT_EQ(reference.weakObject(), nullptr);
    EXPECT_EQ(reference.weakObjectAs<Participant>(), nullptr);
    EXPECT_TRUE(reference.isEqual(reference));
    EXPECT_TRUE(reference == copy);
    EXPECT_FALSE(reference == otherReference);
    EXPECT_NE(reference.description().find("weakObject:(null)"), std::string::npos)
        << reference.description();
}

TEST(VDWeakReferenceTest, ASetDropsItsDeadEntries) {
    auto kept = std::make_shared<Participant>();
    auto gone = std::make_shared<Participant>();
    VDWeakReference::Set set{*VDWeakReference::createWithObject(kept),
                             *VDWeakReference::createWithObject(gone)};
    gone.reset();
    std::vector<VDWeakReference> dead;
    for (const auto& reference : set)
        if (!reference.weakObject())
            dead.push_back(reference);
    ASSERT_EQ(dead.size(), 1u);
    EXPECT_EQ(set.erase(dead.front()), 1u);
    EXPECT_EQ(set.size(), 1u);
    EXPECT_TRUE(VDWeakReference::setContainsObject(set, kept));
}

TEST(VDWeakReferenceTest, AReusedAddressIsAnotherObject) {
    // Two owners of the same address, one after the other, as when memory is reused.
    static Participant storage;
    auto noDelete = [](Participant*) {};
    std::shared_ptr<Participant> first(&storage, noDelete);
    auto oldReference = *VDWeakReference::createWithObject(first);
    VDWeakReference::Set set{oldReference};
    first.reset();

    std::shared_ptr<Participant> second(&storage, noDelete);
    auto newReference = *VDWeakReference::createWithObject(second);
    EXPECT_EQ(oldReference.uniqueID(), newReference.uniqueID());
    EXPECT_EQ(oldReference.hash(), newReference.hash());
    EXPECT_FALSE(oldReference == newReference);
    EXPECT_FALSE(VDWeakReference::setContainsObject(set, second));

    // Also while both owners live: identity is the ownership, not the address.
    std::shared_ptr<Participant> third(&storage, noDelete);
    EXPECT_FALSE(*VDWeakReference::createWithObject(third) == newReference);
}

} // namespace
