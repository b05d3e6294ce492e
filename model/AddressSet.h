#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace model {

// A set of addresses kept in one open-addressed array (linear probing, removal by shifting
// the following entries back), at most half full. Unlike a node-based set it takes no memory
// per entry, so registering and unregistering many objects (a large paste) costs no allocation
// and one cache line per operation. Null is never an entry.
class AddressSet {
public:
    bool contains(const void* address) const;
    // False when already present (or null).
    bool insert(const void* address);
    // False when absent.
    bool erase(const void* address);
    // Room for `count` entries without growing.
    void reserve(std::size_t count);
    std::size_t size() const { return size_; }
    // Calls `visit` with every entry, in no particular order.
    template <typename Visit> void forEach(Visit&& visit) const {
        if (size_ == 0) {
            return;
        }
        for (const void* address : slots_) {
            if (address != nullptr) {
                visit(address);
            }
        }
    }

private:
    std::size_t home(const void* address) const;
    void grow(std::size_t capacity);
    std::vector<const void*> slots_;
    std::size_t size_ = 0;
};

} // namespace model
