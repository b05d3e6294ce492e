#pragma once

namespace datagen {

class LayoutBuilder;

// The sample layouts, one function each, laid on an empty board of the sample's size.

// Two concentric rings of ground track: the outer one with a passing loop whose points send
// its steam train through a station, the inner one with a station of its own and an electric
// train.
void buildDoubleLoop(LayoutBuilder& builder);
// A ring of monorail beams on the first elevated layer, on concrete piers, with a station and
// a suspended monorail train.
void buildElevatedMonorail(LayoutBuilder& builder);
// A town road ring crossed twice by a railway ring at level crossings, with a car, a bus, a
// truck and a freight train.
void buildTownCrossing(LayoutBuilder& builder);
// A railway ring through a hill in a tunnel and over a lake on an arched bridge, with a
// station and a goods train.
void buildTunnelAndBridge(LayoutBuilder& builder);
// A ring with a passing loop between two points switched by their numbers, a steam locomotive
// that couples two parked wagons on its way, and a shuttle train between two reversing
// points below it.
void buildShuntingYard(LayoutBuilder& builder);

} // namespace datagen
