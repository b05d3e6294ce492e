#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "model/Geometry.h"

namespace model {

// Environment flags (bits of EnvironmentRecord::flags).
enum EnvironmentFlag : std::uint32_t {
    EnvNoWater = 0x2,
    EnvFog = 0x4,
    EnvShowTerrain = 0x8,
    EnvNarrowView = 0x10,
    EnvLightOff = 0x20,
};

// The scenery of one layout, 84 bytes in machine order; the file writes it field by field.
struct EnvironmentRecord {
    std::int32_t skyType = 0;
    std::uint32_t flags = 0;
    RGBColor16 groundColour;
    RGBColor16 hillHighColour;
    RGBColor16 hillLowColour;
    RGBColor16 hollowColour;
    Vec3f lightPosition;
    std::uint8_t reserved[40] = {};

    // Zero everywhere, then the default colours.
    static EnvironmentRecord defaults();
};
static_assert(sizeof(EnvironmentRecord) == 84);
static_assert(offsetof(EnvironmentRecord, groundColour) == 8);
static_assert(offsetof(EnvironmentRecord, hillHighColour) == 14);
static_assert(offsetof(EnvironmentRecord, hillLowColour) == 20);
static_assert(offsetof(EnvironmentRecord, hollowColour) == 26);
static_assert(offsetof(EnvironmentRecord, lightPosition) == 32);
static_assert(offsetof(EnvironmentRecord, reserved) == 44);

// Preference flags (bits of PreferenceData::flags); most switch a feature off.
enum PreferenceFlag : std::uint32_t {
    PrefNoAcceleration = 0x4,
    PrefNoSound = 0x8,
    PrefNo3DViewOnRun = 0x10,
    PrefNoATS = 0x20,
    PrefNoShadows = 0x40,
    PrefFreezeLayoutWhileRunning = 0x80,
    PrefShowAllFarTracks = 0x100,
    PrefNoFade = 0x200,
    PrefDirect3D = 0x400,
    PrefNoBallast = 0x800,
};

// One walk-mode key: a virtual-key code and 12 reserved bytes.
struct KeyBinding {
    std::int32_t keyCode = 0;
    std::uint8_t reserved[12] = {};
};
static_assert(sizeof(KeyBinding) == 16);

inline constexpr int kWalkKeyCount = 9;

// Walk-mode key slots, in table order.
enum WalkKey : int {
    WalkForward,
    WalkBack,
    WalkTurnLeft,
    WalkTurnRight,
    WalkRun,
    WalkMoveLeft,
    WalkMoveRight,
    WalkStand,
    WalkCrouch,
};

// User-interface names of the walk keys, in table order (UTF-8).
extern const std::array<const char*, kWalkKeyCount> walkKeyNames;

// The user's settings, 400 bytes; stored whole in the registry in little-endian order.
struct PreferenceData {
    std::uint32_t flags = 0;
    std::uint8_t backgroundColour[4] = {};
    std::int32_t speedLevel = 0;
    std::int32_t newColumns = 0;
    std::int32_t newRows = 0;
    std::int32_t reserved1 = 0;
    KeyBinding keys[kWalkKeyCount] = {};
    std::uint8_t reserved2[232] = {};

    static constexpr std::size_t kSize = 400;

    static PreferenceData defaults();
    // The 400 stored bytes (little-endian, fields at their offsets).
    std::array<std::uint8_t, kSize> toBytes() const;
    // Decodes a stored value; nothing unless it is exactly 400 bytes long.
    static std::optional<PreferenceData> fromBytes(std::span<const std::uint8_t> bytes);
};
static_assert(sizeof(PreferenceData) == 400);
static_assert(offsetof(PreferenceData, backgroundColour) == 4);
static_assert(offsetof(PreferenceData, speedLevel) == 8);
static_assert(offsetof(PreferenceData, newColumns) == 12);
static_assert(offsetof(PreferenceData, newRows) == 16);
static_assert(offsetof(PreferenceData, reserved1) == 20);
static_assert(offsetof(PreferenceData, keys) == 24);
static_assert(offsetof(PreferenceData, reserved2) == 168);

} // namespace model
