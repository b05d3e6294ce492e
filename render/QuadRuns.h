#pragma once
#include <vector>

#include "render/TrackGeometry.h"

namespace render {

// Joins quads that continue each other in a straight line into one: a quad whose first edge
// (vertices 1 and 0) is another's last edge (vertices 2 and 3), in the same plane, facing the
// same way and running on in the same direction. The joined quad covers exactly the pixels
// of its parts. Textured quads join only where the texture continues: the same coordinates
// per unit of length across the joint, or coordinates that differ there by whole repeats
// (the later quad's are moved by them). `tolerance` is the largest distance between points
// counted as the same. The quads keep the order of their first parts.
std::vector<TrackVertex> joinStraightRuns(const std::vector<TrackVertex>& quads, bool textured,
                                          double tolerance);

} // namespace render
