// The help and about windows: captions, layout, one of each at a time.
#include <QFontInfo>
#include <QPainter>
#include <QLabel>
#include <QPlainTextEdit>

#include "window_fixture.h"

namespace lexidrop::ui::testing {
namespace {

using HelpWindowsTest = WindowTest;

const QString ScoringText = QStringLiteral(
    " I decided that if I let two-letter words score        points the game would be less fun because"
    "         even the three-letter words often can stop you    from spelling  the larger words because so"
    "         many of the larger words already have smaller    words inside of them.  Right now I only have"
    "     three and four letter words programmed in (in     which I'm sure there are plenty of words that I"
    "    have still missed; you'll just have to put up with  that).  Anyway, getting to the point, words are"
    "    scored as such:                                                      3-letter words = Sum of the"
    " letters * 1                4-letter words = Sum of the letters * 2                5-letter words = Sum"
    " of the letters * 3");

int topLevelHelpWindows()
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        n += qobject_cast<HelpWindow*>(w) != nullptr && w->isVisible() ? 1 : 0;
    }
    return n;
}

TEST_F(HelpWindowsTest, TwoRequestsLeaveOneHelpWindowInFront)
{
    ASSERT_TRUE(showActive());
    window->mnuHow_Click();
    HelpWindow* first = window->helpWindow();
    ASSERT_NE(first, nullptr);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->mnuHow_Click();
    EXPECT_EQ(window->helpWindow(), first);
    EXPECT_EQ(topLevelHelpWindows(), 1);
    EXPECT_TRUE(QTest::qWaitForWindowActive(first));
    EXPECT_EQ(first->parentWidget(), nullptr); // no owner
}

TEST_F(HelpWindowsTest, AClosedHelpWindowIsMadeAfreshOnTheNextRequest)
{
    window->mnuHow_Click();
    QPointer<HelpWindow> first = window->helpWindow();
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(window->helpWindow(), nullptr);
    window->mnuHow_Click();
    ASSERT_NE(window->helpWindow(), nullptr);
    EXPECT_TRUE(window->helpWindow()->isVisible());
    EXPECT_EQ(topLevelHelpWindows(), 1);
}

TEST_F(HelpWindowsTest, AboutWindowIsOneAtATimeAndMadeAfreshAfterClosing)
{
    window->mnuProgram_Click();
    QPointer<AboutWindow> first = window->aboutWindow();
    ASSERT_NE(first, nullptr);
    window->mnuProgram_Click();
    EXPECT_EQ(window->aboutWindow(), first.data());
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    window->mnuProgram_Click();
    EXPECT_NE(window->aboutWindow(), nullptr);
}

TEST_F(HelpWindowsTest, HelpAndAboutOutliveTheMainWindow)
{
    ASSERT_TRUE(showActive());
    window->mnuHow_Click();
    window->mnuProgram_Click();
    QPointer<HelpWindow> help = window->helpWindow();
    QPointer<AboutWindow> about = window->aboutWindow();
    window->close();
    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(help.isNull());
    ASSERT_FALSE(about.isNull());
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(about->isVisible());
}

QLabel* helpLabel(QWidget& help, const char* name)
{
    auto* label = help.findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(label, nullptr) << name;
    return label;
}

TEST_F(HelpWindowsTest, HelpWindowCaptionsAreStoredExactly)
{
    HelpWindow help;
    EXPECT_EQ(help.windowTitle(), "Form2");
    EXPECT_EQ(help.size(), QSize(497, 340));
    EXPECT_EQ(help.minimumSize(), help.maximumSize());
    EXPECT_EQ(helpLabel(help, "Label5")->text(), "Letter Worth :");
    EXPECT_EQ(helpLabel(help, "Label6")->text(), "Word Worth :");
    EXPECT_EQ(helpLabel(help, "Label1")->text(), " A B C D E F G H  I  J  K L M");
    EXPECT_EQ(helpLabel(help, "Label2")->text(), " 1 5 5 5 1 6 4 2 3 7 7 3 4");
    EXPECT_EQ(helpLabel(help, "Label3")->text(), " N O P Q R S T U V W X Y Z");
    EXPECT_EQ(helpLabel(help, "Label4")->text(), "4 3 3 14 4 1 2 4 7 7 10 6 8");
    const QString text = helpLabel(help, "Label7")->text();
    EXPECT_EQ(text.size(), 726);
    EXPECT_EQ(text, ScoringText);
    EXPECT_TRUE(text.contains(QString(54, ' ')));
    EXPECT_EQ(helpLabel(help, "Label7")->textFormat(), Qt::PlainText);
}

