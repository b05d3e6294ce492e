#include "trains/TrainFileHandlers.h"

#include "persistence/TrainChunk.h"
#include "trains/CTrainControler.h"
#include "trains/VehicleRegistry.h"

namespace trains {

void installTrainFileHandlers() {
    installTrainSeams();
    auto& handlers = persistence::trainChunkHandlers();
    if (!handlers.write) {
        handlers.write = []() -> std::vector<std::uint8_t> {
            const CTrainControler* controller = trainController();
            return controller != nullptr ? controller->saveChunk() : std::vector<std::uint8_t>{};
        };
    }
    if (!handlers.read) {
        handlers.read = [](std::span<const std::uint8_t> chunk) {
            return getOrCreateTrainController().loadChunk(chunk, model::TilePos{});
        };
    }
}

} // namespace trains
