// The "Next Piece" panel behind the preview tile: a blue glow, pale in the
// middle and dark at the edges, with "Next Piece" in white serif capitals
// across its top.  The preview tile sits over it at (kPreviewX, kPreviewY),
// so the glow is centred on the tile and the caption keeps to the top 30 rows.
#pragma once

#include <QImage>

namespace lexidrop::tools {

constexpr int kPanelWidth = 104;
constexpr int kPanelHeight = 72;
// Where the window places the preview tile on the panel.
constexpr int kPreviewX = 36;
constexpr int kPreviewY = 33;

// The panel as an opaque kPanelWidth x kPanelHeight picture.
QImage makePanel();

} // namespace lexidrop::tools
