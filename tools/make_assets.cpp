// make_assets: draws every picture LexiDrop ships and writes them into assets/.
//
// Regenerate from the repository root with:
//
//   cmake -S tools -B build-tools -G Ninja && ninja -C build-tools && build-tools/make_assets assets/
//
// Add `--preview DIR` to also write enlarged PNG contact sheets into DIR for
// looking at the art (they are not part of the game).
//
// What it writes:
//   a.bmp .. z.bmp   the 32 x 32 letter tiles, loaded by the game at run time
//   stored_a.bmp     the letter-A tile compiled into the program (preview at start)
//   next_piece.bmp   the 104 x 72 panel behind the preview tile
//   about.gif        the 254 x 367 picture of the about window
//   icons/hicolor/<N>x<N>/apps/org.lexidrop.LexiDrop.png   desktop icons
//
// Every picture is drawn on a canvas several times larger than the output and
// reduced with an exact box filter of our own, and all text is turned into
// glyph outlines before painting.  That keeps the output independent of font
// hinting and of Qt's scaler, so running the generator twice gives the same
// bytes and regenerating never churns git.

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Liberation Serif has the metrics of Times New Roman, the face the window asks for.
constexpr const char* kSerifFamily = "Liberation Serif";

// The tile art is designed on a 32-pixel tile; other sizes scale these figures.
constexpr int kTileSize = 32;
constexpr int kTileSupersample = 8;

// Tile colours: a lighter rim lit from the top left around a blue face.
const QColor kRimTop(196, 214, 255);
const QColor kRimLeft(160, 186, 252);
const QColor kRimRight(106, 140, 238);
const QColor kRimBottom(84, 116, 224);
const QColor kFaceTop(58, 104, 232);
const QColor kFaceBottom(26, 62, 190);
const QColor kEdge(14, 26, 96);
const QColor kLetterOutline(6, 14, 78);
const QColor kLetterFill(255, 255, 255);

// ---------------------------------------------------------------------------
// Exact box-filter reduction in linear light.  Antialiased white on blue keeps
// its weight this way, and converting back through the same fixed table makes
// a flat colour come out exactly as it went in.

struct LinearTable {
  std::array<double, 256> toLinear{};
  LinearTable() {
    for (int i = 0; i < 256; ++i) {
      const double c = i / 255.0;
      toLinear[static_cast<std::size_t>(i)] =
          c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
  }
  int toSrgb(double linear) const {
    // Nearest table entry: the inverse of the table above, so a flat colour
    // reduces to exactly itself.
    const auto it = std::lower_bound(toLinear.begin(), toLinear.end(), linear);
    if (it == toLinear.begin()) return 0;
    if (it == toLinear.end()) return 255;
    const auto hi = static_cast<int>(it - toLinear.begin());
    const double dHi = *it - linear;
    const double dLo = linear - toLinear[static_cast<std::size_t>(hi - 1)];
    return dLo <= dHi ? hi - 1 : hi;
  }
};

const LinearTable& linearTable() {
  static const LinearTable table;
  return table;
}

// Reduces a premultiplied ARGB canvas by an integer factor.  Colour is
// averaged in linear light weighted by coverage; alpha is averaged directly.
QImage reduce(const QImage& big, int factor, bool keepAlpha) {
  const QImage src = big.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const int w = src.width() / factor;
  const int h = src.height() / factor;
  const auto& lin = linearTable();
  QImage out(w, h, keepAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB888);
  const double n = static_cast<double>(factor) * factor;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < factor; ++sy) {
        const auto* line = reinterpret_cast<const QRgb*>(src.constScanLine(y * factor + sy));
        for (int sx = 0; sx < factor; ++sx) {
          const QRgb p = line[x * factor + sx];
          const int pa = qAlpha(p);
          if (pa == 0) continue;
          const double wgt = pa / 255.0;
          // Un-premultiply to look the colour up, then weight by coverage.
          const auto un = [&](int c) { return std::min(255, (c * 255 + pa / 2) / pa); };
          r += lin.toLinear[static_cast<std::size_t>(un(qRed(p)))] * wgt;
          g += lin.toLinear[static_cast<std::size_t>(un(qGreen(p)))] * wgt;
          b += lin.toLinear[static_cast<std::size_t>(un(qBlue(p)))] * wgt;
          a += wgt;
        }
      }
      QColor c(0, 0, 0, 0);
      if (a > 0) {
        c = QColor(lin.toSrgb(r / a), lin.toSrgb(g / a), lin.toSrgb(b / a),
                   keepAlpha ? std::clamp(static_cast<int>(std::lround(a / n * 255.0)), 0, 255) : 255);
      }
      out.setPixelColor(x, y, c);
    }
  }
  return out;
}

