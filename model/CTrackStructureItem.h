#pragma once
#include <string>
#include <utility>
#include <vector>

#include "model/CTrackItemobject.h"
#include "model/TileBox.h"

namespace items {
class C3DItemObject;
}

namespace model {

// Structure categories.
enum StructureCategory : int {
    StructureTree = 200,
    StructureWooden = 201,
    StructureBushes = 202,
    StructureItemModel = 9000,
};

// The structure or platform on a tile: a built-in kind (200, 201, 202, drawn by the renderer)
// or an item model (9000) named by its base file name.
class CTrackStructureItem : public CTrackItemobject {
public:
    CTrackStructureItem() = default;
    CTrackStructureItem(int category, std::string modelName)
        : category_(category), modelName_(std::move(modelName)) {}

    int getCategory() const { return category_; }
    const std::string& getModelName() const { return modelName_; }
    void setCategory(int category) { category_ = category; }
    void setModelName(std::string name) { modelName_ = std::move(name); }

    // The shared item model of a category-9000 structure (loaded on first request); null for
    // other categories, a nameless structure or a model that cannot be found or loaded.
    items::C3DItemObject* itemModel() const;

    // Bounds about the tile centre for a tile size `s`, before the structure's orientation:
    // fixed boxes for 200 and 201, the item model's box for 9000 (none when the model is
    // missing or has no geometry), none for 202 and other categories. False when none.
    bool localBounds(double s, SceneBox& out) const;
    bool isWithoutBounds() const;
    // The local bounds turned and mirrored by the structure's orientation, still about the
    // tile centre. False when there are none.
    bool placeBounds(double s, SceneBox& out) const;
    // The boxes of the item model's parts for a tile size `s` (identifier and box, about the
    // tile centre, before orientation); empty for other categories or a missing model.
    std::vector<ContentBox> partBoxes(double s) const;

private:
    int category_ = StructureItemModel;
    std::string modelName_;
};

} // namespace model
