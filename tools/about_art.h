// The picture of the about window: a night-blue scene with the title
// "LexiDrop", a tag line, and a small well of tiles whose bottom row spells a
// word while a tile falls in.
//
// Only the top-left 206 x 263 pixels show in the about window (the note
// covers the right, the window cuts the bottom), so the title and the well
// live there; the hidden part continues the scene with a line of credit and
// three tumbling tiles.
#pragma once

#include <QImage>

namespace lexidrop::tools {

constexpr int kAboutWidth = 254;
constexpr int kAboutHeight = 367;

// The picture as an opaque kAboutWidth x kAboutHeight image (full colour;
// the GIF writer reduces it to a palette).
QImage makeAbout();

} // namespace lexidrop::tools