QImage canvas(int w, int h, const QColor& fill) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(fill);
  return img;
}

// ---------------------------------------------------------------------------
// Text as outlines.

QFont serifFont(double pixelSize, bool bold = true, bool italic = false) {
  QFont f(kSerifFamily);
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
  f.setBold(bold);
  f.setItalic(italic);
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setKerning(true);
  return f;
}

// The glyph outlines of `text`, baseline at y = 0, starting at x = 0.
QPainterPath textPath(const QString& text, const QFont& font) {
  QPainterPath path;
  path.addText(0, 0, font, text);
  return path;
}

// Cap height of the face at this size, measured from the outline of "H".
double capHeight(const QFont& font) {
  return -textPath(QStringLiteral("H"), font).boundingRect().top();
}

// Paints an outline-then-fill text path: the stroke is drawn first and the fill
// over it, so only the outer half of the stroke shows and counters stay open.
void paintOutlinedText(QPainter& p, const QPainterPath& path, const QColor& fill,
                       const QColor& outline, double outlineWidth) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(outline, outlineWidth * 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPath(path);
}

// ---------------------------------------------------------------------------
// The tile.

// Paints one tile into `rect` (canvas units).  `px` is the number of canvas
// units per output pixel, so rim widths land on whole output pixels.
void paintTile(QPainter& p, const QRectF& rect, QChar letter, double px) {
  const double outSize = rect.width() / px;
  const double rim = std::max(1.0, std::round(3.0 * outSize / kTileSize)) * px;
  const double edge = px;  // a one-pixel darker edge separates neighbouring tiles
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);

  const QRectF outer = rect;
  const QRectF lit = outer.adjusted(0, 0, -edge, -edge);
  const QRectF face = lit.adjusted(rim, rim, -rim, -rim);

  // The dark edge only on the right and bottom: a shadow line, as if the tile
  // stood slightly raised on the board.
  p.setBrush(kEdge);
  p.drawRect(outer);

  // Four bevel trapezoids between the lit square and the face.
  const auto quad = [&](QPointF a, QPointF b, QPointF c, QPointF d, const QColor& col) {
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.lineTo(d);
    path.closeSubpath();
    p.setBrush(col);
    p.drawPath(path);
  };
  quad(lit.topLeft(), lit.topRight(), face.topRight(), face.topLeft(), kRimTop);
  quad(lit.topLeft(), face.topLeft(), face.bottomLeft(), lit.bottomLeft(), kRimLeft);
  quad(lit.topRight(), lit.bottomRight(), face.bottomRight(), face.topRight(), kRimRight);
  quad(lit.bottomLeft(), face.bottomLeft(), face.bottomRight(), lit.bottomRight(), kRimBottom);

  QLinearGradient grad(face.topLeft(), face.bottomRight());
  grad.setColorAt(0.0, kFaceTop);
  grad.setColorAt(1.0, kFaceBottom);
  p.setBrush(grad);
  p.drawRect(face);

  // A faint highlight along the inner top of the face catches the light.
  QLinearGradient shine(face.topLeft(), QPointF(face.left(), face.top() + face.height() * 0.45));
  shine.setColorAt(0.0, QColor(255, 255, 255, 46));
  shine.setColorAt(1.0, QColor(255, 255, 255, 0));
  p.setBrush(shine);
  p.drawRect(face);

  if (!letter.isNull()) {
    // Cap height about 60% of the tile: large enough to read at a glance in
    // the well, small enough to keep the outline clear of the rim.
    const double outline = std::max(0.75, 1.2 * outSize / kTileSize) * px;
    // Outlines are taken at a large reference size and scaled to the exact
    // cap height wanted, since font pixel sizes are whole numbers.
    const QFont font = serifFont(200);
    const double wantCap = outSize * 0.58 * px;
    QPainterPath glyph = textPath(QString(letter), font);
    const double s = wantCap / capHeight(font);
    QRectF box = QTransform::fromScale(s, s).map(glyph).boundingRect();
    // Wide capitals (M, W) are narrowed so they keep a margin inside the face.
    const double maxWidth = face.width() - 2.6 * outline;
    const double sx = box.width() > maxWidth ? s * maxWidth / box.width() : s;
    glyph = QTransform::fromScale(sx, s).map(glyph);
    box = glyph.boundingRect();
    // Centre horizontally by the ink, vertically by the cap height so every
    // letter shares one baseline (Q's tail hangs below it).
    const double cx = face.center().x() - box.center().x();
    double baseline = face.center().y() + wantCap / 2.0 - 0.02 * outSize * px;
    // A tail that would run into the rim (Q) lifts its letter by half the
    // overlap: the rest may touch the rim, which reads better than a small Q.
    const double overflow = baseline + box.bottom() - (face.bottom() - outline);
    if (overflow > 0) baseline -= overflow / 2.0;
    glyph.translate(cx, baseline);

    // Soft shadow down and to the right gives the letter some relief; on the
    // smallest icons it would only muddy the stems.
    if (outSize >= 20) {
      const double off = 0.9 * px * outSize / kTileSize;
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(QColor(0, 6, 50, 150), outline * 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPath(glyph.translated(off, off));
    }
    paintOutlinedText(p, glyph, kLetterFill, kLetterOutline, outline);
  }
  p.restore();
}

