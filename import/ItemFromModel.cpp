#include "import/ItemFromModel.h"

#include "items/C3DItemObject.h"
#include "items/geometry/C3DObject.h"

#include <memory>
#include <vector>

namespace import {
namespace {

using items::C3DObject;
using items::CIndexedFaceSet;
using items::RibRecord;

// Appends one polygon to a face set as faces of three or four points with points of their
// own; larger polygons become fans of triangles. Polygons of fewer than three points are left
// out.
void addPolygon(CIndexedFaceSet& faceSet, const std::vector<items::Vec3d>& polygon) {
    if (polygon.size() < 3) {
        return;
    }
    auto addFace = [&](std::initializer_list<std::size_t> corners) {
        for (const std::size_t corner : corners) {
            const auto index = static_cast<std::int32_t>(faceSet.pointCount());
            faceSet.addPoint(polygon[corner]);
            faceSet.addCoordIndex(index);
        }
        faceSet.addCoordIndex(-1);
    };
    if (polygon.size() == 3) {
        addFace({0, 1, 2});
    } else if (polygon.size() == 4) {
        addFace({0, 1, 2, 3});
    } else {
        for (std::size_t i = 1; i + 1 < polygon.size(); ++i) {
            addFace({0, i, i + 1});
        }
    }
}

items::Vec3d pointAt(const std::vector<float>& points, std::size_t index) {
    return {points[index * 3], points[index * 3 + 1], points[index * 3 + 2]};
}

// The polygons of one record, as lists of points; counts and indices that reach beyond the
// record's lists end the record there.
std::vector<std::vector<items::Vec3d>> polygonsOf(const RibRecord& record) {
    std::vector<std::vector<items::Vec3d>> polygons;
    const std::size_t pointCount = record.points.size() / 3;
    if (record.type == RibRecord::GeneralPolygon) {
        std::size_t next = 0;
        for (const std::int32_t count : record.vertexCounts) {
            if (count < 0 || static_cast<std::size_t>(count) > pointCount - next) {
                break;
            }
            std::vector<items::Vec3d>& polygon = polygons.emplace_back();
            for (std::int32_t i = 0; i < count; ++i) {
                polygon.push_back(pointAt(record.points, next++));
            }
        }
    } else if (record.type == RibRecord::PointsPolygons) {
        std::size_t next = 0;
        for (const std::int32_t count : record.vertexCounts) {
            if (count < 0 || static_cast<std::size_t>(count) > record.vertexIndices.size() - next) {
                break;
            }
            std::vector<items::Vec3d>& polygon = polygons.emplace_back();
            for (std::int32_t i = 0; i < count; ++i) {
                const std::int32_t index = record.vertexIndices[next++];
                if (index >= 0 && static_cast<std::size_t>(index) < pointCount) {
                    polygon.push_back(pointAt(record.points, static_cast<std::size_t>(index)));
                }
            }
        }
    }
    return polygons;
}

void bakeRibPolygons(C3DObject& node) {
    const std::unique_ptr<items::CRIB_Attribute> list = [&] {
        auto copy = std::make_unique<items::CRIB_Attribute>();
        for (const RibRecord& record : node.ribPolygons()->records()) {
            copy->addRecord(record);
        }
        return copy;
    }();
    node.setRibPolygons(nullptr);
    CIndexedFaceSet* faceSet = nullptr;
    const RibRecord* colour = nullptr;
    for (const RibRecord& record : list->records()) {
        if (record.type == RibRecord::Colour) {
            colour = &record;
            faceSet = nullptr;
            continue;
        }
        for (const auto& polygon : polygonsOf(record)) {
            if (polygon.size() < 3) {
                continue;
            }
            if (faceSet == nullptr) {
                C3DObject& part = node.createChild();
                if (colour != nullptr) {
                    part.setColourComponent(0, colour->r);
                    part.setColourComponent(1, colour->g);
                    part.setColourComponent(2, colour->b);
                }
                part.setFaceSet(std::make_unique<CIndexedFaceSet>(&part));
                faceSet = part.faceSet();
            }
            addPolygon(*faceSet, polygon);
        }
    }
}

bool isAncestorOrSelf(const C3DObject& node, const C3DObject& of) {
    for (const C3DObject* at = &of; at != nullptr; at = at->parent()) {
        if (at == &node) {
            return true;
        }
    }
    return false;
}

void resolveReference(C3DObject& node, std::size_t& budget) {
    const std::string name = node.referenceName();
    node.setReferenceName({});
    C3DObject* target = C3DObject::findDefinition(name);
    // A node may not draw itself or one of its own ancestors.
    if (target == nullptr || isAncestorOrSelf(*target, node) || &target->root() != &node.root()) {
        return;
    }
    const std::vector<std::uint8_t> block = target->save();
    if (block.size() > budget) {
        return;
    }
    budget -= block.size();
    C3DObject& copy = node.createChild();
    copy.load(block);
    // The referenced node is drawn at the referring node's place: its own translation is
    // cancelled, its scale kept.
    copy.setTranslation({});
}

// Depth-first in document order, so a node defined before its use has had its own references
// resolved by the time it is copied.
void makeNodeStorable(C3DObject& node, std::size_t& budget, int depth) {
    if (depth > items::kMaxNodeDepth) {
        return;
    }
    if (node.ribPolygons() != nullptr) {
        bakeRibPolygons(node);
    }
    if (!node.referenceName().empty()) {
        resolveReference(node, budget);
    }
    // Children added above are new parts with nothing left to resolve; walk the others.
    const std::size_t count = node.children().size();
    for (std::size_t i = 0; i < count && i < node.children().size(); ++i) {
        makeNodeStorable(*node.children()[i], budget, depth + 1);
    }
}

} // namespace

void makeStorable(items::C3DObject& root, std::size_t copyLimit) {
    std::size_t budget = copyLimit;
    makeNodeStorable(root, budget, 0);
    root.resetSizeCounts();
    root.releaseVertexArrays();
}

bool itemFromModel(ModelFormat format, std::span<const std::uint8_t> bytes, std::int32_t kind,
                   items::C3DItemObject& item, std::string& error) {
    item.reset();
    item.setKind(kind);
    C3DObject* root = item.geometryRoot();
    const int result = importModel(format, bytes, root);
    if (result == kImportBadHeader) {
        error = format == ModelFormat::Vrml  ? "the file does not start with \"#VRML\""
                : format == ModelFormat::Rib ? "the file has no \"WorldBegin\""
                                             : "the file has no \"SECTION\"";
        return false;
    }
    if (!importSucceeded(result) || root == nullptr) {
        error = "the model could not be read";
        return false;
    }
    makeStorable(*root);
    if (!hasImportedGeometry(*root)) {
        error = "the model holds no geometry that can be drawn";
        return false;
    }
    return true;
}

} // namespace import
