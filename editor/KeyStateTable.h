#pragma once
#include <set>

namespace render {
class CDocumentRenderer;
}

namespace editor {

// The keys held down in the 3D view, filled from key events: auto-repeated presses and
// releases are ignored, and losing the focus clears the table (a key released elsewhere
// never reports its release here).
class KeyStateTable {
public:
    void press(int key, bool autoRepeat);
    void release(int key, bool autoRepeat);
    void clear() { down_.clear(); }
    bool isDown(int key) const { return down_.count(key) != 0; }
    bool anyDown() const { return !down_.empty(); }

private:
    std::set<int> down_;
};

// One 10 ms poll of the held keys (Qt key codes): the turn keys (arrows) turn the standard
// and riding views; in walk mode W / up and S / down walk forward and back, A and D step
// sideways and the arrows turn the walker; Shift runs. True when the camera moved.
bool pollWalkKeys(const KeyStateTable& keys, render::CDocumentRenderer& renderer);

} // namespace editor
