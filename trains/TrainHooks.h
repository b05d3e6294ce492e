#pragma once
#include <functional>
#include <memory>

namespace trains {

class CTrainItem;

// A vehicle's marker in the 2D layout view. The panels library provides the concrete type;
// the vehicle owns it.
class VehiclePane {
public:
    virtual ~VehiclePane() = default;
    // Moves the marker to the vehicle's current place and repaints the area it left.
    virtual void place() = 0;
};

// Hooks through which vehicles reach libraries built later: the layout view's markers, the
// operating panels and the station and reversing rules. Every entry may be empty; an empty
// hook is skipped (and a hook with a result answers false).
struct TrainHooks {
    // Creates the marker of a vehicle in the layout view.
    std::function<std::unique_ptr<VehiclePane>(CTrainItem&)> createPane;
    // Marks the operating panels for refresh.
    std::function<void()> requestPanelRefresh;
    // Asks every open 3D view to draw a new frame; called after each controller step.
    std::function<void()> requestViewRepaint;
    // Station and reversing bookkeeping when the train's head enters a new line; true asks
    // the train to halt.
    std::function<bool(CTrainItem& head)> registerTileChange;
    // Turns a train standing at the end of its track round before it restarts.
    std::function<void(CTrainItem&)> reverseAtDeadEnd;
};

TrainHooks& trainHooks();

// Runs `fn` holding the process-wide render lock.
void runUnderRenderLock(const std::function<void()>& fn);

} // namespace trains
