// lexidrop_geometry_facts FILE: writes the well's geometry, as
// game/geometry.h states it, to FILE as lines of NAME=VALUE (the names as
// there, whole numbers of pixels or ticks).  The build runs it into the
// directory of the programs, where the window scripts read it: they take
// the geometry from the header the game is built with, never from a copy
// of its numbers or from the header's text.
#include <array>
#include <cstdio>

#include "game/geometry.h"

namespace {

struct Fact {
    const char* name;
    int value;
};

using namespace lexidrop;

constexpr std::array Facts{
    Fact{"TileSize", TileSize},
    Fact{"Columns", Columns},
    Fact{"WellLeft", WellLeft},
    Fact{"RowZeroTop", RowZeroTop},
    Fact{"FloorRow", FloorRow},
    Fact{"SpawnColumn", SpawnColumn},
    Fact{"SpawnRow", SpawnRow},
    Fact{"SpawnLeft", SpawnLeft},
    Fact{"SpawnTop", SpawnTop},
    Fact{"FloorTop", FloorTop},
    Fact{"FallStep", FallStep},
    Fact{"DropStep", DropStep},
    Fact{"RightLimit", RightLimit},
    Fact{"DropLimit", DropLimit},
    Fact{"PreviewLeft", PreviewLeft},
    Fact{"PreviewTop", PreviewTop},
    Fact{"FloorLandingTop", FloorLandingTop},
    Fact{"FallTicksToFloor", FallTicksToFloor},
    Fact{"LastDropTop", LastDropTop},
    Fact{"SettleStep", SettleStep},
    Fact{"SettleTicks", SettleTicks},
};

bool writeFacts(std::FILE* file)
{
    for (const Fact& fact : Facts) {
        if (std::fprintf(file, "%s=%d\n", fact.name, fact.value) < 0) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: lexidrop_geometry_facts FILE\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "w");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = writeFacts(file);
    if (std::fclose(file) != 0 || !written) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
