#include "items/LegacyNames.h"

#include "items/ItemCatalogue.h"
#include "items/ItemRegistry.h"
#include "platform/TextEncoding.h"

#include <array>
#include <utility>
#include <vector>

namespace items {
namespace {

struct LegacyName {
    std::string_view japanese; // UTF-8
    std::string_view english;
};

constexpr std::array<LegacyName, 38> kLegacyNames = {{
    {"家01.zn3", "House01.zn3"},
    {"家02.zn3", "House02.zn3"},
    {"家03.zn3", "House03.zn3"},
    {"給水塔01.zn3", "WaterTower01.zn3"},
    {"乳牛01.zn3", "Cow01.zn3"},
    {"作業員01.zn3", "Operator01.zn3"},
    {"駅員01.zn3", "StationEmployee01.zn3"},
    {"標識01.zn3", "Signpost01.zn3"},
    {"標識02.zn3", "Signpost02.zn3"},
    {"標識03.zn3", "Signpost03.zn3"},
    {"標識踏切.zn3", "SignpostCrossing.zn3"},
    {"標識踏切2.zn3", "SignpostCrossing2.zn3"},
    {"樹木01.zn3", "Tree01.zn3"},
    {"樹木02.zn3", "Tree02.zn3"},
    {"鉄塔01.zn3", "Tower01.zn3"},
    {"防護柵01.zn3", "ProtectionFence01.zn3"},
    {"防護柵02.zn3", "ProtectionFence02.zn3"},
    {"電柱01.zn3", "UtilityPole01.zn3"},
    {"タンク車.zn3", "OilTankCar01.zn3"},
    {"客車01.zn3", "PassengerCar01.zn3"},
    {"客車01（デッキ付き）.zn3", "PassengerCar01Deck.zn3"},
    {"有蓋車01.zn3", "BoxCar01.zn3"},
    {"無蓋車01.zn3", "GondolaCar01.zn3"},
    {"無蓋車02.zn3", "GondolaCar02.zn3"},
    {"新幹線01（先頭車）.zn3", "Shinkansen01Front.zn3"},
    {"新幹線01（客車）.zn3", "Shinkansen02BoxCar.zn3"},
    {"新幹線01（最後部）.zn3", "Shinkansen03Back.zn3"},
    {"架線柱01.zn3", "WirePillar01.zn3"},
    {"架線柱02.zn3", "WirePillar02.zn3"},
    {"機関庫01.zn3", "EngineHouse01.zn3"},
    {"機関庫02.zn3", "EngineHouse02.zn3"},
    {"機関庫03.zn3", "EngineHouse03.zn3"},
    {"跨線橋01（長）.zn3", "FootBridge01Long.zn3"},
    {"跨線橋02（短）.zn3", "FootBridge02Short.zn3"},
    {"跨線橋03（ホーム無し）.zn3", "FootBridge03NoPlatform.zn3"},
    {"駅ホーム01.zn3", "StationPlatform01.zn3"},
    {"駅ホーム02.zn3", "StationPlatform02.zn3"},
    {"駅ホーム03.zn3", "StationPlatform03.zn3"},
}};

constexpr std::string_view kMisspeltDeckName = "PassengerCar01Deck..zn3";
constexpr std::string_view kDeckName = "PassengerCar01Deck.zn3";

// The Japanese names in Shift-JIS, converted once from the table above.
const std::vector<std::pair<std::string, std::string_view>>& shiftJisNames() {
    static const std::vector<std::pair<std::string, std::string_view>> names = [] {
        std::vector<std::pair<std::string, std::string_view>> converted;
        for (const LegacyName& row : kLegacyNames) {
            if (auto sjis = platform::utf8ToSjis(row.japanese)) {
                converted.emplace_back(std::move(*sjis), row.english);
            }
        }
        return converted;
    }();
    return names;
}

} // namespace

std::string translateLegacyName(std::string_view fileName) {
    for (const auto& [sjis, english] : shiftJisNames()) {
        if (fileName == sjis) {
            return std::string(english);
        }
    }
    for (const LegacyName& row : kLegacyNames) {
        if (fileName == row.japanese) {
            return std::string(row.english);
        }
    }
    if (fileName == kMisspeltDeckName && getItemByFileName(kDeckName) != nullptr) {
        return std::string(kDeckName);
    }
    return {};
}

} // namespace items
