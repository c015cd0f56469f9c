#include "ui/surface.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "ui/accessibility.h"
#include "ui/pictures.h"

namespace lexidrop::ui {

const std::vector<FrameLine>& frameLines()
{
    constexpr QRgb Light = 0xffc0c0ff; // 192, 192, 255
    constexpr QRgb Middle = 0xff8080ff; // 128, 128, 255
    constexpr QRgb Blue = 0xff0000ff;   // 0, 0, 255
    static const std::vector<FrameLine> lines{
        {20, 472, 280, 472, Middle}, // 1: bottom, middle
        {279, 21, 279, 473, Middle}, // 2: right, middle
        {19, 21, 280, 21, Middle},   // 3: top, middle
        {19, 21, 19, 473, Middle},   // 4: left, middle
        {18, 20, 18, 473, Light},    // 5: left, outer
        {279, 20, 18, 20, Light},    // 6: top, outer
        {20, 471, 279, 471, Light},  // 7: bottom, inner
        {278, 22, 278, 471, Light},  // 8: right, inner
        {20, 470, 20, 22, Blue},     // 9: left, inner
        {277, 22, 21, 22, Blue},     // 10: top, inner
        {18, 473, 280, 473, Blue},   // 11: bottom, outer
        {280, 473, 280, 20, Blue},   // 12: right, outer
    };
    return lines;
}

Surface::Surface(QWidget* parent)
    : QWidget(parent), readout_(new PlayFieldReadout(this)),
      storedLetter_(readBitmap(QStringLiteral(":/assets/stored_a.bmp"))),
      panel_(readBitmap(QStringLiteral(":/assets/next_piece.bmp")))
{
    setFixedSize(ClientWidth, ClientHeight);
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, Qt::black);
    setPalette(look);
    // The window itself takes every key: this is its only focusable part.
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Surface::showTile(const Tile& tile)
{
    if (tile.Index < 0) {
        return;
    }
    readout_->tileChanged(tile);
    QRect rect;
    if (tile.Visible) {
        const QPoint at(static_cast<int>(std::lround(tile.Left)), static_cast<int>(std::lround(tile.Top)));
        rect = QRect(at, tileSize(tile.Picture.get(), storedLetter_));
    }
    place(static_cast<std::size_t>(tile.Index), Shown{tile.Picture, tile.Tag, rect});
}

void Surface::removeTile(int index)
{
    readout_->tileUnloaded(index);
    if (index >= 0 && static_cast<std::size_t>(index) < tiles_.size()) {
        place(static_cast<std::size_t>(index), Shown{});
    }
}

void Surface::place(std::size_t index, Shown shown)
{
    if (index >= tiles_.size()) {
        tiles_.resize(index + 1);
    }
    const QRect last = tiles_[index].rect;
    if (canSlide(index, tiles_[index], shown)) {
        // Qt copies the pixels and asks for a paint of the strip left
        // behind.  A repaint of the old square instead would make the X11
        // backing store wait for the server at every tick, since it must
        // not write where the server may still be reading.
        scroll(0, shown.rect.top() - last.top(), last.united(shown.rect));
    } else if (last == shown.rect) {
        update(shown.rect); // same place, maybe a new picture
    } else {
        if (!last.isNull()) {
            update(last);
        }
        if (!shown.rect.isNull()) {
            update(shown.rect);
        }
    }
    repaintAsked_ = true;
    tiles_[index] = std::move(shown);
}

bool Surface::canSlide(std::size_t index, const Shown& last, const Shown& next) const
{
    const int drop = next.rect.top() - last.rect.top();
    // Only onto pixels painted in full: nothing pending that a copy would
    // carry along, and a whole device pixel ratio (a fractional one draws
    // art resampled for the exact place).
    if (repaintAsked_ || devicePixelRatioF() != std::floor(devicePixelRatioF()) || last.rect.isNull() ||
        next.rect.isNull() || next.rect.left() != last.rect.left() || next.rect.size() != last.rect.size() ||
        drop <= 0 || drop >= last.rect.height() || next.picture != last.picture || next.tag != last.tag) {
        return false;
    }
    // Nothing else may lie in the slid area: its pixels would move too.
    const QRect area = last.rect.united(next.rect);
    for (std::size_t other = 0; other < tiles_.size(); ++other) {
        if (other != index && tiles_[other].rect.intersects(area)) {
            return false;
        }
    }
    for (const QObject* child : children()) {
        const auto* widget = qobject_cast<const QWidget*>(child);
        if (widget != nullptr && widget->isVisible() && widget->geometry().intersects(area)) {
            return false;
        }
    }
    return true;
}

QRect Surface::paintedRect(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= tiles_.size()) {
        return {};
    }
    return tiles_[static_cast<std::size_t>(index)].rect;
}

void Surface::paintEvent(QPaintEvent* event)
{
    repaintAsked_ = false;
    QPainter painter(this);
    painter.setClipRegion(event->region());
    // On a screen with a whole device pixel ratio above 1 the painter scales
    // the 32x32 bitmaps up; nearest neighbour keeps their pixel-art edges
    // sharp where smoothing would blur every tile.  A fractional ratio gets
    // copies resampled for it (drawArt).
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.fillRect(event->rect(), Qt::black);

    // Bottom of the stack first: the frame, the panel, then the tiles in
    // index order so that a higher index lies on top.
    for (const FrameLine& line : frameLines()) {
        // Both end points belong to the line.
        const QRect span(QPoint(std::min(line.x1, line.x2), std::min(line.y1, line.y2)),
                         QPoint(std::max(line.x1, line.x2), std::max(line.y1, line.y2)));
        painter.fillRect(span, QColor::fromRgba(line.colour));
    }
    if (!panel_.isNull()) {
        drawArt(painter, QPoint(PanelLeft, PanelTop), panel_, &panelDevice_);
    } else {
        painter.fillRect(PanelRect, QColor(0, 0, 96));
    }
    for (const Shown& tile : tiles_) {
        if (tile.rect.isNull() || !event->region().intersects(tile.rect)) {
            continue;
        }
        drawTile(painter, tile.rect.topLeft(), tile.picture.get(), storedLetter_, tile.tag, &storedDevice_);
    }
}

void Surface::keyPressEvent(QKeyEvent* event)
{
    if (onKey) {
        onKey(event);
    } else {
        QWidget::keyPressEvent(event);
    }
}

} // namespace lexidrop::ui
