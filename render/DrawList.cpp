#include "render/DrawList.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"

namespace render {
namespace {

constexpr int kTrackLayers = 5;

bool isTunnelMouth(const model::CTrackItem& tile) {
    bool any = false;
    tile.neighbourFlagsB(&any);
    return any;
}

// The box as the frustum should test it: for the shadow list each corner is projected from
// the light onto the ground.
bool boxSeen(const DrawListInput& in, std::array<Vec3, 8> box, bool shadowList) {
    if (in.frustum == nullptr) {
        return true;
    }
    if (shadowList) {
        for (Vec3& c : box) {
            if (in.light.y > c.y) {
                const double t = in.light.y / (in.light.y - c.y);
                c = {in.light.x + (c.x - in.light.x) * t, 0, in.light.z + (c.z - in.light.z) * t};
            }
        }
    }
    return in.frustum->boxVisible(box);
}

void addVehicles(const DrawListInput& in, DrawList& list, bool shadowList) {
    const trains::CTrainControler* controller = trains::trainController();
    if (controller == nullptr) {
        return;
    }
    const trains::WorldScales scales{in.tileSize, in.layerHeight, in.tileSize};
    for (trains::CTrainItem* vehicle : controller->vehicles()) {
        if (vehicle == nullptr || vehicle->findModel() == nullptr) {
            continue;
        }
        model::Vec3d point;
        double yaw = 0;
        double pitch = 0;
        std::array<model::Vec3d, 8> corners;
        if (!vehicle->worldPlacement(scales, point, yaw, pitch) ||
            !vehicle->modelBoxCorners(scales, corners)) {
            continue;
        }
        const double d = std::hypot(point.x - in.eye.x, point.y - in.eye.y, point.z - in.eye.z);
        if (!in.showAllFar && d > in.range.farDistance) {
            continue;
        }
        if (in.fog && d > 1.1 * in.fogEnd) {
            continue;
        }
        std::array<Vec3, 8> box;
        for (std::size_t i = 0; i < box.size(); ++i) {
            box[i] = {corners[i].x, corners[i].y, corners[i].z};
        }
        if (!boxSeen(in, box, shadowList)) {
            continue;
        }
        const FadeResult fade = fadeLevel(d, in.range, in.noFade || in.showAllFar);
        if (fade.level < 0 || fade.level >= 10) {
            continue;
        }
        DrawListEntry entry;
        entry.distance = d;
        entry.vehicle = vehicle;
        entry.layer = vehicle->currentLayer();
        entry.level = fade.level;
        entry.alpha = fade.alpha;
        list.push_back(entry);
    }
}

} // namespace

FadeRange fadeRange(int cameraMode, int columns, int rows, double tileSize) {
    if (cameraMode != ModeLayout) {
        return {10 * tileSize, 20 * tileSize};
    }
    const double longer = std::max(columns, rows);
    const double stretch = std::max(1.0, longer / 20.0);
    const double far = 30 * tileSize * stretch;
    return {0.75 * far, far};
}

float fadeAlpha(int level) {
    if (level == 0) {
        return 1;
    }
    if (level < 0) {
        return 0;
    }
    return std::clamp(1.0f - 0.1f * static_cast<float>(level), 0.0f, 1.0f);
}

FadeResult fadeLevel(double distance, const FadeRange& range, bool fadingOff) {
    if (fadingOff || distance < range.nearDistance) {
        return {0, 1};
    }
    if (distance > range.farDistance) {
        return {-1, 0};
    }
    const double step = (range.farDistance - range.nearDistance) * 0.1;
    if (!(step > 0)) {
        return {-1, 0};
    }
    const int level = static_cast<int>((distance - range.nearDistance) / step) + 1;
    return {level, fadeAlpha(level)};
}

namespace {

void sortFarToNear(DrawList& list) {
    std::stable_sort(list.begin(), list.end(), [](const DrawListEntry& a, const DrawListEntry& b) {
        return a.distance > b.distance;
    });
}

// The tiles of either list or both: a tile's distance, fade and box are the same for both,
// only the frustum test differs.
void collectTiles(const DrawListInput& in, DrawList* normal, DrawList* shadow) {
    const double s = in.tileSize;
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        const model::LayerMap* tiles = model::layerMap(layer);
        if (tiles == nullptr) {
            continue;
        }
        for (const auto& [key, owned] : *tiles) {
            const model::CTrackItem* tile = owned.get();
            if (tile == nullptr || tile->isEmpty()) {
                continue;
            }
            const model::TilePos pos = tile->getPosition();
            const double cx = (pos.column + 0.5) * s;
            const double cy = layer * in.layerHeight;
            const double cz = (pos.row + 0.5) * s;
            const double d = std::hypot(cx - in.eye.x, cy - in.eye.y, cz - in.eye.z);
            const bool mouth = isTunnelMouth(*tile);
            if (!in.showAllFar && d > in.range.farDistance && !mouth) {
                continue;
            }
            if (in.fog && d > 1.1 * in.fogEnd) {
                continue;
            }
            FadeResult fade = fadeLevel(d, in.range, in.noFade || in.showAllFar);
            if (fade.level >= 10) {
                // Faded out: only a tunnel mouth stays, for its portals.
                if (!mouth) {
                    continue;
                }
                fade = {-1, 0};
            }
            bool inNormal = normal != nullptr;
            bool inShadow = shadow != nullptr;
            if (in.frustum != nullptr) {
                model::TileCorners corners;
                tile->contentBox(s, in.layerHeight, corners, true);
                std::array<Vec3, 8> box;
                for (std::size_t i = 0; i < corners.size(); ++i) {
                    box[i] = {corners[i].x, corners[i].y, corners[i].z};
                    // Supports reach down to the ground.
                    if (i < 4) {
                        box[i].y = std::min(box[i].y, 0.0);
                    }
                }
                inNormal = inNormal && boxSeen(in, box, false);
                inShadow = inShadow && boxSeen(in, box, true);
            }
            const DrawListEntry entry{d,          tile,    nullptr,    layer,
                                      pos.column, pos.row, fade.level, fade.alpha};
            if (inNormal) {
                normal->push_back(entry);
            }
            if (inShadow) {
                shadow->push_back(entry);
            }
        }
    }
}

} // namespace

DrawList buildDrawList(const DrawListInput& in) {
    DrawList list;
    collectTiles(in, in.shadowPass ? nullptr : &list, in.shadowPass ? &list : nullptr);
    addVehicles(in, list, in.shadowPass);
    sortFarToNear(list);
    return list;
}

void buildDrawLists(const DrawListInput& in, DrawList& normal, DrawList* shadow) {
    normal.clear();
    if (shadow != nullptr) {
        shadow->clear();
    }
    collectTiles(in, &normal, shadow);
    addVehicles(in, normal, false);
    sortFarToNear(normal);
    if (shadow != nullptr) {
        addVehicles(in, *shadow, true);
        sortFarToNear(*shadow);
    }
}

} // namespace render
