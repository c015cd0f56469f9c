// Geometry of the well and the numeric helpers that the rules share.
#pragma once

#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace lexidrop {

constexpr int TileSize = 32;   // tile width and height; column and row pitch
constexpr int WellLeft = 21;   // Left of column 0; Left moves only while Left > 21
constexpr int SpawnLeft = 117; // Left of a new tile (column 3)
constexpr int SpawnTop = 23;   // Top of a new tile (row 1)
constexpr int FloorTop = 437;  // a falling tile at or below this Top lands on the floor
constexpr int FallStep = 8;    // pixels per master tick and per settle tick
constexpr int DropStep = 16;   // pixels per Down key
constexpr int RightLimit = 244; // Right moves only while Left < 244
constexpr int DropLimit = 392;  // Down moves only while Top < 392
constexpr int PreviewLeft = 324; // the preview tile, inside the next-piece panel
constexpr int PreviewTop = 55;

constexpr int Columns = 8;     // columns of the well
constexpr int BoardCells = 127; // cells 0..126 of Board

// Client-area position of a resting tile in a column and row.
constexpr int leftOfColumn(int column) { return WellLeft + TileSize * column; }
constexpr int topOfRow(int row) { return TileSize * row - 9; }

// A run-time failure of the rules (an index outside its array, a 16-bit
// overflow).  A landing turns it into game over.
class RuleFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Round to nearest, ties to even, as every position-to-integer conversion does.
inline double roundHalfEven(double value)
{
    const double down = std::floor(value);
    const double diff = value - down;
    if (diff < 0.5) {
        return down;
    }
    if (diff > 0.5) {
        return down + 1.0;
    }
    return std::fmod(down, 2.0) == 0.0 ? down : down + 1.0;
}

// Rounded conversion to a 16-bit integer; out of range is a failure.
inline std::int16_t toInt16(double value)
{
    const double r = roundHalfEven(value);
    if (!(r >= INT16_MIN && r <= INT16_MAX)) {
        throw RuleFailure("16-bit overflow");
    }
    return static_cast<std::int16_t>(r);
}

// 16-bit signed sum; overflow is a failure.
inline std::int16_t add16(int a, int b)
{
    const int sum = a + b;
    if (sum < INT16_MIN || sum > INT16_MAX) {
        throw RuleFailure("16-bit overflow");
    }
    return static_cast<std::int16_t>(sum);
}

} // namespace lexidrop
