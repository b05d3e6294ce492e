#pragma once
#include "tools/datagen/Canvas.h"

// The generators behind builtinPictures(), one function per picture. Each is deterministic:
// its randomness comes from fixed seeds.
namespace datagen::makers {

// Natural ground (TexturesGround.cpp).
Canvas grass();
Canvas leaves();
Canvas rock();
Canvas gravel();
Canvas sand();
Canvas terrainDetail();
Canvas ballast();
Canvas dirtPath();
Canvas hedge();

// Made surfaces (TexturesMade.cpp).
Canvas woodBase();
Canvas brick();
Canvas ashlar();
Canvas stoneWall();
Canvas concrete();
Canvas asphalt();
Canvas road();
Canvas paving();
Canvas planks();
Canvas roofTiles();
Canvas hazardStripes();
Canvas concreteSide();
Canvas beamSideNarrow();
Canvas beamSidePlain();
Canvas beamSideBand();
Canvas beamTop();
Canvas sleepers();
Canvas railSteel();
Canvas checkerPlate();
Canvas ironPlates();
Canvas rust();
Canvas ironLattice();
Canvas cobbles();
Canvas corrugated();

// Sky, water and smoke (TexturesSky.cpp).
Canvas skyBlue1();
Canvas skyBlue2();
Canvas skyCloudy1();
Canvas skyCloudy2();
Canvas skyCloudy3();
Canvas skyNight();
Canvas water(int frame);
Canvas smokePuff();

// Signs and pictures (TexturesPictures.cpp).
Canvas reversingSign();
Canvas namePlate();
Canvas stationBoard();
Canvas digitStrip();
Canvas defaultPiece();
Canvas skyDomeHeights();
Canvas steamLocomotiveTop();
Canvas electricLocomotiveTop();
Canvas boxCarTop();
Canvas automobileTop();

} // namespace datagen::makers
