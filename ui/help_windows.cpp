#include "ui/help_windows.h"

#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QPainter>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextLayout>

#include <algorithm>

#include "ui/look.h"

namespace lexidrop::ui {

namespace {

QFont timesNewRoman(double points)
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSizeF(points);
    return font;
}

// A label as the help window shows them: top-aligned text wrapped at spaces.
WrappedLabel* addLabel(QWidget* parent, const char* name, QRect geometry, const QString& text, Qt::Alignment alignment)
{
    auto* label = new WrappedLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setWordWrap(true);
    label->setAlignment(alignment | Qt::AlignTop);
    return label;
}

// Esc closes a secondary window, wherever its focus is.
void closeOnEscape(QWidget* window)
{
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
}

// A column or text box: black text on white inside a one-pixel line.
void makeBoxed(QLabel* label, double points)
{
    label->setFont(timesNewRoman(points));
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setLineWidth(1);
    label->setAutoFillBackground(true);
    QPalette look = label->palette();
    look.setColor(QPalette::Window, Qt::white);
    look.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(look);
}

} // namespace

namespace {

// The lines of text broken at spaces to fit width, not yet placed.
void breakLines(QTextLayout& layout, Qt::Alignment alignment, int width)
{
    QTextOption option(alignment & Qt::AlignHorizontal_Mask);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
    }
    layout.endLayout();
}

} // namespace

void WrappedLabel::setLinesFitBox(bool fit)
{
    fitLines_ = fit;
    update();
}

int WrappedLabel::lineCount() const
{
    QTextLayout layout(text(), font());
    breakLines(layout, alignment(), contentsRect().width());
    return layout.lineCount();
}

int WrappedLabel::linePitch() const
{
    const int lineHeight = QFontMetrics(font()).height();
    const int lines = fitLines_ ? lineCount() : 0;
    const int height = contentsRect().height();
    if (lines < 2 || (lines - 1) * lineHeight + lineHeight <= height) {
        return lineHeight;
    }
    // Whole pixels, so that every line's glyphs sit alike on the pixel grid;
    // the last line keeps the font's full height below its top.
    return std::max(1, (height - lineHeight) / (lines - 1));
}

void WrappedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect box = contentsRect();

    QTextLayout layout(text(), font());
    breakLines(layout, alignment(), box.width());
    const int pitch = linePitch();
    for (int i = 0; i < layout.lineCount(); ++i) {
        layout.lineAt(i).setPosition(QPointF(0, i * pitch));
    }

    painter.setClipRect(box);
    painter.setPen(palette().color(QPalette::WindowText));
    // Left-aligned text keeps one pixel off the border line.
    const int inset = (alignment() & Qt::AlignLeft) && frameWidth() > 0 ? 1 : 0;
    layout.draw(&painter, box.topLeft() + QPoint(inset, 0));
}

QString scoringText()
{
    return QStringLiteral(
        " I decided that if I let two-letter words score        points the game "
        "would be less fun because         even the three-letter words often can "
        "stop you    from spelling  the larger words because so         many of "
        "the larger words already have smaller    words inside of them.  Right "
        "now I only have     three and four letter words programmed in (in     "
        "which I'm sure there are plenty of words that I    have still missed; "
        "you'll just have to put up with  that).  Anyway, getting to the point, "
        "words are    scored as "
        "such:                                                      3-letter "
        "words = Sum of the letters * 1                4-letter words = Sum of "
        "the letters * 2                5-letter words = Sum of the letters * 3");
}

HelpWindow::HelpWindow()
{
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Form2"));
    setWindowFlags(fixedSizeWindowFlags(Qt::Window));
    closeOnEscape(this);
    setFixedSize(497, 340);
    setFont(timesNewRoman(12));

    addLabel(this, "Label5", {6, 7, 114, 21}, QStringLiteral("Letter Worth :"), Qt::AlignHCenter);
    addLabel(this, "Label6", {245, 8, 114, 21}, QStringLiteral("Word Worth :"), Qt::AlignHCenter);
    // The four worth columns, one entry per line.  Thirteen lines at the
    // font's own height would need 312 pixels of the 302 inside a column,
    // so their lines stand closer together for all of them to show.
    struct Column {
        const char* name;
        QRect place;
        const char* caption;
    };
    const Column columns[] = {
        {"Label1", {6, 30, 26, 304}, " A B C D E F G H  I  J  K L M"},
        {"Label2", {37, 30, 26, 304}, " 1 5 5 5 1 6 4 2 3 7 7 3 4"},
        {"Label3", {66, 30, 26, 304}, " N O P Q R S T U V W X Y Z"},
        {"Label4", {95, 31, 26, 304}, "4 3 3 14 4 1 2 4 7 7 10 6 8"},
    };
    for (const Column& column : columns) {
        WrappedLabel* label =
            addLabel(this, column.name, column.place, QString::fromLatin1(column.caption), Qt::AlignHCenter);
        makeBoxed(label, 15.75);
        label->setLinesFitBox(true);
    }
    makeBoxed(addLabel(this, "Label7", {128, 31, 363, 304}, scoringText(), Qt::AlignLeft), 14.25);
}

AboutWindow::AboutWindow()
{
    setObjectName(QStringLiteral("FrmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Feel free to contact me"));
    setWindowFlags(fixedSizeWindowFlags(Qt::Window));
    closeOnEscape(this);
    setFixedSize(354, 265);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setGeometry(0, 0, 258, 371);
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setLineWidth(2);
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture->setPixmap(QPixmap(QStringLiteral(":/assets/about.gif")));
    picture->setFocusPolicy(Qt::TabFocus);

    auto* note = new QPlainTextEdit(this);
    note->setObjectName(QStringLiteral("Text1"));
    note->setGeometry(208, 0, 145, 265);
    note->setPlainText(QStringLiteral("LexiDrop\n\n"
                                      "A falling-letter word game.\n\n"
                                      "Steer the tiles with the arrow keys and spell words of "
                                      "three, four or five letters.\n\n"
                                      "Written in C++ with Qt."));
    note->raise(); // the note lies over the picture's right edge
    setTabOrder(picture, note);
}

} // namespace lexidrop::ui
