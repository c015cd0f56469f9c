#include "ui/keys.h"

#include <Qt>

namespace lexidrop::ui {

Key gameKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Left:
        return Key::Left;
    case Qt::Key_Right:
        return Key::Right;
    case Qt::Key_Down:
        return Key::Down;
    default:
        return Key::Other;
    }
}

} // namespace lexidrop::ui
