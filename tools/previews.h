// Enlarged contact sheets for looking at the art; never shipped.
//
// writePreviews() writes PNG sheets into a directory: letters.png (every
// tile at 4x and as on the board), closeup.png (the hardest capitals at 10x),
// panel.png (the A tile over the panel, as the game shows it), icons.png and
// small_icons.png, and about.png (the written about.gif at 2x).
#pragma once

#include <QString>

namespace lexidrop::tools {

// Writes the sheets into previewDir; `aboutGif` is the GIF just written.
void writePreviews(const QString& previewDir, const QString& aboutGif);

} // namespace lexidrop::tools