QImage makeTile(QChar letter, int size, bool keepAlpha = false) {
  const int k = kTileSupersample;
  QImage big = canvas(size * k, size * k, Qt::transparent);
  QPainter p(&big);
  paintTile(p, QRectF(0, 0, size * k, size * k), letter, k);
  p.end();
  return reduce(big, k, keepAlpha);
}

// ---------------------------------------------------------------------------
// The "Next Piece" panel.  The preview tile sits over it at (36, 33), so the
// glow is centred on the tile and the caption keeps to the top 30 pixels.

constexpr int kPanelW = 104;
constexpr int kPanelH = 72;
constexpr int kPreviewX = 36;
constexpr int kPreviewY = 33;

QImage makePanel() {
  const int k = 8;
  QImage big = canvas(kPanelW * k, kPanelH * k, Qt::black);
  QPainter p(&big);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);

  const QPointF centre((kPreviewX + kTileSize / 2.0) * k, (kPreviewY + kTileSize / 2.0 - 6) * k);
  QRadialGradient glow(centre, 62.0 * k);
  glow.setColorAt(0.00, QColor(240, 246, 255));
  glow.setColorAt(0.30, QColor(184, 208, 255));
  glow.setColorAt(0.55, QColor(92, 132, 242));
  glow.setColorAt(0.80, QColor(30, 58, 190));
  glow.setColorAt(1.00, QColor(6, 12, 84));
  p.setBrush(glow);
  p.drawRect(QRectF(0, 0, kPanelW * k, kPanelH * k));

  // Darken the rim a little more so the panel reads as a lit recess.
  const double w = kPanelW * k, h = kPanelH * k;
  const auto vignette = [&](QPointF from, QPointF to) {
    QLinearGradient g(from, to);
    g.setColorAt(0.0, QColor(0, 4, 48, 150));
    g.setColorAt(1.0, QColor(0, 4, 48, 0));
    p.setBrush(g);
    p.drawRect(QRectF(0, 0, w, h));
  };
  vignette(QPointF(0, 0), QPointF(7 * k, 0));
  vignette(QPointF(w, 0), QPointF(w - 7 * k, 0));
  vignette(QPointF(0, h), QPointF(0, h - 6 * k));

  // The caption: as wide as the panel allows, baseline within the top 30 rows.
  const QString caption = QStringLiteral("Next Piece");
  const QFont font = serifFont(22.0 * k);
  QPainterPath text = textPath(caption, font);
  QRectF box = text.boundingRect();
  const double wantWidth = 94.0 * k;
  const double s = wantWidth / box.width();
  text = QTransform::fromScale(s, s).map(text);
  box = text.boundingRect();
  // Centred, the ink's top edge five rows below the panel's top.
  const double capTop = 5.0 * k;
  text.translate((w - box.width()) / 2.0 - box.left(), capTop - box.top());

  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0, 8, 60, 170), 2.6 * k, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(text.translated(0.8 * k, 1.0 * k));
  paintOutlinedText(p, text, Qt::white, QColor(8, 20, 96), 0.9 * k);
  p.end();
  return reduce(big, k, false);
}

// ---------------------------------------------------------------------------
// The about picture.  Only its top-left 206 x 263 pixels show in the about
// window (the note covers the right, the window cuts the bottom), so the title
// and the well live there and the hidden part just continues the scene.

constexpr int kAboutW = 254;
constexpr int kAboutH = 367;

