#pragma once

namespace model {

class CTrackItem;

// How a requested point number fares against the number rules.
enum class PointNumberCheck {
    Accepted,
    OutOfRange,  // not in 1 … 999
    AlreadyUsed, // a live point holds it (the tile's own point included)
    NoPoint,     // the tile carries no point
};

// The messages of the renumber dialog (UTF-8).
inline constexpr const char* kPointNumberRangeMessage =
    "ポイント番号は１～９９９の範囲で設定してください。";
inline constexpr const char* kPointNumberUsedMessage =
    "ポイント番号はレイアウト上に既に存在します。他の番号を入力してください。";

// Checks a number as the renumber dialog does, without changing anything.
PointNumberCheck checkPointNumber(int number);

// The renumber dialog's OK: sets the tile's point number when the check accepts it, else
// changes nothing and returns why.
PointNumberCheck renumberPoint(CTrackItem& tile, int number);

// After a layout is read: every point on a board tile of layers 0 … 4 that has no number
// and whose tile is not queued for deletion takes the lowest free number, in layer order
// and, within a layer, row by row.
void assignMissingPointNumbers();

} // namespace model
