#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/Geometry.h"
#include "trains/VehicleTypes.h"

namespace editing {

// The parameters of one light unit of the 3D scene; the renderer turns them into back-end
// light state every frame. Light 0 is the layout's main light; the others follow the lamps of
// running vehicles.
class CLight {
public:
    // A light for a unit, standing at half of `position` (scene units, w = 1).
    CLight(int unit, const model::Vec3f& position);
    explicit CLight(int unit);
    virtual ~CLight() = default;

    // Follows a vehicle's lamps from now on (unit and vehicle identity).
    void attachToVehicle(int unit, trains::VehicleId vehicle);
    trains::VehicleId attachedVehicle() const { return vehicle_; }
    bool isEnabled() const { return enabled_ != 0; }
    void enable() { enabled_ = 1; }
    void disable() { enabled_ = 0; }
    void setEnabled(bool on) { enabled_ = on ? 1 : 0; }
    // Back to the state of a newly made light of the unit, keeping the position.
    void reset();

    int unit() const { return unit_; }
    std::array<float, 4> position{0.5f, 0.5f, 0.5f, 1.0f};
    std::array<float, 4> diffuse{1.0f, 1.0f, 1.0f, 1.0f};
    // Ambient colour = factor × diffuse red; alpha in the fourth value.
    std::array<float, 4> ambientFactor{0.2f, 0.2f, 0.2f, 1.0f};
    std::array<float, 4> spotDirection{0.0f, -1.0f, 0.0f, 0.0f};

private:
    int unit_ = 0;
    std::uint8_t enabled_ = 0;
    trains::VehicleId vehicle_ = 0;
};

// Which parameter setParameter and getParameter address.
enum class LightParameter { Ambient, Diffuse, Position };

// A vehicle that may carry lamps, and whether its item model has any.
struct LampCarrier {
    trains::VehicleId vehicle = 0;
    bool hasLamps = false;
};

// The lights of the 3D scene: one CLight per light unit of the graphics back end.
class CLightControler {
public:
    // `units` lights (at least 1); light 0 enabled, the others disabled with ambient factor 0.
    CLightControler(int units, const model::Vec3f& standardLightPosition);
    virtual ~CLightControler() = default;

    int lightUnitCount() const { return static_cast<int>(lights_.size()); }
    bool isLightEnabled(int i) const;
    model::Vec3d lightPosition0() const;
    // Light i's ambient factor, diffuse colour or position, four floats; out-of-range lights
    // are ignored (get gives zeros).
    void setParameter(int i, LightParameter which, const std::array<float, 4>& values);
    std::array<float, 4> getParameter(int i, LightParameter which) const;
    // The light when it is enabled, else null (also for i out of range).
    const CLight* enabledLight(int i) const;
    CLight* light(int i);

    // Switching on enables light 0 and lights 1 … n (n carriers), disabling the rest;
    // switching off disables every light from 1 on.
    void switchLamps(bool on, const std::vector<LampCarrier>& carriers);
    // In a dark scene (light 0's diffuse red below 0.7), light i (1 … units − 1) follows the
    // i-th carrier, enabled when that carrier has lamps, and is disabled past the last
    // carrier; in a bright scene every light from 1 on goes back to its plain state.
    void assignLamps(const std::vector<LampCarrier>& carriers);
    // The same with the carriers of the train controller.
    void assignLamps();

private:
    std::vector<std::unique_ptr<CLight>> lights_;
};

// The lamp carriers in the train controller's order: for every vehicle without a rear
// neighbour, the motive vehicles of its train.
std::vector<LampCarrier> lampCarriers();

// The process-wide controller, or null before it is made.
CLightControler* lightController();
// Made on the first call with these values; later calls return it unchanged.
CLightControler& getOrCreateLightController(int units, const model::Vec3f& standardLightPosition);
// Deletes the process-wide controller (the renderer's end, and tests).
void releaseLightController();

} // namespace editing
