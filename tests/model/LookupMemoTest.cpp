// The registry memo must never give an answer other than the registry's: a remembered answer
// counts only at the revision it was remembered at, whatever else has been stored since.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include "model/LookupMemo.h"

namespace {

using Memo = model::LookupMemo<const int*, 64>; // 16 sets of four

// A registry of addresses with a revision, and the memo's answer for an address.
struct Registry {
    std::set<const int*> live;
    std::uint64_t revision = 1;
    Memo memo;
    int asked = 0;

    const int* check(const int* address) {
        return memo.get(reinterpret_cast<std::uintptr_t>(address), revision, [&] {
            ++asked;
            return live.contains(address) ? address : nullptr;
        });
    }
};

TEST(LookupMemoTest, AnswersAreRememberedPerRevisionOnly) {
    static const int cells[3] = {};
    struct Case {
        const char* name;
        bool registered;
        bool bumpBetween;
        int lookUps; // how many times the registry is asked for two checks
    };
    const std::vector<Case> cases = {
        {"a registered address twice", true, false, 1},
        {"an unknown address twice", false, false, 1},
        {"a registered address across a revision", true, true, 2},
        {"an unknown address across a revision", false, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Registry registry;
        const int* address = &cells[1];
        if (c.registered) {
            registry.live.insert(address);
        }
        const int* expected = c.registered ? address : nullptr;
        EXPECT_EQ(registry.check(address), expected);
        if (c.bumpBetween) {
            ++registry.revision;
        }
        EXPECT_EQ(registry.check(address), expected);
        EXPECT_EQ(registry.asked, c.lookUps);
    }
}

// Many more addresses than slots, registered and removed at random: every answer is the
// registry's, and addresses asked for again soon after are mostly answered from memory.
TEST(LookupMemoTest, CrowdedMemoNeverGivesAStaleAnswer) {
    std::vector<int> cells(1000);
    Registry registry;
    std::mt19937 random(7);
    int checks = 0;
    for (int round = 0; round < 20000; ++round) {
        const int* address = &cells[random() % cells.size()];
        if (random() % 10 == 0) {
            if (!registry.live.erase(address)) {
                registry.live.insert(address);
            }
            ++registry.revision;
        }
        const int* expected = registry.live.contains(address) ? address : nullptr;
        ASSERT_EQ(registry.check(address), expected) << "round " << round;
        ASSERT_EQ(registry.check(address), expected) << "round " << round;
        checks += 2;
    }
    // The second check of each pair comes from memory.
    EXPECT_LE(registry.asked, checks / 2);
    // A few addresses, fewer than the ways of a set, stay remembered side by side.
    Registry few;
    const std::vector<const int*> four = {&cells[0], &cells[64], &cells[128], &cells[192]};
    for (const int* address : four) {
        few.live.insert(address);
    }
    for (int pass = 0; pass < 3; ++pass) {
        for (const int* address : four) {
            EXPECT_EQ(few.check(address), address);
        }
    }
    EXPECT_EQ(few.asked, 4); // once each, whatever sets they share
}

} // namespace
