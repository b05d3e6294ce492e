#pragma once
#include <atomic>
#include <mutex>

namespace trains {

// Set by the renderer around each frame it draws; a controller step that finds it set moves
// nothing in that cycle.
std::atomic<bool>& frameInProgress();

// Held by editing code, by turning a train and by the trains chunk reader, so that the
// renderer never draws a half-changed layout. Recursive: a holder may call code that takes it.
std::recursive_mutex& renderLock();

} // namespace trains
