// The registries' address set against std::set, through growth, clustered addresses and
// removals that must shift the following entries back.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include "model/AddressSet.h"

namespace {

const void* address(std::uintptr_t n) {
    return reinterpret_cast<const void*>(n);
}

TEST(AddressSet, AgreesWithAnOrderedSetThroughRandomInsertsAndRemovals) {
    // Addresses packed closely (as a heap hands them out) and a few far apart, so that probe
    // runs form and wrap round the table's end.
    std::vector<const void*> pool;
    for (std::uintptr_t i = 1; i <= 3000; ++i) {
        pool.push_back(address(0x10000 + i * 16));
    }
    for (std::uintptr_t i = 1; i <= 200; ++i) {
        pool.push_back(address(i * 0x100000000ull + 8));
    }
    std::mt19937 random(7);
    model::AddressSet set;
    std::set<const void*> reference;
    for (int round = 0; round < 60000; ++round) {
        const void* a = pool[random() % pool.size()];
        if (random() % 3 == 0) {
            EXPECT_EQ(set.erase(a), reference.erase(a) == 1);
        } else {
            EXPECT_EQ(set.insert(a), reference.insert(a).second);
        }
        if (round % 997 == 0) {
            set.reserve(set.size() + random() % 5000);
        }
        ASSERT_EQ(set.size(), reference.size()) << round;
    }
    for (const void* a : pool) {
        ASSERT_EQ(set.contains(a), reference.count(a) == 1);
    }
    // Emptied one by one, every remaining entry stays reachable until its own removal.
    for (const void* a : std::vector<const void*>(reference.begin(), reference.end())) {
        ASSERT_TRUE(set.contains(a));
        ASSERT_TRUE(set.erase(a));
        ASSERT_FALSE(set.contains(a));
    }
    EXPECT_EQ(set.size(), 0u);
}

TEST(AddressSet, NullIsNeverAnEntry) {
    model::AddressSet set;
    EXPECT_FALSE(set.contains(nullptr));
    EXPECT_FALSE(set.erase(address(64)));
    EXPECT_FALSE(set.insert(nullptr));
    EXPECT_TRUE(set.insert(address(64)));
    EXPECT_FALSE(set.insert(address(64)));
    EXPECT_FALSE(set.contains(nullptr));
    EXPECT_FALSE(set.erase(nullptr));
    EXPECT_EQ(set.size(), 1u);
}

} // namespace
