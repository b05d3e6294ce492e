#pragma once
#include <vector>

#include "render/Camera.h"
#include "render/ViewFrustum.h"

namespace model {
class CTrackItem;
}
namespace trains {
class CTrainItem;
}

namespace render {

// Distances (scene units) where fading starts and where objects are gone.
struct FadeRange {
    double nearDistance = 0;
    double farDistance = 0;
};

// The fade range of a camera mode: riding and walking 10 … 20 tiles; the layout view
// 22.5 … 30 tiles, stretched by max(1, m / 20) for a board whose longer side is m tiles so
// that a big board still shows its track.
FadeRange fadeRange(int cameraMode, int columns, int rows, double tileSize);

// 1 for level 0, 0 for level −1, else 1 − 0.1 × |level|, held within 0 … 1.
float fadeAlpha(int level);

struct FadeResult {
    int level = 0;
    float alpha = 1;
};

// Level 0 (alpha 1) nearer than the range or when fading is off; −1 (alpha 0) beyond it;
// otherwise int((d − near) / ((far − near) × 0.1)) + 1 with its alpha.
FadeResult fadeLevel(double distance, const FadeRange& range, bool fadingOff);

// One visible tile or vehicle of a frame (exactly one of the two is set).
struct DrawListEntry {
    double distance = 0;
    const model::CTrackItem* tile = nullptr;
    trains::CTrainItem* vehicle = nullptr;
    int layer = 0;
    int column = 0;
    int row = 0;
    int level = 0;
    float alpha = 1;
};

// What building a list needs to know about the frame.
struct DrawListInput {
    Vec3 eye;
    const ViewFrustum* frustum = nullptr; // null keeps everything
    FadeRange range;
    bool showAllFar = false;
    bool noFade = false;
    bool fog = false;
    double fogEnd = 20;
    double tileSize = 1;
    double layerHeight = 1.2;
    // The shadow list tests each box corner projected from the light onto the ground.
    bool shadowPass = false;
    Vec3 light;
};

// Far to near.
using DrawList = std::vector<DrawListEntry>;

// The tiles of the five track layers and the vehicles of the train controller that the frame
// draws, far to near. A tile stays when
// everything far is shown, when it lies within the far distance, or when it is a tunnel
// mouth (then beyond the fade it keeps level −1 so only its portals are drawn); with fog only
// within 1.1 × the fog end. A tile whose fade leaves it invisible (level 10 or more) is
// dropped, and so is one whose box lies wholly outside one frustum plane. A vehicle is
// measured from its first wheel set and tested with its model's box; one without a model or
// a valid place is left out.
DrawList buildDrawList(const DrawListInput& input);

// The normal list and, with `shadow`, the shadow list of one frame (`input.shadowPass` is not
// read), each as buildDrawList gives it, from one pass over the tiles: a tile's box is
// measured once for both.
void buildDrawLists(const DrawListInput& input, DrawList& normal, DrawList* shadow);

} // namespace render
