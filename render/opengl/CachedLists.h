#pragma once
#include <cstdint>
#include <map>

namespace render::opengl {

// The renderer's cache of compiled geometry: display lists keyed by integers. Key 0 means
// "do not cache": the geometry is drawn directly every time.
class CachedLists {
public:
    CachedLists() = default;
    ~CachedLists() = default;
    CachedLists(const CachedLists&) = delete;
    CachedLists& operator=(const CachedLists&) = delete;

    // Calls the list of `key`; false when the key is absent or 0, or when its list is no
    // longer valid (the stored name is then zeroed so that the next begin compiles anew).
    bool call(std::int32_t key);
    // Starts recording the list of `key`; what is drawn until end() is recorded, and end()
    // then calls the list once, so that a list draws alike the first time and later. False
    // (draw directly)
    // for key 0, for a key that already has a valid list, while another list is being
    // recorded, or when no list name can be made.
    bool begin(std::int32_t key);
    // Ends the recording begin started.
    void end();
    // Calls the cached list, or draws and records it: the one way most geometry is drawn.
    // A template, so that a warm call (the list exists) builds no callable object.
    template <class Geometry> void draw(std::int32_t key, Geometry&& geometry) {
        if (call(key)) {
            return;
        }
        const bool recording = begin(key);
        geometry();
        if (recording) {
            end();
        }
    }
    // Deletes one key's list.
    void remove(std::int32_t key);
    // Deletes every list of keys first … last.
    void removeRange(std::int32_t first, std::int32_t last);
    // Deletes every list.
    void releaseAll();

    bool contains(std::int32_t key) const { return lists_.count(key) != 0; }
    // The stored list name of `key`, 0 when absent or zeroed.
    unsigned listName(std::int32_t key) const;
    std::size_t size() const { return lists_.size(); }

    // Set while a keyed list is recorded; the frame clears it at its start.
    bool compiling() const { return compiling_; }
    void resetCompiling() { compiling_ = false; }
    // Lists recorded and lists called since the last reset of the counts.
    int compiledCount() const { return compiled_; }
    int calledCount() const { return called_; }
    void resetCounts() {
        compiled_ = 0;
        called_ = 0;
    }

private:
    std::map<std::int32_t, unsigned> lists_;
    bool compiling_ = false;
    bool recording_ = false;
    unsigned recordingName_ = 0;
    int compiled_ = 0;
    int called_ = 0;
};

} // namespace render::opengl
