#include <gtest/gtest.h>

#include <cstdint>

#include "model/LookupMemo.h"

using model::LookupMemo;

namespace {

// One hashed place of two ways: every key collides with every other.
using TinyMemo = LookupMemo<int, 2>;

bool has(TinyMemo& memo, std::uintptr_t key, std::uint64_t revision, int expected) {
    int value = -1;
    return memo.find(key, revision, value) && value == expected;
}

} // namespace

TEST(LookupMemoTest, RemembersTwoCollidingKeysAndDropsTheLeastRecentForAThird) {
    TinyMemo memo;
    int found = 0;
    EXPECT_FALSE(memo.find(8, 1, found)); // nothing asked yet
    memo.store(8, 1, 80);
    memo.store(16, 1, 160);
    EXPECT_TRUE(has(memo, 8, 1, 80));
    EXPECT_TRUE(has(memo, 16, 1, 160));
    EXPECT_TRUE(has(memo, 8, 1, 80)); // 8 is now the more recent
    memo.store(24, 1, 240);           // pushes out 16, the less recently used
    EXPECT_TRUE(has(memo, 24, 1, 240));
    EXPECT_TRUE(has(memo, 8, 1, 80));
    EXPECT_FALSE(memo.find(16, 1, found));
}

TEST(LookupMemoTest, AnAnswerHoldsOnlyAtItsRevision) {
    TinyMemo memo;
    memo.store(8, 1, 80);
    memo.store(16, 1, 160);
    int found = 0;
    EXPECT_FALSE(memo.find(8, 2, found));
    EXPECT_FALSE(memo.find(16, 2, found));
    // Storing a key again at a new revision replaces its answer and keeps the other way.
    memo.store(16, 2, 161);
    EXPECT_TRUE(has(memo, 16, 2, 161));
    EXPECT_TRUE(has(memo, 8, 1, 80));
    memo.store(16, 2, 162); // the same key and revision again: still two ways in use
    EXPECT_TRUE(has(memo, 8, 1, 80));
    EXPECT_TRUE(has(memo, 16, 2, 162));
}

TEST(LookupMemoTest, GetAsksOnlyOnAMiss) {
    LookupMemo<int> memo;
    int asked = 0;
    auto lookUp = [&] {
        ++asked;
        return 7;
    };
    for (std::uintptr_t key = 64; key < 64 * 5000; key += 64) {
        EXPECT_EQ(memo.get(key, 3, lookUp), 7);
    }
    const int first = asked;
    EXPECT_EQ(first, 4999);
    for (std::uintptr_t key = 64; key < 64 * 5000; key += 64) {
        EXPECT_EQ(memo.get(key, 3, lookUp), 7);
    }
    EXPECT_EQ(asked, first); // 4 999 addresses fit: none asked twice
}