QImage makeAbout() {
  const int k = 4;
  const double W = kAboutW * k, H = kAboutH * k;
  QImage big = canvas(kAboutW * k, kAboutH * k, Qt::black);
  QPainter p(&big);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);

  QLinearGradient sky(0, 0, 0, H);
  sky.setColorAt(0.0, QColor(16, 30, 104));
  sky.setColorAt(0.55, QColor(6, 12, 58));
  sky.setColorAt(1.0, QColor(2, 4, 26));
  p.setBrush(sky);
  p.drawRect(QRectF(0, 0, W, H));

  QRadialGradient halo(QPointF(103 * k, 40 * k), 120.0 * k);
  halo.setColorAt(0.0, QColor(90, 130, 255, 90));
  halo.setColorAt(1.0, QColor(90, 130, 255, 0));
  p.setBrush(halo);
  p.drawRect(QRectF(0, 0, W, H));

  // Title.
  {
    QPainterPath title = textPath(QStringLiteral("LexiDrop"), serifFont(40.0 * k));
    const double s = 172.0 * k / title.boundingRect().width();
    title = QTransform::fromScale(s, s).map(title);
    const QRectF box = title.boundingRect();
    title.translate(103.0 * k - box.center().x(), 14.0 * k - box.top());
    for (int i = 4; i >= 1; --i) {
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(QColor(80, 130, 255, 28), (i * 2.2) * k, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPath(title);
    }
    paintOutlinedText(p, title, Qt::white, QColor(8, 20, 96), 1.0 * k);

    QPainterPath tag = textPath(QStringLiteral("a falling-letter word game"), serifFont(12.0 * k, false, true));
    const QRectF tb = tag.boundingRect();
    tag.translate(103.0 * k - tb.center().x(), 66.0 * k - tb.top());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(176, 198, 255));
    p.drawPath(tag);
  }

  // The well: five columns of tiles inside the game's three-line frame.
  constexpr int cols = 5;
  const double wellX = 23, wellY = 88, wellBottom = 254;
  const double wellW = cols * kTileSize;
  const auto frame = [&](double inset, const QColor& topLeft, const QColor& bottomRight) {
    const double l = (wellX - inset) * k, t = (wellY - inset) * k;
    const double r = (wellX + wellW + inset - 1) * k, b = (wellBottom + inset - 1) * k;
    p.setBrush(topLeft);
    p.drawRect(QRectF(l, t, r - l + k, k));
    p.drawRect(QRectF(l, t, k, b - t + k));
    p.setBrush(bottomRight);
    p.drawRect(QRectF(r, t, k, b - t + k));
    p.drawRect(QRectF(l, b, r - l + k, k));
  };
  p.setBrush(QColor(0, 0, 0, 120));
  p.drawRect(QRectF(wellX * k, wellY * k, wellW * k, (wellBottom - wellY) * k));
  frame(1, QColor(0, 0, 255), QColor(192, 192, 255));
  frame(2, QColor(128, 128, 255), QColor(128, 128, 255));
  frame(3, QColor(192, 192, 255), QColor(0, 0, 255));

  const auto tileAt = [&](double col, double top, QChar ch, int alpha = 255) {
    p.setOpacity(alpha / 255.0);
    paintTile(p, QRectF((wellX + col * kTileSize) * k, top * k, kTileSize * k, kTileSize * k), ch, k);
    p.setOpacity(1.0);
  };
  const double row1 = wellBottom - kTileSize;      // bottom row
  const double row2 = wellBottom - 2 * kTileSize;  // second row
  // Settled stack: the bottom row spells a word.
  tileAt(0, row1, QLatin1Char('W'));
  tileAt(1, row1, QLatin1Char('O'));
  tileAt(2, row1, QLatin1Char('R'));
  tileAt(3, row1, QLatin1Char('D'));
  tileAt(4, row1, QLatin1Char('S'));
  tileAt(0, row2, QLatin1Char('T'));
  tileAt(3, row2, QLatin1Char('E'));
  // A falling tile with a fading trail above it.
  const double fallTop = wellY + 40;
  {
    QLinearGradient trail(0, (fallTop - 44) * k, 0, fallTop * k);
    trail.setColorAt(0.0, QColor(90, 130, 255, 0));
    trail.setColorAt(1.0, QColor(90, 130, 255, 120));
    p.setBrush(trail);
    p.drawRect(QRectF((wellX + 2 * kTileSize + 2) * k, (fallTop - 44) * k, (kTileSize - 4) * k, 44.0 * k));
  }
  tileAt(2, fallTop, QLatin1Char('P'));

  // Below the visible part: a quiet line of credit.
  {
    QPainterPath credit = textPath(QStringLiteral("made by the LexiDrop developers"), serifFont(11.0 * k, false, true));
    const QRectF cb = credit.boundingRect();
    credit.translate(W / 2.0 - cb.center().x(), 300.0 * k - cb.top());
    p.setBrush(QColor(140, 164, 230));
    p.drawPath(credit);
    // Three loose tiles, tumbling.
    const std::array<QChar, 3> loose{QLatin1Char('L'), QLatin1Char('E'), QLatin1Char('X')};
    for (std::size_t i = 0; i < loose.size(); ++i) {
      const double x = (62.0 + 48.0 * static_cast<double>(i)) * k;
      const double y = 322.0 * k;
      p.save();
      p.translate(x + 16 * k, y + 16 * k);
      p.rotate(-12.0 + 12.0 * static_cast<double>(i));
      paintTile(p, QRectF(-16 * k, -16 * k, 32 * k, 32 * k), loose[i], k);
      p.restore();
    }
  }
  p.end();
  return reduce(big, k, false);
}

