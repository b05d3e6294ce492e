#include "setup/ProgramHooks.h"

#include <filesystem>
#include <memory>
#include <utility>

#include "image/PictureFiles.h"
#include "import/ModelImport.h"
#include "items/BuiltinFiles.h"
#include "model/LandscapeItems.h"
#include "model/PieceSeams.h"
#include "persistence/CImageItem.h"
#include "persistence/LayoutFile.h"
#include "trains/CTrackControlItemManager.h"
#include "trains/TrainFileHandlers.h"
#include "trains/VehicleRegistry.h"

namespace setup {

namespace {

// A built-in picture of the data folder as a tile picture; null when it is missing or does
// not decode.
std::unique_ptr<model::TilePicture> builtinTilePicture(int number) {
    const std::filesystem::path path = items::findBuiltinPicture(number);
    if (path.empty()) {
        return nullptr;
    }
    image::Picture picture = image::loadPicture(path);
    if (picture.empty()) {
        return nullptr;
    }
    return std::make_unique<persistence::CImageItem>(std::move(picture));
}

} // namespace

void installProgramHooks() {
    persistence::installLayoutFileHandlers();
    trains::installTrainFileHandlers();
    trains::installTrainSeams();
    trains::installControlItemSeams();
    model::installLandscapeSeams();
    // Item objects of the text model types (VRML, RIB, DXF) load through the importer.
    import::registerModelImporter();
    model::PieceHooks& pieces = model::pieceHooks();
    if (!pieces.builtinPicture) {
        pieces.builtinPicture = builtinTilePicture;
    }
}

} // namespace setup
