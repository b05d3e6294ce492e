#pragma once
#include <string>
#include <string_view>

namespace items {

// The English item file name for a Japanese file name of older layouts, or "" when the name is
// not in the table. The match is exact, byte for byte, against the Shift-JIS form of the
// Japanese names (as older layout files store them) or their UTF-8 form. The misspelt name
// "PassengerCar01Deck..zn3" translates to "PassengerCar01Deck.zn3" only when getting that item
// by file name succeeds (which loads it when needed).
std::string translateLegacyName(std::string_view fileName);

} // namespace items
