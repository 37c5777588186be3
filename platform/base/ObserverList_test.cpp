#include "platform/base/ObserverList.h"

#include <gtest/gtest.h>

namespace {

TEST(ObserverListTest, ObserverRemovingItselfWhileToldIsNotToldAgain) {
    base::ObserverList observers;
    int calls = 0;
    base::ObserverList::Token token = 0;
    token = observers.add([&] {
        ++calls;
        observers.remove(token); // must not deadlock
    });
    int others = 0;
    observers.add([&] { ++others; });
    observers.notify();
    observers.notify();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(others, 2);
}

TEST(ObserverListTest, ObserverAddedWhileToldHearsOnlyLaterChanges) {
    base::ObserverList observers;
    int late = 0;
    observers.add([&] { observers.add([&] { ++late; }); });
    observers.notify();
    EXPECT_EQ(late, 0);
    observers.notify();
    EXPECT_EQ(late, 1);
}

} // namespace
