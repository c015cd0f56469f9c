// Qt key events in the terms the game reads: virtual key codes for key
// down, character codes for key press.
#pragma once

#include <cstdint>

class QKeyEvent;

namespace lexidrop::ui {

// The virtual key code of a Qt key (0 for keys that have none here).
std::int16_t virtualKeyCode(int qtKey);

// The character code a key event typed, or 0 when it typed none.
std::int16_t typedCharacter(const QKeyEvent& event);

} // namespace lexidrop::ui
