#include "model/CTrackStructureItem.h"

#include "items/C3DItemObject.h"
#include "items/ItemRegistry.h"

namespace model {

namespace {

SceneBox fromItemBox(const items::BoundingBox& box) {
    return SceneBox{{box.min.x, box.min.y, box.min.z}, {box.max.x, box.max.y, box.max.z}};
}

} // namespace

items::C3DItemObject* CTrackStructureItem::itemModel() const {
    if (category_ != StructureItemModel || modelName_.empty()) {
        return nullptr;
    }
    return items::getItemByFileName(modelName_);
}

bool CTrackStructureItem::localBounds(double s, SceneBox& out) const {
    out = SceneBox{};
    switch (category_) {
    case StructureTree:
        out = SceneBox{{-5.0 / 12.0 * s, 0, -0.55 * s}, {1.0 / 12.0 * s, s, -0.05 * s}};
        return true;
    case StructureWooden:
        out = SceneBox{{-0.5 * s, 0, -0.5 * s}, {0.2 * s, 0.9375 * s, 0.5 * s}};
        return true;
    case StructureItemModel: {
        const items::C3DItemObject* model = itemModel();
        if (model == nullptr || model->isEmpty()) {
            return false;
        }
        out = fromItemBox(model->boundingBox(s));
        if (out.isEmpty()) {
            out = SceneBox{};
            return false;
        }
        return true;
    }
    default:
        return false;
    }
}

bool CTrackStructureItem::isWithoutBounds() const {
    SceneBox box;
    return !localBounds(1.0, box);
}

bool CTrackStructureItem::placeBounds(double s, SceneBox& out) const {
    SceneBox local;
    if (!localBounds(s, local)) {
        out = SceneBox{};
        return false;
    }
    TileCorners corners = boxCorners(local);
    const Orientation o = orientation();
    for (Vec3d& c : corners) {
        if (o.angle != 0) {
            c = turnAboutVertical(c, -o.angle);
        }
        if (o.mirror == -1) {
            c.x = -c.x;
        }
    }
    out = boxAround(corners);
    return true;
}

std::vector<ContentBox> CTrackStructureItem::partBoxes(double s) const {
    std::vector<ContentBox> result;
    const items::C3DItemObject* model = itemModel();
    if (model == nullptr) {
        return result;
    }
    for (const auto& [id, box] : model->partBoxes(s)) {
        const SceneBox part = fromItemBox(box);
        if (!part.isEmpty()) {
            result.push_back({id, part});
        }
    }
    return result;
}

} // namespace model
