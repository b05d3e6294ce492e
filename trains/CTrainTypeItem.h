#pragma once
#include "trains/CTrainItem.h"

namespace trains {

// A catalogue entry for a vehicle model: a vehicle that stands nowhere and never runs. It is
// not entered in the controller's list.
class CTrainTypeItem : public CTrainItem {
public:
    CTrainTypeItem() : CTrainItem(nullptr, TypeSteam, {}) {}

    std::int32_t ownTypeCode() const { return ownTypeCode_; }
    void setOwnTypeCode(std::int32_t code) { ownTypeCode_ = code; }
    bool isTypeItem() const override { return true; }

private:
    std::int32_t ownTypeCode_ = TypeSteam;
};

} // namespace trains