// ---------------------------------------------------------------------------
// GIF89a encoder: median-cut palette of at most 256 colours, nearest-colour
// mapping, variable-width LZW.  Qt reads GIF but cannot write it.

struct Box {
  std::vector<std::uint32_t> colours;  // 0xRRGGBB, one entry per distinct colour
  std::vector<std::uint32_t> counts;   // pixels of each colour
};

int channel(std::uint32_t c, int ch) { return static_cast<int>((c >> (16 - 8 * ch)) & 0xff); }

std::vector<std::uint32_t> medianCut(const QImage& img, std::size_t maxColours) {
  std::map<std::uint32_t, std::uint32_t> histogram;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) ++histogram[img.pixel(x, y) & 0xffffff];

  std::vector<Box> boxes(1);
  for (const auto& [c, n] : histogram) {
    boxes[0].colours.push_back(c);
    boxes[0].counts.push_back(n);
  }
  const auto spread = [](const Box& b, int ch) {
    int lo = 255, hi = 0;
    for (auto c : b.colours) {
      lo = std::min(lo, channel(c, ch));
      hi = std::max(hi, channel(c, ch));
    }
    return hi - lo;
  };
  const auto population = [](const Box& b) {
    std::uint64_t n = 0;
    for (auto c : b.counts) n += c;
    return n;
  };
  const auto squaredError = [](const Box& b) {
    std::array<double, 3> sum{}, sq{};
    double n = 0;
    for (std::size_t i = 0; i < b.colours.size(); ++i) {
      const double w = b.counts[i];
      for (int ch = 0; ch < 3; ++ch) {
        const double v = channel(b.colours[i], ch);
        sum[static_cast<std::size_t>(ch)] += w * v;
        sq[static_cast<std::size_t>(ch)] += w * v * v;
      }
      n += w;
    }
    double e = 0;
    for (std::size_t ch = 0; ch < 3; ++ch) e += sq[ch] - sum[ch] * sum[ch] / n;
    return e;
  };
  while (boxes.size() < maxColours) {
    // Split the box with the largest squared error about its mean colour, so
    // smooth gradients covering many pixels get their share of entries.
    std::size_t best = boxes.size();
    double bestScore = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].colours.size() < 2) continue;
      const double score = squaredError(boxes[i]);
      if (score > bestScore) {
        bestScore = score;
        best = i;
      }
    }
    if (best == boxes.size()) break;
    Box& b = boxes[best];
    const int s0 = spread(b, 0), s1 = spread(b, 1), s2 = spread(b, 2);
    const int ch = s0 >= s1 && s0 >= s2 ? 0 : (s1 >= s2 ? 1 : 2);
    std::vector<std::size_t> order(b.colours.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t c) {
      return channel(b.colours[a], ch) < channel(b.colours[c], ch);
    });
    // Cut at the pixel median, keeping at least one colour on each side.
    const std::uint64_t half = population(b) / 2;
    std::uint64_t run = 0;
    std::size_t cut = 1;
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
      run += b.counts[order[i]];
      cut = i + 1;
      if (run >= half) break;
    }
    Box lo, hi;
    for (std::size_t i = 0; i < order.size(); ++i) {
      Box& dst = i < cut ? lo : hi;
      dst.colours.push_back(b.colours[order[i]]);
      dst.counts.push_back(b.counts[order[i]]);
    }
    boxes[best] = std::move(lo);
    boxes.push_back(std::move(hi));
  }
  std::vector<std::uint32_t> palette;
  for (const Box& b : boxes) {
    double r = 0, g = 0, bl = 0, n = 0;
    for (std::size_t i = 0; i < b.colours.size(); ++i) {
      r += channel(b.colours[i], 0) * static_cast<double>(b.counts[i]);
      g += channel(b.colours[i], 1) * static_cast<double>(b.counts[i]);
      bl += channel(b.colours[i], 2) * static_cast<double>(b.counts[i]);
      n += b.counts[i];
    }
    const auto avg = [&](double v) { return static_cast<std::uint32_t>(std::lround(v / n)); };
    palette.push_back((avg(r) << 16) | (avg(g) << 8) | avg(bl));
  }
  return palette;
}

