// The application icon: the "L" tile, drawn afresh at every size, with a
// little room round it for the soft shadow a desktop expects of an icon.
#pragma once

#include <QImage>

#include <array>

namespace lexidrop::tools {

// The sizes of the hicolor icon theme we ship, in pixels.
constexpr std::array<int, 7> kIconSizes{16, 24, 32, 48, 64, 128, 256};

// The icon as a size x size picture with alpha.
QImage makeIcon(int size);

} // namespace lexidrop::tools