// The worth columns are the player's only table of worths: each letter's
// entry must be what the game pays for it.
TEST_F(HelpWindowsTest, TheWorthColumnsShowWhatEachLetterScores)
{
    HelpWindow help;
    const std::pair<const char*, const char*> columns[] = {{"Label1", "Label2"}, {"Label3", "Label4"}};
    int shown = 0;
    for (const auto& [letterColumn, worthColumn] : columns) {
        const QStringList letters = helpLabel(help, letterColumn)->text().split(' ', Qt::SkipEmptyParts);
        const QStringList worths = helpLabel(help, worthColumn)->text().split(' ', Qt::SkipEmptyParts);
        ASSERT_EQ(letters.size(), worths.size()) << letterColumn;
        for (qsizetype i = 0; i < letters.size(); ++i) {
            const std::string letter = letters.at(i).toLower().toStdString();
            EXPECT_EQ(worths.at(i).toInt(), LetterWorth(letter)) << letter;
            ++shown;
        }
    }
    EXPECT_EQ(shown, 26);
}

TEST_F(HelpWindowsTest, HelpLabelsStandAtTheirPlacesInTheirFonts)
{
    HelpWindow help;
    const std::vector<std::pair<const char*, QRect>> places{
        {"Label5", {6, 7, 114, 21}},   {"Label6", {245, 8, 114, 21}}, {"Label1", {6, 30, 26, 304}},
        {"Label2", {37, 30, 26, 304}}, {"Label3", {66, 30, 26, 304}}, {"Label4", {95, 31, 26, 304}},
        {"Label7", {128, 31, 363, 304}},
    };
    for (const auto& [name, rect] : places) {
        EXPECT_EQ(helpLabel(help, name)->geometry(), rect) << name;
    }
    const auto family = [](QLabel* l) { return QFontInfo(l->font()).family(); };
    for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label5", "Label7"}) {
        const QString f = family(helpLabel(help, name));
        EXPECT_TRUE(f == "Times New Roman" || f == "Liberation Serif") << name << " " << f.toStdString();
    }
    EXPECT_NEAR(QFontInfo(helpLabel(help, "Label5")->font()).pointSizeF(), 12, 0.4);
    EXPECT_NEAR(QFontInfo(helpLabel(help, "Label1")->font()).pointSizeF(), 15.75, 0.4);
    EXPECT_NEAR(QFontInfo(helpLabel(help, "Label4")->font()).pointSizeF(), 15.75, 0.4);
    EXPECT_NEAR(QFontInfo(helpLabel(help, "Label7")->font()).pointSizeF(), 14.25, 0.4);
}

// Rows of ink in a label's picture, grouped into lines of text: the
// (first, last, leftmost, rightmost) of each group.
struct InkLine {
    int top, bottom, left, right;
};
std::vector<InkLine> inkLines(QLabel* label)
{
    const QImage image = label->grab().toImage();
    std::vector<InkLine> lines;
    bool inLine = false;
    // Inside the one-pixel border only.
    for (int y = 1; y < image.height() - 1; ++y) {
        int left = image.width(), right = -1;
        for (int x = 1; x < image.width() - 1; ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
        if (right >= 0) {
            if (!inLine) {
                lines.push_back({y, y, left, right});
            }
            lines.back().bottom = y;
            lines.back().left = std::min(lines.back().left, left);
            lines.back().right = std::max(lines.back().right, right);
        }
        inLine = right >= 0;
    }
    return lines;
}

TEST_F(HelpWindowsTest, NarrowColumnsShowOneEntryPerLineWhiteBehindBlack)
{
    HelpWindow help;
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    for (const char* name : {"Label1", "Label2", "Label3", "Label4"}) {
        QLabel* column = helpLabel(help, name);
        const std::vector<InkLine> lines = inkLines(column);
        EXPECT_EQ(lines.size(), 13u) << name;
        for (const InkLine& line : lines) {
            EXPECT_LT(line.right - line.left, 22) << name << " holds more than one entry in a line at " << line.top;
        }
        const QImage image = column->grab().toImage();
        EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0)) << name << " border";
        EXPECT_EQ(image.pixel(2, 2), qRgb(255, 255, 255)) << name << " background";
    }
    // The scoring text wraps at spaces into many lines within its box.
    EXPECT_GE(inkLines(helpLabel(help, "Label7")).size(), 12u);
}

