// Geometry of the well: where tiles stand and how they move, in client-area
// pixels, and the conversions between positions and cells both ways.
#pragma once

#include "core/arithmetic.h"

namespace lexidrop {

constexpr int TileSize = 32;   // tile width and height; column and row pitch
constexpr int Columns = 8;     // columns of the well
constexpr int BoardCells = 127; // cells 0..126 of Board: rows 0..15 of 8, the last one short
constexpr int WellLeft = 21;   // Left of column 0; Left moves only while Left > 21
constexpr int RowZeroTop = -9; // Top of row 0, above the well's opening

// Client-area position of a resting tile in a column and row.
constexpr int leftOfColumn(int column) { return WellLeft + TileSize * column; }
constexpr int topOfRow(int row) { return RowZeroTop + TileSize * row; }

// The inverses, unrounded, in single precision as the landing computes
// them: exact for every whole position the rules make.
constexpr float columnOf(float left) { return (left - WellLeft) / TileSize; }
constexpr float rowOf(float top) { return (top - RowZeroTop) / TileSize; }
// The Board cell of a column and row (unrounded while they are).
constexpr float cellOf(float column, float row) { return column + static_cast<float>(Columns) * row; }

constexpr int FloorRow = 14;    // the well's lowest row; row 0 is above its rim
constexpr int SpawnColumn = 3;  // a new tile appears in column 3, row 1
constexpr int SpawnRow = 1;
constexpr int SpawnLeft = leftOfColumn(SpawnColumn); // Left of a new tile
constexpr int SpawnTop = topOfRow(SpawnRow);         // Top of a new tile
constexpr int FloorTop = 437;  // a falling tile at or below this Top lands on the floor
constexpr int FallStep = 8;    // pixels a falling tile sinks per master tick
constexpr int DropStep = 16;   // pixels per Down key
constexpr int RightLimit = 244; // Right moves only while Left < 244
constexpr int DropLimit = 392;  // Down moves only while Top < 392
constexpr int PreviewLeft = 324; // the preview tile, inside the next-piece panel
constexpr int PreviewTop = 55;

// The limits above are the rules' own numbers, not computed from the
// columns and rows; what follows ties each to the well's lattice, so that
// a change to one that breaks a tile's way into its cell does not build.

// A tile in flight stands on the fall lattice: its spawn Top plus whole
// fall steps.  The Top after that many steps from the spawn, and the
// fewest steps from the spawn that reach a given Top below it or pass it.
constexpr int topAfterFallSteps(int steps) { return SpawnTop + FallStep * steps; }
constexpr int fallStepsToReach(int top) { return (top - SpawnTop + FallStep - 1) / FallStep; }

// Row tops lie on the lattice too, so a tile falling onto a stack meets it
// exactly and lands where it stands, without a lift.
static_assert(TileSize % FallStep == 0, "every row's top is a whole number of fall steps from the spawn");

// The tick that finds the tile at or past FloorTop lands it where it
// stands: the first lattice Top there must be the floor row's own.
constexpr int FloorLandingTop = topAfterFallSteps(fallStepsToReach(FloorTop));
static_assert(FloorLandingTop == topOfRow(FloorRow), "a tile lands on the floor exactly in the floor row");

// Master ticks from a spawn in an empty well until the tile rests on the
// floor: the spawn tick makes the first step, and the tick that finds the
// tile at FloorLandingTop lands it without another.
constexpr int FallTicksToFloor = fallStepsToReach(FloorTop) + 1;

// The keys keep a tile on the lattice and in the well.
static_assert(DropStep % FallStep == 0, "a Down key moves the tile by whole fall steps");
static_assert(leftOfColumn(Columns - 2) < RightLimit && RightLimit <= leftOfColumn(Columns - 1),
              "Right moves up to the last column and stops there");

// The lowest Top from which Down still moves a tile: the last lattice Top
// short of DropLimit.
constexpr int LastDropTop = topAfterFallSteps(fallStepsToReach(DropLimit) - 1);
static_assert(LastDropTop + DropStep <= topOfRow(FloorRow), "a Down never carries a tile past the floor row");

// A settle sinks the tiles above a cleared word by one row, SettleStep
// pixels per settle tick, and records them in their new cells at the
// last of the SettleTicks ticks.
constexpr int SettleStep = 8;
constexpr int SettleTicks = TileSize / SettleStep;
static_assert(SettleTicks * SettleStep == TileSize, "a settle ends on the row below");

} // namespace lexidrop
