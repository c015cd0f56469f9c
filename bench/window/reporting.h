// Reporting the measurements: the figures printed on stdout, and whether
// they meet the window's targets (0 when they do, 1 when not, so that the
// two results can be ORed into the exit status).
#pragma once

#include <vector>

#include "measuring.h"

namespace lexidrop::ui::measure {

// Prints the painted area per tick and per fall step; whether a fall step
// paints little enough.
int reportPainting(const std::vector<TickArea>& ticks, int gamesLost);

// Prints what the key presses found; whether every key showed at once and
// on the loop's own paint before the next tick.
int reportInput(InputTally tally);

} // namespace lexidrop::ui::measure
