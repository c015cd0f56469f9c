// The weighted letter table of the generator.
#pragma once

#include <cstdint>
#include <string>

namespace lexidrop {

// Letter for a draw number c (1..128): fixed ranges, "e" where none covers c.
std::string letterForDraw(std::int16_t c);

// Draw number for a uniform u in [0, 1): round-half-to-even(u * 127 + 1).
std::int16_t drawNumber(float u);

} // namespace lexidrop
