#pragma once
#include <set>

namespace render {

// The keys held down in a 3D view, by virtual-key code (16 Shift, 37 … 40 the arrows, the
// letters and digits as their upper-case characters). Auto-repeated presses and releases are
// ignored, and losing the focus clears the table (a key released elsewhere never reports its
// release here).
class KeyStateTable {
public:
    void press(int key, bool autoRepeat) {
        if (!autoRepeat && key != 0) {
            down_.insert(key);
        }
    }
    void release(int key, bool autoRepeat) {
        if (!autoRepeat) {
            down_.erase(key);
        }
    }
    void clear() { down_.clear(); }
    bool isDown(int key) const { return down_.count(key) != 0; }
    bool anyDown() const { return !down_.empty(); }

private:
    std::set<int> down_;
};

} // namespace render
