#include "model/AddressSet.h"

#include <algorithm>
#include <bit>

namespace model {

std::size_t AddressSet::home(const void* address) const {
    // Fibonacci hashing of the address; the capacity is a power of two.
    const auto h = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(address)) *
                   0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(h >> 32) & (slots_.size() - 1);
}

bool AddressSet::contains(const void* address) const {
    if (address == nullptr || slots_.empty()) {
        return false;
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = home(address);; i = (i + 1) & mask) {
        if (slots_[i] == address) {
            return true;
        }
        if (slots_[i] == nullptr) {
            return false;
        }
    }
}

bool AddressSet::insert(const void* address) {
    if (address == nullptr) {
        return false;
    }
    if ((size_ + 1) * 2 > slots_.size()) {
        grow(std::max<std::size_t>(16, slots_.size() * 2));
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = home(address);
    for (; slots_[i] != nullptr; i = (i + 1) & mask) {
        if (slots_[i] == address) {
            return false;
        }
    }
    slots_[i] = address;
    ++size_;
    return true;
}

bool AddressSet::erase(const void* address) {
    if (address == nullptr || slots_.empty()) {
        return false;
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t hole = home(address);
    while (slots_[hole] != address) {
        if (slots_[hole] == nullptr) {
            return false;
        }
        hole = (hole + 1) & mask;
    }
    // Entries after the hole that could not sit at their home slot move back into it, so that
    // every entry stays reachable from its home without gaps.
    for (std::size_t next = (hole + 1) & mask; slots_[next] != nullptr; next = (next + 1) & mask) {
        const std::size_t want = home(slots_[next]);
        // The entry may stay when its home lies cyclically in (hole, next].
        const bool stays =
            hole <= next ? (want > hole && want <= next) : (want > hole || want <= next);
        if (!stays) {
            slots_[hole] = slots_[next];
            hole = next;
        }
    }
    slots_[hole] = nullptr;
    --size_;
    return true;
}

void AddressSet::reserve(std::size_t count) {
    const std::size_t wanted = std::bit_ceil(std::max<std::size_t>(16, count * 2));
    if (wanted > slots_.size()) {
        grow(wanted);
    }
}

void AddressSet::grow(std::size_t capacity) {
    std::vector<const void*> old(capacity, nullptr);
    old.swap(slots_);
    size_ = 0;
    for (const void* address : old) {
        if (address != nullptr) {
            insert(address);
        }
    }
}

} // namespace model