std::vector<std::uint8_t> mapToPalette(const QImage& img, const std::vector<std::uint32_t>& palette) {
  std::map<std::uint32_t, std::uint8_t> cache;
  std::vector<std::uint8_t> indices;
  indices.reserve(static_cast<std::size_t>(img.width()) * static_cast<std::size_t>(img.height()));
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      const std::uint32_t c = img.pixel(x, y) & 0xffffff;
      auto it = cache.find(c);
      if (it == cache.end()) {
        std::size_t best = 0;
        long bestD = -1;
        for (std::size_t i = 0; i < palette.size(); ++i) {
          long d = 0;
          for (int ch = 0; ch < 3; ++ch) {
            const long diff = channel(c, ch) - channel(palette[i], ch);
            d += diff * diff;
          }
          if (bestD < 0 || d < bestD) {
            bestD = d;
            best = i;
          }
        }
        it = cache.emplace(c, static_cast<std::uint8_t>(best)).first;
      }
      indices.push_back(it->second);
    }
  }
  return indices;
}

// LZW with the GIF conventions: clear code, end code, codes up to 12 bits,
// least significant bit first, packed into sub-blocks of at most 255 bytes.
std::vector<std::uint8_t> lzw(const std::vector<std::uint8_t>& indices, int minCodeSize) {
  const int clearCode = 1 << minCodeSize;
  const int endCode = clearCode + 1;
  std::vector<std::uint8_t> bytes;
  std::uint32_t bitBuffer = 0;
  int bitCount = 0;
  int codeSize = minCodeSize + 1;
  const auto putCode = [&](int code) {
    bitBuffer |= static_cast<std::uint32_t>(code) << bitCount;
    bitCount += codeSize;
    while (bitCount >= 8) {
      bytes.push_back(static_cast<std::uint8_t>(bitBuffer & 0xff));
      bitBuffer >>= 8;
      bitCount -= 8;
    }
  };
  std::map<std::pair<int, int>, int> table;  // (prefix code, next index) -> code
  int nextCode = endCode + 1;
  putCode(clearCode);
  if (!indices.empty()) {
    int prefix = indices[0];
    for (std::size_t i = 1; i < indices.size(); ++i) {
      const int k = indices[i];
      const auto it = table.find({prefix, k});
      if (it != table.end()) {
        prefix = it->second;
        continue;
      }
      putCode(prefix);
      if (nextCode < 4096) {
        table[{prefix, k}] = nextCode++;
        // The decoder widens its codes once the last code of this width is
        // taken, one step behind us: widen when nextCode passes the limit.
        if (nextCode > (1 << codeSize) && codeSize < 12) ++codeSize;
      } else {
        putCode(clearCode);
        table.clear();
        nextCode = endCode + 1;
        codeSize = minCodeSize + 1;
      }
      prefix = k;
    }
    putCode(prefix);
  }
  putCode(endCode);
  if (bitCount > 0) bytes.push_back(static_cast<std::uint8_t>(bitBuffer & 0xff));

  std::vector<std::uint8_t> blocks;
  for (std::size_t i = 0; i < bytes.size(); i += 255) {
    const std::size_t n = std::min<std::size_t>(255, bytes.size() - i);
    blocks.push_back(static_cast<std::uint8_t>(n));
    blocks.insert(blocks.end(), bytes.begin() + static_cast<long>(i), bytes.begin() + static_cast<long>(i + n));
  }
  blocks.push_back(0);
  return blocks;
}

struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> palette;
  std::vector<std::uint8_t> indices;
};

IndexedImage quantise(const QImage& img) {
  IndexedImage out;
  out.width = img.width();
  out.height = img.height();
  out.palette = medianCut(img, 256);
  out.indices = mapToPalette(img, out.palette);
  return out;
}

std::vector<std::uint8_t> encodeGif(const IndexedImage& img) {
  std::vector<std::uint8_t> out;
  const auto put16 = [&](int v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xff));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xff));
  };
  // Global colour table size: the smallest power of two that holds the palette.
  int bits = 1;
  while ((1u << bits) < img.palette.size()) ++bits;
  const std::size_t tableSize = std::size_t{1} << bits;

  for (char c : std::string("GIF89a")) out.push_back(static_cast<std::uint8_t>(c));
  put16(img.width);
  put16(img.height);
  out.push_back(static_cast<std::uint8_t>(0x80 | ((8 - 1) << 4) | (bits - 1)));  // global table, 8-bit source
  out.push_back(0);                                                            // background index
  out.push_back(0);                                                            // square pixels
  for (std::size_t i = 0; i < tableSize; ++i) {
    const std::uint32_t c = i < img.palette.size() ? img.palette[i] : 0;
    out.push_back(static_cast<std::uint8_t>(channel(c, 0)));
    out.push_back(static_cast<std::uint8_t>(channel(c, 1)));
    out.push_back(static_cast<std::uint8_t>(channel(c, 2)));
  }
  out.push_back(0x2c);  // image descriptor
  put16(0);
  put16(0);
  put16(img.width);
  put16(img.height);
  out.push_back(0);  // no local table, not interlaced
  const int minCodeSize = std::max(2, bits);
  out.push_back(static_cast<std::uint8_t>(minCodeSize));
  const auto data = lzw(img.indices, minCodeSize);
  out.insert(out.end(), data.begin(), data.end());
  out.push_back(0x3b);  // trailer
  return out;
}