// Rows of ink of one entry drawn alone in a font, without any clipping.
int inkHeightAlone(const QString& entry, const QFont& font)
{
    const QFontMetrics metrics(font);
    QImage canvas(metrics.horizontalAdvance(entry) + 8, metrics.height() + 8, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(4, 4 + metrics.ascent(), entry);
    painter.end();
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (qGray(canvas.pixel(x, y)) < 128) {
                top = top < 0 ? y : top;
                bottom = y;
                break;
            }
        }
    }
    return bottom - top + 1;
}

TEST_F(HelpWindowsTest, EveryRowOfTheWorthColumnsShowsWhole)
{
    HelpWindow help;
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    const std::vector<std::pair<const char*, std::vector<QString>>> columns{
        {"Label1", {"A", "M"}}, {"Label2", {"1", "4"}}, {"Label3", {"N", "Z"}}, {"Label4", {"4", "8"}}};
    for (const auto& [name, ends] : columns) {
        auto* column = qobject_cast<WrappedLabel*>(helpLabel(help, name));
        ASSERT_NE(column, nullptr) << name;
        ASSERT_EQ(column->lineCount(), 13) << name;
        // The last line's top plus the font's full height stays inside the box.
        EXPECT_LE(12 * column->linePitch() + QFontMetrics(column->font()).height(), column->contentsRect().height())
            << name;
        EXPECT_GE(column->linePitch(), QFontMetrics(column->font()).height() - 2) << name << " lines barely squeezed";
        const std::vector<InkLine> lines = inkLines(column);
        ASSERT_EQ(lines.size(), 13u) << name;
        // First and last rows carry all of their glyphs' ink, and the last
        // stops short of the bottom line.
        EXPECT_EQ(lines.front().bottom - lines.front().top + 1, inkHeightAlone(ends.front(), column->font())) << name;
        EXPECT_EQ(lines.back().bottom - lines.back().top + 1, inkHeightAlone(ends.back(), column->font())) << name;
        EXPECT_LT(lines.back().bottom, column->height() - 2) << name;
    }
    // The scoring text keeps the font's own line height.
    auto* text = qobject_cast<WrappedLabel*>(helpLabel(help, "Label7"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->linePitch(), QFontMetrics(text->font()).height());
}

TEST_F(HelpWindowsTest, AboutWindowHoldsThePictureBoxUnderTheNote)
{
    AboutWindow about;
    EXPECT_EQ(about.windowTitle(), "Feel free to contact me");
    EXPECT_EQ(about.size(), QSize(354, 265));
    auto* picture = about.findChild<QLabel*>("Picture1");
    auto* note = about.findChild<QPlainTextEdit*>("Text1");
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(picture->geometry(), QRect(0, 0, 258, 371));
    EXPECT_EQ(picture->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(picture->frameWidth(), 2);
    EXPECT_EQ(note->geometry(), QRect(208, 0, 145, 265));
    QWidget* atOverlap = about.childAt(230, 100);
    ASSERT_NE(atOverlap, nullptr);
    EXPECT_TRUE(atOverlap == note || note->isAncestorOf(atOverlap));
    EXPECT_EQ(about.childAt(100, 100), picture);
    EXPECT_GE(note->toPlainText().count("\n\n"), 2);
    if (!QImage(":/assets/about.gif").isNull()) {
        EXPECT_EQ(picture->pixmap().size(), QSize(254, 367));
    }
}

} // namespace
} // namespace lexidrop::ui::testing
