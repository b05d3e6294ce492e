#pragma once
#include <string>

#include "model/CTrackItemobject.h"

namespace model {

// The structure or platform on a tile: a built-in kind (200, 201, 202) or an item model
// (9000) named by its file name. Bounds and drawing come with the item model library.
class CTrackStructureItem : public CTrackItemobject {
public:
    CTrackStructureItem() = default;
    CTrackStructureItem(int category, std::string modelName)
        : category_(category), modelName_(std::move(modelName)) {}

    int getCategory() const { return category_; }
    const std::string& getModelName() const { return modelName_; }
    void setCategory(int category) { category_ = category; }
    void setModelName(std::string name) { modelName_ = std::move(name); }

private:
    int category_ = 9000;
    std::string modelName_;
};

} // namespace model
