#pragma once
#include <array>
#include <vector>

namespace model {
class LineItem;
}

namespace render {

// The cross-section of a line kind (scene units): its width across the line, the height of
// its base above the line and its own height; built-in texture numbers of the top and the
// two sides (0 for none). Kind 1 is drawn as two rails on sleepers.
struct LineSection {
    double width = 0.5;
    double baseHeight = 0;
    double sectionHeight = 0.09375;
    int topTexture = 0;
    int sideTexture = 0;
    int otherSideTexture = 0;
    bool rails = false;
};

LineSection lineSection(int kind);

inline constexpr double kRailGauge = 0.25;
inline constexpr double kRailSection = 0.03125;
// Every track line lies this high above its tile's base.
inline constexpr double kBedLift = 0.03125 + 0.0001;
inline constexpr std::array<float, 3> kSleeperColour{0.3529f, 0.1765f, 0.1647f};
inline constexpr std::array<float, 3> kRailColour{0.2f, 0.2353f, 0.3137f};

struct TrackVertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 0;
    float u = 0, v = 0;
};

// The texture number of a mesh drawn with the sleeper pattern: its u counts sleeper periods
// along the line, its v is the sleepers' share of their period, and texels outside a sleeper
// are cut out.
inline constexpr int kSleeperPatternTexture = -1;

// Quads (four vertices each, counter-clockwise seen from outside) of one material.
struct TrackMesh {
    int texture = 0; // built-in texture number, 0 untextured, or kSleeperPatternTexture
    std::array<float, 3> colour{1, 1, 1};
    bool metal = false;
    std::vector<TrackVertex> quads;
};

// How many sleepers a rail line of this length (layout units) carries: int(length × 0.025 ×
// 9 + 2), and none when that figure is 2 or less.
int sleeperCount(double lengthLayoutUnits);

// How a track's sleepers are drawn: as bars, or (where they are too small to see one by one)
// as one strip of their tops along the line, with the sleeper pattern cutting out the gaps.
enum class SleeperForm { Bars, Strip };

// The geometry of one line drawn as `kind`, in the tile's frame (x and z from 0 to the tile
// size, y the line's height in levels × layerHeight), with `fallbackLevel` for points whose
// height is unset. Sleepers, then the left and the right rail for kind 1; one textured bed
// otherwise. A line with fewer than two points gives nothing.
std::vector<TrackMesh> sweepLine(const model::LineItem& line, int kind, double tileSize,
                                 double layerHeight, double fallbackLevel,
                                 SleeperForm sleepers = SleeperForm::Bars);

} // namespace render

namespace model {
class CTrackItem;
}

namespace render {

// Where a tile's support stands: the middle point of its first line with points (tile-local
// scene units), the line's direction from its first to its last point (degrees, about the
// vertical axis), the height of the support's top, and the support's kind (304 or 310 … 315).
struct PierPlacement {
    int kind = 0;
    double x = 0;
    double z = 0;
    double direction = 0;
    double top = 0;
    // The line's own height at its middle point (top before the bed's correction).
    double trackHeight = 0;
};

// False when the tile has no support item (of `kind`, or of any support kind when `kind` is 0)
// or no line with points.
bool pierPlacement(const model::CTrackItem& tile, double tileSize, double layerHeight,
                   PierPlacement& out, int kind = 0);

// A tapered square column about the vertical axis: a `topWidth` square top at `top`, sides
// narrowing from a `footWidth` square at `foot`; the texture repeats every 0.6 tile of height.
// Nothing when the top is not above the foot.
TrackMesh taperedColumn(double top, double foot, double topWidth, double footWidth, int texture,
                        double tileSize);

// The body of an arched support swept along a tile's line (tile frame, like sweepLine): two
// side walls `width` apart from the line's height + `topOffset` down to an arched underside
// that stands on `foot` at both ends of the line and rises to `archRise` of the free height in
// its middle, with the top and the underside closed. Textured all over with `texture`.
// Nothing for a line with fewer than two points or a track not above the foot.
TrackMesh archBody(const model::LineItem& line, double tileSize, double layerHeight,
                   double fallbackLevel, double topOffset, double foot, double width,
                   double archRise, int texture);

} // namespace render
