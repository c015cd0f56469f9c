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
constexpr int SpawnLeft = leftOfColumn(3); // Left of a new tile (column 3)
constexpr int SpawnTop = topOfRow(1);      // Top of a new tile (row 1)
constexpr int FloorTop = 437;  // a falling tile at or below this Top lands on the floor
constexpr int FallStep = 8;    // pixels a falling tile sinks per master tick
constexpr int DropStep = 16;   // pixels per Down key
constexpr int RightLimit = 244; // Right moves only while Left < 244
constexpr int DropLimit = 392;  // Down moves only while Top < 392
constexpr int PreviewLeft = 324; // the preview tile, inside the next-piece panel
constexpr int PreviewTop = 55;

// A settle sinks the tiles above a cleared word by one row, SettleStep
// pixels per settle tick, and records them in their new cells at the
// last of the SettleTicks ticks.
constexpr int SettleStep = 8;
constexpr int SettleTicks = TileSize / SettleStep;
static_assert(SettleTicks * SettleStep == TileSize, "a settle ends on the row below");

} // namespace lexidrop
