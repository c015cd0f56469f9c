// Qt keys in the terms the game reads.
#pragma once

#include "game/port.h"

namespace lexidrop::ui {

// The game's key for a Qt key: the three arrows it steers with, Other for the rest.
Key gameKey(int qtKey);

} // namespace lexidrop::ui
