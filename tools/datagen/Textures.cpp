#include "tools/datagen/Textures.h"

#include "image/FileBytes.h"
#include "tools/datagen/TextureMakers.h"

#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace datagen {

namespace {

template <int Frame> Canvas waterFrame() {
    return makers::water(Frame);
}

std::vector<BuiltinPicture> makeTable() {
    using namespace makers;
    const int t = kFirstBuiltinTexture;
    return {
        {t + 0, "base plate: varnished wood", Tiling::Both, woodBase},
        {t + 1, "foliage of bushes: leaves with gaps", Tiling::Both, leaves},
        {t + 2, "grass", Tiling::Both, grass},
        {t + 3, "rock", Tiling::Both, rock},
        {t + 4, "brick", Tiling::Both, brick},
        {t + 5, "reversing-point sign", Tiling::None, reversingSign},
        {t + 6, "tunnel portals: cut stone", Tiling::Both, ashlar},
        {t + 7, "gravel", Tiling::Both, gravel},
        {t + 8, "name plate on the base", Tiling::None, namePlate},
        {t + 9, "station name board", Tiling::None, stationBoard},
        {t + 10, "level-crossing arm stripes", Tiling::Both, hazardStripes},
        {t + 11, "concrete", Tiling::Both, concrete},
        {t + 12, "asphalt", Tiling::Both, asphalt},
        {t + 13, "smoke puff", Tiling::None, smokePuff},
        {t + 14, "water ripples, frame 0", Tiling::Both, waterFrame<0>},
        {t + 15, "water ripples, frame 1", Tiling::Both, waterFrame<1>},
        {t + 16, "water ripples, frame 2", Tiling::Both, waterFrame<2>},
        {t + 17, "water ripples, frame 3", Tiling::Both, waterFrame<3>},
        {t + 18, "water ripples, frame 4", Tiling::Both, waterFrame<4>},
        {t + 19, "water ripples, frame 5", Tiling::Both, waterFrame<5>},
        {t + 20, "water ripples, frame 6", Tiling::Both, waterFrame<6>},
        {t + 21, "water ripples, frame 7", Tiling::Both, waterFrame<7>},
        {t + 22, "water ripples, frame 8", Tiling::Both, waterFrame<8>},
        {t + 23, "water ripples, frame 9", Tiling::Both, waterFrame<9>},
        {t + 24, "water ripples, frame 10", Tiling::Both, waterFrame<10>},
        {t + 25, "water ripples, frame 11", Tiling::Both, waterFrame<11>},
        {t + 26, "water ripples, frame 12", Tiling::Both, waterFrame<12>},
        {t + 27, "water ripples, frame 13", Tiling::Both, waterFrame<13>},
        {t + 28, "sand", Tiling::Both, sand},
        {t + 29, "platforms and buffer blocks: paving slabs", Tiling::Both, paving},
        {t + 30, "terrain layer: light ground detail", Tiling::Both, terrainDetail},
        {t + 31, "stone wall and stone arch supports", Tiling::Both, stoneWall},
        {t + 32, "wooden planks", Tiling::Both, planks},
        {t + 33, "roof tiles", Tiling::Both, roofTiles},
        {t + 34, "sky 0: blue sky 1", Tiling::None, skyBlue1},
        {t + 35, "sky 1: blue sky 2", Tiling::None, skyBlue2},
        {t + 36, "sky 2: cloudy 1", Tiling::None, skyCloudy1},
        {t + 37, "sky 3: cloudy 2", Tiling::None, skyCloudy2},
        {t + 38, "sky 4: cloudy 3", Tiling::None, skyCloudy3},
        {t + 39, "sky 5: night sky", Tiling::Both, skyNight},
        {t + 40, "road and narrow monorail beds: concrete", Tiling::Both, concreteSide},
        {t + 41, "road surface with markings", Tiling::Horizontal, road},
        {t + 42, "narrow monorail beam side", Tiling::Both, beamSideNarrow},
        {t + 43, "wide monorail beam side", Tiling::Both, beamSidePlain},
        {t + 44, "wide monorail beam side with band", Tiling::Horizontal, beamSideBand},
        {t + 45, "wide monorail beam top", Tiling::Horizontal, beamTop},
        {t + 46, "narrow flat strip: dirt path", Tiling::Both, dirtPath},
        {t + 47, "wooden sleepers", Tiling::Both, sleepers},
        {t + 48, "rail steel", Tiling::Both, railSteel},
        {t + 49, "ballast strip with soft edges", Tiling::Horizontal, ballast},
        {t + 50, "chequer plate", Tiling::Both, checkerPlate},
        {t + 51, "iron support: riveted plates", Tiling::Both, ironPlates},
        {t + 52, "rusty steel", Tiling::Both, rust},
        {t + 53, "iron arch supports: lattice girder", Tiling::Both, ironLattice},
        {t + 54, "hedge", Tiling::Both, hedge},
        {t + 55, "digit strip 0 to 9", Tiling::None, digitStrip},
        {t + 56, "cobbles", Tiling::Both, cobbles},
        {t + 57, "corrugated sheet", Tiling::Both, corrugated},
        {kDefaultPiecePicture, "default catalogue picture", Tiling::None, defaultPiece},
        {kSkyDomeHeightPicture, "grey height image of the sky dome", Tiling::None, skyDomeHeights},
        {kFirstDefaultVehiclePicture + 0, "default steam locomotive", Tiling::None,
         steamLocomotiveTop},
        {kFirstDefaultVehiclePicture + 1, "default electric locomotive", Tiling::None,
         electricLocomotiveTop},
        {kFirstDefaultVehiclePicture + 2, "default box car", Tiling::None, boxCarTop},
        {kFirstDefaultVehiclePicture + 3, "default automobile", Tiling::None, automobileTop},
    };
}

} // namespace

const std::vector<BuiltinPicture>& builtinPictures() {
    static const std::vector<BuiltinPicture> table = makeTable();
    return table;
}

bool writeTextures(const fs::path& dataFolder) {
    const fs::path folder = dataFolder / "Texture_Buildin";
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        return false;
    }
    for (const BuiltinPicture& picture : builtinPictures()) {
        const std::vector<std::uint8_t> bytes = picture.make().png();
        if (bytes.empty() ||
            !image::writeFileBytes(folder / (std::to_string(picture.number) + ".png"), bytes)) {
            return false;
        }
    }
    return true;
}

} // namespace datagen
