#pragma once
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace model {

// Remembers a registry's recent answers on the calling thread. The registry bumps `revision`
// whenever it gains or loses an entry (before the entry's memory can be reused); an answer
// remembered at the current revision is still the registry's answer, so repeated checks of
// the same address cost no lock. Each registry keeps one memo per thread:
//   thread_local LookupMemo<T> memo;
template <typename Value, std::size_t Slots = 16384> class LookupMemo {
    static_assert((Slots & (Slots - 1)) == 0, "a power of two");

public:
    // The remembered answer for `key` at `revision`; false when there is none.
    bool find(std::uintptr_t key, std::uint64_t revision, Value& value) {
        // The same address is usually asked for several times in a row: the last answer is
        // checked first, without touching the table.
        if (last_.revision == revision && last_.key == key) {
            value = last_.value;
            return true;
        }
        const Slot& slot = slots_[index(key)];
        if (slot.revision != revision || slot.key != key) {
            return false;
        }
        value = slot.value;
        last_ = slot;
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
        slots_[index(key)] = last_;
    }

private:
    struct Slot {
        std::uintptr_t key = 0;
        std::uint64_t revision = 0; // registries count from 1: 0 is never current
        Value value{};
    };
    // Fibonacci hashing: spreads both aligned addresses and small consecutive numbers.
    static std::size_t index(std::uintptr_t key) {
        constexpr int kBits = std::bit_width(Slots) - 1;
        return static_cast<std::size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >>
                                        (64 - kBits));
    }
    Slot last_{};
    std::array<Slot, Slots> slots_{};
};

} // namespace model