// ---------------------------------------------------------------------------
// Output.

void fail(const QString& what) { throw std::runtime_error(what.toStdString()); }

void writeBytes(const QString& path, const std::vector<std::uint8_t>& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) fail("cannot write " + path);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

QByteArray readBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) fail("cannot read " + path);
  return f.readAll();
}

int le16(const QByteArray& b, int at) {
  return static_cast<std::uint8_t>(b[at]) | (static_cast<std::uint8_t>(b[at + 1]) << 8);
}

// Writes a 24-bit Windows bitmap and checks the header the game relies on.
void writeBmp(const QImage& img, const QString& path) {
  QImage rgb = img.convertToFormat(QImage::Format_RGB888);
  rgb.setDotsPerMeterX(2835);
  rgb.setDotsPerMeterY(2835);
  if (!rgb.save(path, "BMP")) fail("cannot write " + path);
  const QByteArray b = readBytes(path);
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') fail(path + " is not a Windows bitmap");
  if (le16(b, 18) != img.width() || le16(b, 22) != img.height()) fail(path + " has the wrong size");
  if (le16(b, 28) != 24) fail(path + " is not 24 bits per pixel");
  const QImage back(path);
  if (back.isNull() || back.convertToFormat(QImage::Format_RGB888) != rgb) fail(path + " does not read back");
}

void writePng(const QImage& img, const QString& path) {
  QImage out = img;
  out.setDotsPerMeterX(2835);
  out.setDotsPerMeterY(2835);
  if (!out.save(path, "PNG")) fail("cannot write " + path);
}

void writeGif(const QImage& img, const QString& path) {
  const IndexedImage indexed = quantise(img.convertToFormat(QImage::Format_RGB32));
  writeBytes(path, encodeGif(indexed));
  // Decode with Qt and compare every pixel with what we meant to store.
  const QImage back = QImage(path).convertToFormat(QImage::Format_RGB32);
  if (back.isNull()) fail(path + " does not load");
  if (back.width() != indexed.width || back.height() != indexed.height) fail(path + " has the wrong size");
  for (int y = 0; y < back.height(); ++y)
    for (int x = 0; x < back.width(); ++x) {
      const auto i = static_cast<std::size_t>(y) * static_cast<std::size_t>(indexed.width) + static_cast<std::size_t>(x);
      if ((back.pixel(x, y) & 0xffffff) != indexed.palette[indexed.indices[i]])
        fail(path + QStringLiteral(" decodes differently at %1,%2").arg(x).arg(y));
    }
}

// Icons: the "L" tile drawn afresh at every size, with a little room round it
// for the drop shadow the desktop expects of an application icon.
QImage makeIcon(int size) {
  const int k = kTileSupersample;
  const int margin = size / 16;
  const int tile = size - 2 * margin;
  QImage big = canvas(size * k, size * k, Qt::transparent);
  QPainter p(&big);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  if (margin > 0) {
    for (int i = 0; i < 4; ++i) {
      const double grow = (margin * (4 - i) / 4.0) * k * 0.8;
      p.setBrush(QColor(0, 0, 30, 28));
      p.drawRoundedRect(QRectF(margin * k - grow * 0.5, margin * k - grow * 0.2, tile * k + grow, tile * k + grow),
                        grow * 0.6, grow * 0.6);
    }
  }
  paintTile(p, QRectF(margin * k, margin * k, tile * k, tile * k), QLatin1Char('L'), k);
  p.end();
  return reduce(big, k, true);
}

constexpr std::array<int, 7> kIconSizes{16, 24, 32, 48, 64, 128, 256};

