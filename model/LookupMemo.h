#pragma once
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace model {

// Remembers a registry's recent answers on the calling thread. An answer is a pointer: the
// address asked about (registered) or null. The registry bumps `revision`
// whenever it gains or loses an entry (before the entry's memory can be reused); an answer
// remembered at the current revision is still the registry's answer, so repeated checks of
// the same address cost no lock. Each registry keeps one memo per thread:
//   thread_local LookupMemo<T> memo;
// The slots are grouped four to a set of one cache line: an address may sit in any slot of
// its set, so thousands of addresses checked in turn (every vehicle of a large layout in one
// controller step) seldom push each other out, and a look-up reads one line.
template <typename Value, std::size_t Slots = 16384> class LookupMemo {
    static_assert(std::is_pointer_v<Value>, "answers are addresses or null");
    static_assert((Slots & (Slots - 1)) == 0, "a power of two");
    static constexpr std::size_t kWays = 4;
    static constexpr std::size_t kSets = Slots / kWays;
    static_assert(kSets > 0 && (kSets & (kSets - 1)) == 0, "a power of two");

public:
    // The remembered answer for `key` at `revision`; false when there is none.
    bool find(std::uintptr_t key, std::uint64_t revision, Value& value) {
        // The same address is usually asked for several times in a row: the last answer is
        // checked first, without touching the table.
        if (last_.key == key && (last_.stamp & ~kFound) == revision) {
            value = answer(last_);
            return true;
        }
        const Set& set = sets_[index(key)];
        for (const Slot& slot : set.slots) {
            if (slot.key == key && (slot.stamp & ~kFound) == revision) {
                value = answer(slot);
                last_ = slot;
                return true;
            }
        }
        return false;
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
        last_ = Slot{key, revision | (value != nullptr ? kFound : 0)};
        Set& set = sets_[index(key)];
        // The slot of the same key, else one remembered at an older revision, else one picked
        // by the address's bits.
        Slot* target = &set.slots[(key >> 4) % kWays];
        for (Slot& slot : set.slots) {
            if (slot.key == key || (slot.stamp & ~kFound) != revision) {
                target = &slot;
                break;
            }
        }
        *target = last_;
    }

private:
    // Revisions count from 1 and never reach the top bit, which marks a registered address.
    static constexpr std::uint64_t kFound = std::uint64_t{1} << 63;
    struct Slot {
        std::uintptr_t key = 0;
        std::uint64_t stamp = 0; // the revision, with kFound for a registered address
    };
    struct alignas(64) Set {
        std::array<Slot, kWays> slots{};
    };
    static Value answer(const Slot& slot) {
        return (slot.stamp & kFound) != 0 ? reinterpret_cast<Value>(slot.key) : nullptr;
    }
    // Fibonacci hashing: spreads both aligned addresses and small consecutive numbers.
    static std::size_t index(std::uintptr_t key) {
        constexpr int kBits = std::bit_width(kSets) - 1;
        return static_cast<std::size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >>
                                        (64 - kBits));
    }
    Slot last_{};
    std::array<Set, kSets> sets_{};
};

} // namespace model
