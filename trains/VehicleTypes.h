#pragma once
#include <cstdint>

namespace trains {

// Vehicle type codes: the item model kind 100 … 105 plus 8900. Code 1 (older files) is a
// steam locomotive; any other code is a rail car that is not self-propelled.
enum VehicleType : std::int32_t {
    TypeOldSteam = 1,
    TypeSteam = 9000,
    TypeElectric = 9001,
    TypeRailCar = 9002,
    TypeAutomobile = 9003,
    TypeMonorailA = 9004,
    TypeMonorailB = 9005,
};

inline constexpr std::int32_t kModelKindToType = 8900;
// Identity of a vehicle in the registry; 0 is no vehicle. Identities are never reused.
using VehicleId = std::uintptr_t;

inline constexpr bool isSteamType(std::int32_t t) {
    return t == TypeOldSteam || t == TypeSteam;
}
inline constexpr bool isLocomotiveType(std::int32_t t) {
    return isSteamType(t) || t == TypeElectric;
}
inline constexpr bool isAutomobileType(std::int32_t t) {
    return t == TypeAutomobile;
}
inline constexpr bool isMonorailType(std::int32_t t) {
    return t == TypeMonorailA || t == TypeMonorailB;
}
inline constexpr bool isRailType(std::int32_t t) {
    return !isAutomobileType(t) && !isMonorailType(t);
}
// Whether vehicles of the two types may couple: both rail, or both the same monorail kind.
inline constexpr bool typesCompatible(std::int32_t a, std::int32_t b) {
    return (isRailType(a) && isRailType(b)) || (a == TypeMonorailA && b == TypeMonorailA) ||
           (a == TypeMonorailB && b == TypeMonorailB);
}
// Whether a vehicle of the type may run on a line of the kind (1 rail, 2 … 4 road, 100 and
// 101 the two monorail kinds).
inline constexpr bool typeRunsOnKind(std::int32_t t, int kind) {
    if (isAutomobileType(t)) {
        return kind >= 2 && kind <= 4;
    }
    if (t == TypeMonorailA) {
        return kind == 100;
    }
    if (t == TypeMonorailB) {
        return kind == 101;
    }
    return kind == 1;
}

// The built-in marker picture for a vehicle whose model gives none.
inline constexpr const char* defaultVehiclePicture(std::int32_t t) {
    if (isSteamType(t)) {
        return "_DefaultTrain_SL";
    }
    if (t == TypeElectric) {
        return "_DefaultTrain_EL";
    }
    if (t == TypeAutomobile) {
        return "_DefaultTrain_Automobile";
    }
    return "_DefaultTrain_BoxCar";
}

} // namespace trains
