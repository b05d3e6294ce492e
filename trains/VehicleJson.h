#pragma once
#include <nlohmann/json.hpp>

namespace trains {

// The vehicles of the controller's list as the "vehicles" array of the layout dump: type,
// model, layer, column, row, and front/rear as 1-based positions in the array (0 for none).
// An empty array when no controller exists.
nlohmann::json vehiclesJson();

} // namespace trains
