#include "items/geometry/CRIB_Attribute.h"

namespace items {

void CRIB_Attribute::addRecord(RibRecord record) {
    if (record.type == RibRecord::GeneralPolygon || record.type == RibRecord::PointsPolygons) {
        for (std::size_t i = 0; i + 3 <= record.points.size(); i += 3) {
            expandBox(bounds_, {record.points[i], record.points[i + 1], record.points[i + 2]});
        }
    }
    records_.push_back(std::move(record));
}

void CRIB_Attribute::clear() {
    records_.clear();
    bounds_ = kEmptyBox;
}

} // namespace items
