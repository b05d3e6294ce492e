#include "render/ListKeys.h"

namespace render {

std::int32_t tileListKey(int layer, int column, int row, int columns, int level, bool shadowPass) {
    if (layer < 0 || layer > 4 || columns < 1 || columns > 999 || column < 0 || column >= columns ||
        row < 0 || row > 998) {
        return kNoCacheKey;
    }
    const std::int32_t cell = row * columns + column;
    if (shadowPass) {
        return layer * 20'000'000 + 11'000'000 + cell;
    }
    if (level < 0 || level > 9) {
        return kNoCacheKey;
    }
    return (level + layer * 20 + 1) * 1'000'000 + cell;
}

std::int32_t ballastListKey(int column, int row, int columns) {
    const std::int32_t any = tileListKey(0, column, row, columns, 0, false);
    return any == kNoCacheKey ? kNoCacheKey : 101'000'000 + row * columns + column;
}

std::int32_t chunkListKey(int layer, int column, int row, int columns, ChunkPass pass) {
    if (tileListKey(layer, column, row, columns, 0, false) == kNoCacheKey ||
        ((pass == ChunkPass::Ballast || pass == ChunkPass::BallastFromAbove ||
          pass == ChunkPass::BallastFar) &&
         layer != 0)) {
        return kNoCacheKey;
    }
    return 110'000'000 + static_cast<int>(pass) * 1'000'000 + layer * 100'000 +
           (row / kChunkEdge) * 128 + column / kChunkEdge;
}

std::int32_t lineListKey(int shape, int kind, bool shadowPass, int level, int width, int length) {
    int e = 0;
    if (shape >= 2 && shape <= 5) {
        e = shape - 1;
    } else if (shape == 6) {
        if (width == 2 && length == 2) {
            e = 5;
        } else if (width == 2 && length == 4) {
            e = 6;
        } else if (width == 4 && length == 2) {
            e = 7;
        } else if (width == 4 && length == 4) {
            e = 8;
        }
    }
    int f = 0;
    switch (kind) {
    case 2:
        f = 1;
        break;
    case 3:
        f = 2;
        break;
    case 100:
        f = 3;
        break;
    case 101:
        f = 4;
        break;
    default:
        break;
    }
    return level + e * 10 + f * 90 + (shadowPass ? 788 : 337);
}

} // namespace render