// Enlarged contact sheets for looking at the art; never shipped.
void writePreviews(const QString& dir) {
  QDir().mkpath(dir);
  const auto nearest = [](const QImage& img, int f) {
    return img.scaled(img.width() * f, img.height() * f, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  };
  // All letters at 1x (as on the board, touching) and at 4x.
  QImage sheet(13 * 32 * 4 + 16, 2 * 32 * 4 + 16 + 2 * 32 + 24, QImage::Format_RGB32);
  sheet.fill(Qt::black);
  {
    QPainter p(&sheet);
    for (int i = 0; i < 26; ++i) {
      const QImage t = makeTile(QChar('A' + i), 32);
      p.drawImage(8 + (i % 13) * 128, 8 + (i / 13) * 128, nearest(t, 4));
      p.drawImage(8 + (i % 13) * 32, 2 * 128 + 24 + (i / 13) * 32, t);
    }
  }
  writePng(sheet, dir + "/letters.png");

  // A close look at the hardest capitals, pixel by pixel.
  const QString hard = QStringLiteral("AQWMGS");
  QImage close(static_cast<int>(hard.size()) * (320 + 8) + 8, 336, QImage::Format_RGB32);
  close.fill(Qt::black);
  {
    QPainter p(&close);
    for (qsizetype i = 0; i < hard.size(); ++i)
      p.drawImage(8 + static_cast<int>(i) * 328, 8, nearest(makeTile(hard[i], 32), 10));
  }
  writePng(close, dir + "/closeup.png");

  QImage panel = makePanel().convertToFormat(QImage::Format_RGB32);
  {
    QPainter p(&panel);
    p.drawImage(kPreviewX, kPreviewY, makeTile(QLatin1Char('A'), 32));
  }
  QImage panelSheet(104 * 4 + 16 + 104 + 8, 72 * 4 + 16, QImage::Format_RGB32);
  panelSheet.fill(Qt::black);
  {
    QPainter p(&panelSheet);
    p.drawImage(8, 8, nearest(panel, 4));
    p.drawImage(104 * 4 + 16, 8, panel);
  }
  writePng(panelSheet, dir + "/panel.png");

  QImage icons(16 + 24 + 32 + 48 + 64 + 128 + 256 + 8 * 8, 256 + 16, QImage::Format_RGB32);
  icons.fill(QColor(200, 200, 200));
  {
    QPainter p(&icons);
    int x = 8;
    for (int s : kIconSizes) {
      p.drawImage(x, 8, makeIcon(s));
      x += s + 8;
    }
  }
  writePng(icons, dir + "/icons.png");

  QImage smallIcons(16 * 8 + 24 * 8 + 32 * 8 + 32, 32 * 8 + 16, QImage::Format_RGB32);
  smallIcons.fill(QColor(200, 200, 200));
  {
    QPainter p(&smallIcons);
    p.drawImage(8, 8, nearest(makeIcon(16), 8));
    p.drawImage(16 + 128, 8, nearest(makeIcon(24), 8));
    p.drawImage(24 + 128 + 192, 8, nearest(makeIcon(32), 8));
  }
  writePng(smallIcons, dir + "/small_icons.png");
}

int run(const QString& outDir, const QString& previewDir) {
  QDir dir(outDir);
  if (!dir.exists() && !QDir().mkpath(outDir)) fail("cannot create " + outDir);

  const QFontInfo info(serifFont(20));
  if (info.family() != QLatin1String(kSerifFamily))
    fail(QStringLiteral("the serif face \"%1\" is missing (got \"%2\"); install fonts-liberation")
             .arg(kSerifFamily, info.family()));

  for (char c = 'a'; c <= 'z'; ++c) {
    const QImage tile = makeTile(QChar(c).toUpper(), kTileSize);
    writeBmp(tile, dir.filePath(QString(QChar(c)) + ".bmp"));
    if (c == 'a') writeBmp(tile, dir.filePath("stored_a.bmp"));
  }
  writeBmp(makePanel(), dir.filePath("next_piece.bmp"));
  writeGif(makeAbout(), dir.filePath("about.gif"));
  for (int s : kIconSizes) {
    const QString sub = QStringLiteral("icons/hicolor/%1x%1/apps").arg(s);
    if (!dir.mkpath(sub)) fail("cannot create " + dir.filePath(sub));
    writePng(makeIcon(s), dir.filePath(sub + "/org.lexidrop.LexiDrop.png"));
  }
  if (!previewDir.isEmpty()) {
    writePreviews(previewDir);
    writePng(QImage(dir.filePath("about.gif")).convertToFormat(QImage::Format_RGB32)
                 .scaled(kAboutW * 2, kAboutH * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation),
             previewDir + "/about.png");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Drawing needs fonts but no screen: run on the offscreen platform unless
  // the caller chose one.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments();
  QString outDir, previewDir;
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--preview") && i + 1 < args.size()) {
      previewDir = args[++i];
    } else if (outDir.isEmpty() && !args[i].startsWith(QLatin1Char('-'))) {
      outDir = args[i];
    } else {
      outDir.clear();
      break;
    }
  }
  if (outDir.isEmpty()) {
    std::fprintf(stderr, "usage: make_assets ASSETS_DIR [--preview DIR]\n");
    return 2;
  }
  try {
    return run(outDir, previewDir);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_assets: %s\n", e.what());
    return 1;
  }
}
