#pragma once
#include "model/LineItem.h"

namespace model {

// Heights in levels at both ends of a line: the stored end heights when both are set; 0 on
// the ground layer; else per end the mean of this tile's level and the level of the tile the
// line continues on (this tile's level when it continues nowhere).
void junctionHeights(LineItem& line, double& start, double& end);

// The global (x, z) where a line's end meets the next line: the end point itself, or where
// two long diagonals meet, the midpoint of their two nearly coinciding ends.
void junctionPoint(LineItem& line, bool atEnd, double& x, double& z);

// The recomputation after every editing command: stored heights reset, long diagonals
// straightened between their junction points, ramps rebuilt, for every line the cells
// changed since the last recomputation can reach (the whole board after a bulk change).
// Gives exactly what recomputeAllHeights gives.
void afterEdit();

// The same over every line of the board, whatever changed.
void recomputeAllHeights();

// afterEdit for a model whose lines were all just made (a layout file was read): their
// heights are still unset and they have no ramps, so the reset pass over every point is
// skipped. `longDiagonals` false says that no line has shape 6, which skips the
// straightening pass too.
void afterLoading(bool longDiagonals = true);

} // namespace model
