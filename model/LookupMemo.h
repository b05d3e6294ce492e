#pragma once
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

namespace model {

// Remembers a registry's recent answers on the calling thread. The registry bumps `revision`
// whenever it gains or loses an entry (before the entry's memory can be reused); an answer
// remembered at the current revision is still the registry's answer, so repeated checks of
// the same address cost no lock. Two answers share each hashed place, and 65 536 answers
// (2 MiB) hold the lines and tiles that one controller step over thousands of vehicles asks
// about, so that such a step no longer falls back on the lock for addresses that collide.
// Each registry keeps one memo per thread:
//   thread_local LookupMemo<T> memo;
template <typename Value, std::size_t Slots = 65536> class LookupMemo {
    static_assert((Slots & (Slots - 1)) == 0 && Slots >= 2, "a power of two");

public:
    // The remembered answer for `key` at `revision`; false when there is none.
    bool find(std::uintptr_t key, std::uint64_t revision, Value& value) {
        // The same address is usually asked for several times in a row: the last answer is
        // checked first, without touching the table.
        if (last_.revision == revision && last_.key == key) {
            value = last_.value;
            return true;
        }
        if (!sets_) {
            return false;
        }
        Set& set = (*sets_)[index(key)];
        if (set.ways[0].revision == revision && set.ways[0].key == key) {
            last_ = set.ways[0];
        } else if (set.ways[1].revision == revision && set.ways[1].key == key) {
            // The more recent answer goes first, so that a third key evicts the older one.
            std::swap(set.ways[0], set.ways[1]);
            last_ = set.ways[0];
        } else {
            return false;
        }
        value = last_.value;
        return true;
    }
    // The remembered answer for `key` at `revision`, or else `lookUp()`'s answer, remembered.
    template <typename LookUp>
    Value get(std::uintptr_t key, std::uint64_t revision, LookUp&& lookUp) {
        Value value{};
        if (!find(key, revision, value)) {
            value = lookUp();
            store(key, revision, value);
        }
        return value;
    }
    void store(std::uintptr_t key, std::uint64_t revision, Value value) {
        last_ = Slot{key, revision, value};
        if (!sets_) {
            sets_ = std::make_unique<std::array<Set, kSets>>();
        }
        Set& set = (*sets_)[index(key)];
        // A key already first is replaced in place; otherwise the first answer moves second,
        // over the key's own older answer or else the least recent one.
        if (set.ways[0].key != key) {
            set.ways[1] = set.ways[0];
        }
        set.ways[0] = last_;
    }

private:
    struct Slot {
        std::uintptr_t key = 0;
        std::uint64_t revision = 0; // registries count from 1: 0 is never current
        Value value{};
    };
    // Two answers per hashed place, in one cache line: two addresses that hash alike (common
    // once a step touches thousands of lines and tiles) no longer push each other out.
    struct alignas(64) Set {
        std::array<Slot, 2> ways{};
    };
    static constexpr std::size_t kSets = Slots / 2;
    // Fibonacci hashing: spreads both aligned addresses and small consecutive numbers.
    static std::size_t index(std::uintptr_t key) {
        constexpr int kBits = std::bit_width(kSets) - 1;
        if constexpr (kBits == 0) {
            return 0;
        } else {
            return static_cast<std::size_t>(
                (static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> (64 - kBits));
        }
    }
    Slot last_{};
    // On the heap, made on the first answer: a thread-local table this size would take its
    // room from every thread's stack, also on threads that never ask.
    std::unique_ptr<std::array<Set, kSets>> sets_;
};

} // namespace model
