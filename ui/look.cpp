#include "ui/look.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QPainter>

#include <cmath>

namespace lexidrop::ui {

namespace {

// A score never shrinks below this; ten digits still fit 46 pixels well above it.
constexpr double SmallestScorePoints = 5.0;
// Steps in which a long score's size is reduced.
constexpr double ScoreShrinkStep = 0.25;

// Title bars differ between window managers; this allows for a bold title
// font a little larger than ours, up to four buttons and the icon.
constexpr double TitleFontPoints = 11.0;
constexpr int TitleBarButtons = 4;
constexpr int TitleBarButtonWidth = 28;
constexpr int TitleBarMargins = 2 * 20;

bool fitsIn(const QFont& font, const QString& text, int room)
{
    return QFontMetricsF(font).horizontalAdvance(text) <= room;
}

} // namespace

QFont defaultWindowFont()
{
    QFont font(QStringLiteral("Liberation Sans"));
    // Where Liberation is missing, Arial has the same widths; then any sans.
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9);
    return font;
}

// ---------------------------------------------------------------- GameStyle

GameStyle::GameStyle() : QProxyStyle() {}

QIcon GameStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const
{
    if (icon == SP_ToolBarHorizontalExtensionButton || icon == SP_ToolBarVerticalExtensionButton) {
        return {};
    }
    return QProxyStyle::standardIcon(icon, option, widget);
}

// ---------------------------------------------------------------- TableLabel

TableLabel::TableLabel(QWidget* parent, Fit fit) : QLabel(parent), fit_(fit)
{
    setWordWrap(false);
    setTextFormat(Qt::PlainText);
}

int TableLabel::room() const
{
    const int indent = std::max(0, this->indent());
    return contentsRect().width() - indent - 2 * margin();
}

bool TableLabel::fitsWhole() const { return fitsIn(font(), text(), room()); }

QString TableLabel::shownText() const
{
    if (fit_ == Fit::Shrink || fitsWhole()) {
        return text();
    }
    return QFontMetricsF(font()).elidedText(text(), Qt::ElideRight, room());
}

QFont TableLabel::shownFont() const
{
    QFont font = this->font();
    if (fit_ == Fit::Elide) {
        return font;
    }
    // Whole digits in a smaller size rather than a number cut short.
    double points = font.pointSizeF();
    while (points > SmallestScorePoints && !fitsIn(font, text(), room())) {
        points -= ScoreShrinkStep;
        font.setPointSizeF(points);
    }
    return font;
}

void TableLabel::showText(const QString& text)
{
    setText(text);
    if (fit_ == Fit::Elide) {
        setAccessibleName(text);
    }
    updateTip();
}

void TableLabel::updateTip()
{
    // Only a shortened name needs its whole text at hand.
    setToolTip(fit_ == Fit::Elide && !fitsWhole() ? text() : QString());
}

void TableLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateTip();
    }
}

void TableLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    QRect box = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    if (indent() > 0 && (alignment() & Qt::AlignLeft)) {
        box.setLeft(box.left() + indent());
    }
    const QFont shown = shownFont();
    // A shrunk score keeps the baseline of the row's name.
    box.setTop(box.top() + QFontMetrics(font()).ascent() - QFontMetrics(shown).ascent());
    painter.setFont(shown);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(box, static_cast<int>(alignment()) | Qt::TextSingleLine, shownText());
}

// ---------------------------------------------------------------- windows and boxes

Qt::WindowFlags fixedSizeWindowFlags(Qt::WindowType type)
{
    Qt::WindowFlags flags = Qt::WindowFlags(type) | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (type == Qt::Window) {
        flags |= Qt::WindowMinimizeButtonHint;
    } else {
        flags |= Qt::MSWindowsFixedSizeDialogHint;
    }
    return flags;
}

int widthForTitle(const QString& title)
{
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    font.setPointSizeF(std::max(font.pointSizeF(), TitleFontPoints));
    const double text = QFontMetricsF(font).horizontalAdvance(title);
    return static_cast<int>(std::ceil(text)) + TitleBarButtons * TitleBarButtonWidth + TitleBarMargins;
}

void fitBoxToTitle(QDialog& box, const QString& messageName)
{
    box.setWindowFlags(fixedSizeWindowFlags(Qt::Dialog));
    // An input dialog builds its layout only when first asked for its size.
    (void)box.sizeHint();
    QLayout* layout = box.layout();
    auto* message = box.findChild<QLabel*>(messageName);
    if (message == nullptr || layout == nullptr) {
        box.setMinimumWidth(widthForTitle(box.windowTitle()));
        return;
    }
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        // A message box keeps a column for an icon (an indent even when it
        // has none); the message goes across the whole box instead, so that
        // centred is centred in the box.
        for (int i = grid->count() - 1; i >= 0; --i) {
            if (QSpacerItem* indent = grid->itemAt(i)->spacerItem()) {
                grid->removeItem(indent);
                delete indent;
            }
        }
        grid->removeWidget(message);
        grid->addWidget(message, 0, 0, 1, grid->columnCount());
        if (auto* buttons = box.findChild<QDialogButtonBox*>()) {
            buttons->setCenterButtons(true);
        }
    } else {
        layout->setSizeConstraint(QLayout::SetFixedSize);
    }
    // The message sets the box's least width (a message box sizes itself
    // from its layout each time it shows, so a width set on the box itself
    // would not last).
    const QMargins margins = layout->contentsMargins();
    message->setMinimumWidth(widthForTitle(box.windowTitle()) - margins.left() - margins.right());
    message->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
}

} // namespace lexidrop::ui
