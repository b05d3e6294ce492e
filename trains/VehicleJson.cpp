#include "trains/VehicleJson.h"

#include <algorithm>

#include "model/CTrackItem.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"

namespace trains {

nlohmann::json vehiclesJson() {
    nlohmann::json array = nlohmann::json::array();
    const CTrainControler* controller = trainController();
    if (controller == nullptr) {
        return array;
    }
    const auto& list = controller->vehicles();
    auto number = [&](const CTrainItem* v) -> int {
        auto it = std::find(list.begin(), list.end(), v);
        return (v == nullptr || it == list.end()) ? 0 : static_cast<int>(it - list.begin()) + 1;
    };
    for (const CTrainItem* v : list) {
        const model::CTrackItem* tile = v->currentTile();
        const model::TilePos pos = tile != nullptr ? tile->getPosition() : model::TilePos{};
        array.push_back({{"type", v->typeCode()},
                         {"model", v->modelName()},
                         {"layer", tile != nullptr ? tile->getLayer() : v->currentLayer()},
                         {"column", pos.column},
                         {"row", pos.row},
                         {"front", number(v->frontNeighbour())},
                         {"rear", number(v->rearNeighbour())}});
    }
    return array;
}

} // namespace trains
