// The main window as it opens: size, frame, panels, labels, fonts, menu.
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include <array>

#include "window_fixture.h"

namespace lexidrop::ui::testing {
namespace {

constexpr QRgb Light = qRgb(192, 192, 255);
constexpr QRgb Middle = qRgb(128, 128, 255);
constexpr QRgb Blue = qRgb(0, 0, 255);
constexpr QRgb Black = qRgb(0, 0, 0);
constexpr QRgb White = qRgb(255, 255, 255);

struct Line {
    int number;
    QRgb colour;
    int x1, y1, x2, y2;
};

// The frame as the window must show it; a higher number lies on top.
constexpr std::array<Line, 12> Frame{{
    {5, Light, 18, 20, 18, 473},
    {4, Middle, 19, 21, 19, 473},
    {9, Blue, 20, 470, 20, 22},
    {6, Light, 279, 20, 18, 20},
    {3, Middle, 19, 21, 280, 21},
    {10, Blue, 277, 22, 21, 22},
    {8, Light, 278, 22, 278, 471},
    {2, Middle, 279, 21, 279, 473},
    {12, Blue, 280, 473, 280, 20},
    {7, Light, 20, 471, 279, 471},
    {1, Middle, 20, 472, 280, 472},
    {11, Blue, 18, 473, 280, 473},
}};

bool covers(const Line& line, int x, int y)
{
    return x >= std::min(line.x1, line.x2) && x <= std::max(line.x1, line.x2) && y >= std::min(line.y1, line.y2) &&
           y <= std::max(line.y1, line.y2);
}

// The colour the frame shows at a pixel: its topmost line's, or none.
std::optional<QRgb> frameAt(int x, int y)
{
    const Line* top = nullptr;
    for (const Line& line : Frame) {
        if (covers(line, x, y) && (top == nullptr || line.number > top->number)) {
            top = &line;
        }
    }
    return top ? std::optional<QRgb>(top->colour) : std::nullopt;
}

QString rgb(QRgb c) { return QString("(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c)); }

using LayoutTest = WindowTest;

TEST_F(LayoutTest, ClientAreaIsFixedAt406By479BelowTheMenuBar)
{
    ASSERT_TRUE(showActive());
    EXPECT_EQ(window->windowTitle(), "LexiDrop");
    EXPECT_EQ(window->surface()->size(), QSize(406, 479));
    EXPECT_EQ(window->surface()->geometry().top(), window->menuBar()->geometry().bottom() + 1);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(window->height(), window->menuBar()->height() + 479);
    EXPECT_EQ(window->width(), 406);
    EXPECT_TRUE(window->windowIcon().isNull() || window->windowIcon().cacheKey() == QApplication::windowIcon().cacheKey());
}

TEST_F(LayoutTest, EveryFrameLineShowsItsColourFromEndToEnd)
{
    const QImage image = client();
    for (const Line& line : Frame) {
        const int dx = (line.x2 > line.x1) - (line.x2 < line.x1);
        const int dy = (line.y2 > line.y1) - (line.y2 < line.y1);
        for (int x = line.x1, y = line.y1;; x += dx, y += dy) {
            const QRgb expected = *frameAt(x, y);
            ASSERT_EQ(image.pixel(x, y), expected)
                << "Line" << line.number << " at " << x << "," << y << ": " << rgb(image.pixel(x, y)).toStdString();
            if (x == line.x2 && y == line.y2) {
                break;
            }
        }
        // One step past either end the line is gone (unless another line is there).
        for (const auto& [x, y] : {std::pair{line.x1 - dx, line.y1 - dy}, std::pair{line.x2 + dx, line.y2 + dy}}) {
            EXPECT_EQ(image.pixel(x, y), frameAt(x, y).value_or(Black))
                << "past the end of Line" << line.number << " at " << x << "," << y;
        }
    }
}

TEST_F(LayoutTest, FrameCornersShowTheTopmostLine)
{
    const QImage image = client();
    EXPECT_EQ(image.pixel(18, 473), Blue);  // the outer bottom over the outer left
    EXPECT_EQ(image.pixel(280, 20), Blue);  // the outer right's far end
    EXPECT_EQ(image.pixel(18, 20), Light);  // outer left and outer top meet
    EXPECT_EQ(image.pixel(279, 471), Light); // the inner bottom over the middle right
    EXPECT_EQ(image.pixel(20, 471), Light); // the inner bottom starts below the inner left's end
    EXPECT_EQ(image.pixel(281, 100), Black);
    EXPECT_EQ(image.pixel(17, 100), Black);
}

TEST_F(LayoutTest, WellIsEmptyAndBlackWhenTheWindowOpens)
{
    const QImage image = client();
    for (int y = 23; y <= 470; ++y) {
        for (int x = 21; x <= 277; ++x) {
            ASSERT_EQ(image.pixel(x, y), Black) << x << "," << y;
        }
    }
    for (int y = 0; y < 20; ++y) {
        ASSERT_EQ(image.pixel(150, y), Black) << "above the frame at row " << y;
    }
}

TEST_F(LayoutTest, PreviewShowsTheStoredLetterATileOverThePanel)
{
    const QImage panel(":/assets/next_piece.bmp");
    const QImage stored(":/assets/stored_a.bmp");
    if (panel.isNull() || stored.isNull()) {
        GTEST_SKIP() << "the stored pictures are not compiled in";
    }
    ASSERT_EQ(panel.size(), QSize(104, 72));
    ASSERT_EQ(stored.size(), QSize(32, 32));
    const QImage image = client();
    for (int y = 0; y < 72; ++y) {
        for (int x = 0; x < 104; ++x) {
            const bool inPreview = x >= 36 && x < 68 && y >= 33 && y < 65;
            const QRgb expected = inPreview ? stored.pixel(x - 36, y - 33) : panel.pixel(x, y);
            ASSERT_EQ(image.pixel(288 + x, 22 + y), expected | 0xff000000) << "panel pixel " << x << "," << y;
        }
    }
}

TEST_F(LayoutTest, SpawnLoadsTheNextLetterIntoThePreviewOverThePanel)
{
    driver().masterTick();
    const std::string next = driver().state().NextLetter;
    ASSERT_EQ(next.size(), 1u);
    const QImage image = client();
    EXPECT_EQ(image.pixel(PreviewLeft, PreviewTop), letterColour(next[0]));
    EXPECT_EQ(image.pixel(355, 86), letterColour(next[0]));
    // The falling tile: "a" at column 3, row 1, one step down.
    const QPoint tile(SpawnLeft, SpawnTop + FallStep);
    EXPECT_EQ(image.pixel(tile), letterColour('a'));
    EXPECT_EQ(image.pixel(tile + QPoint(31, 31)), letterColour('a'));
    EXPECT_EQ(image.pixel(tile + QPoint(0, -1)), Black);
    EXPECT_EQ(image.pixel(tile + QPoint(32, 31)), Black);
}

TEST_F(LayoutTest, LabelsStandAtTheirPlacesWithTheirTexts)
{
    struct Expected {
        const char* name;
        QRect geometry;
        QString text;
    };
    const std::vector<Expected> labels{
        {"Label1", {289, 113, 113, 79}, "Score:"},       {"LblScore", {294, 152, 99, 33}, "0"},
        {"Label2", {289, 208, 112, 226}, "High Scores:"}, {"Label3", {288, 440, 113, 17}, "Last Word"},
        {"lblLast", {288, 456, 113, 17}, ""},              {"LblName0", {293, 232, 46, 19}, ""},
        {"LblName1", {293, 253, 46, 19}, ""},              {"LblName9", {293, 413, 46, 19}, ""},
        {"LblHs0", {344, 233, 46, 19}, ""},                {"LblHs9", {344, 413, 46, 19}, ""},
    };
    for (const Expected& e : labels) {
        QLabel* l = label(e.name);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->geometry(), e.geometry) << e.name;
        EXPECT_EQ(l->text(), e.text) << e.name;
    }
    EXPECT_TRUE(label("LblHs3")->alignment() & Qt::AlignRight);
    EXPECT_TRUE(label("LblName3")->alignment() & Qt::AlignLeft);
    EXPECT_TRUE(label("Label1")->alignment() & Qt::AlignHCenter);
}

TEST_F(LayoutTest, BorderedBoxesShowAOnePixelLineOnBlack)
{
    const QImage image = client();
    // Label1 (289,113)-(401,191) and Label2 (289,208)-(400,433): all four sides.
    for (const QRect box : {QRect(289, 113, 113, 79), QRect(289, 208, 112, 226)}) {
        for (int x = box.left(); x <= box.right(); ++x) {
            ASSERT_EQ(image.pixel(x, box.top()), White) << x;
            ASSERT_EQ(image.pixel(x, box.bottom()), White) << x;
            ASSERT_EQ(image.pixel(x, box.top() - 1), Black) << x;
        }
        for (int y = box.top(); y <= box.bottom(); ++y) {
            ASSERT_EQ(image.pixel(box.left(), y), White) << y;
            ASSERT_EQ(image.pixel(box.right(), y), White) << y;
            ASSERT_EQ(image.pixel(box.left() - 1, y), Black) << y;
        }
        ASSERT_EQ(image.pixel(box.left() + 1, box.bottom() - 1), Black);
    }
    // The unbordered labels draw no line.
    EXPECT_EQ(image.pixel(294, 184), Black); // LblScore's corner
    EXPECT_EQ(image.pixel(293, 250), Black); // LblName(0)'s corner
}

int whitePixels(const QImage& image, QRect area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            n += qGray(image.pixel(x, y)) > 128 ? 1 : 0;
        }
    }
    return n;
}

TEST_F(LayoutTest, CaptionsAreWhiteTextAtTheTopOfTheirBoxes)
{
    const QImage image = client();
    // "Score:" in the top part of its box, the score "0" below it.
    EXPECT_GT(whitePixels(image, {291, 115, 109, 36}), 60);
    EXPECT_GT(whitePixels(image, {294, 152, 99, 33}), 30);
    // "High Scores:" in the first rows of its box, nothing further down.
    EXPECT_GT(whitePixels(image, {291, 210, 108, 20}), 40);
    EXPECT_EQ(whitePixels(image, {291, 240, 108, 190}), 0);
    EXPECT_GT(whitePixels(image, {290, 441, 109, 14}), 20); // "Last Word"
}

TEST_F(LayoutTest, ScoreAndTableLabelsLieOverTheirBoxes)
{
    QWidget* surface = window->surface();
    EXPECT_EQ(surface->childAt(300, 160), label("LblScore"));
    EXPECT_EQ(surface->childAt(300, 120), label("Label1"));
    EXPECT_EQ(surface->childAt(300, 240), label("LblName0"));
    EXPECT_EQ(surface->childAt(350, 240), label("LblHs0"));
    EXPECT_EQ(surface->childAt(300, 420), label("LblName9"));
    EXPECT_EQ(surface->childAt(300, 214), label("Label2"));
    // LblName(0) rises one row above the others: two rows of the box show
    // below it, one row between the others.
    EXPECT_EQ(surface->childAt(300, 250), label("LblName0"));
    EXPECT_EQ(surface->childAt(300, 251), label("Label2"));
    EXPECT_EQ(surface->childAt(300, 252), label("Label2"));
    EXPECT_EQ(surface->childAt(300, 253), label("LblName1"));
    EXPECT_EQ(surface->childAt(300, 272), label("Label2"));
    EXPECT_EQ(surface->childAt(300, 273), label("LblName2"));
}

TEST_F(LayoutTest, LastWordCaptionCoversTheTopRowOfItsBox)
{
    EXPECT_EQ(window->surface()->childAt(300, 456), label("Label3"));
    EXPECT_EQ(window->surface()->childAt(300, 457), label("lblLast"));
    const QImage image = client();
    // lblLast's own top line is hidden under Label3; its other three sides show.
    EXPECT_EQ(image.pixel(300, 456), Black);
    EXPECT_EQ(image.pixel(300, 472), White);
    EXPECT_EQ(image.pixel(288, 465), White);
    EXPECT_EQ(image.pixel(400, 465), White);
    EXPECT_EQ(image.pixel(288, 456), Black);
}

void expectTimes(const QFont& font, double points, const char* what)
{
    const QFontInfo info(font);
    EXPECT_TRUE(info.family() == "Times New Roman" || info.family() == "Liberation Serif")
        << what << " resolved to " << info.family().toStdString();
    EXPECT_NEAR(info.pointSizeF(), points, 0.4) << what;
    EXPECT_EQ(font.family(), "Times New Roman") << what;
}

TEST_F(LayoutTest, FontsResolveToTimesNewRomanOrItsMetricTwin)
{
    expectTimes(label("Label1")->font(), 20.25, "Label1");
    expectTimes(label("LblScore")->font(), 20.25, "LblScore");
    expectTimes(label("Label2")->font(), 12, "Label2");
    // 20.25 points are 27 pixels at the window's 96 dots per inch.
    EXPECT_EQ(QFontInfo(label("Label1")->font()).pixelSize(), 27);
    // The other labels share the window's one default font.
    EXPECT_EQ(label("Label3")->font(), label("lblLast")->font());
    EXPECT_EQ(label("LblName4")->font(), label("Label3")->font());
    EXPECT_EQ(label("LblHs4")->font(), label("Label3")->font());
}

TEST_F(LayoutTest, MenuHasHelpAndAboutWithOneItemEach)
{
    const QList<QAction*> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), "&Help");
    EXPECT_EQ(menus[1]->text(), "&About");
    EXPECT_EQ(QKeySequence::mnemonic(menus[0]->text()), QKeySequence(Qt::ALT | Qt::Key_H));
    EXPECT_EQ(QKeySequence::mnemonic(menus[1]->text()), QKeySequence(Qt::ALT | Qt::Key_A));
    const std::array<std::pair<QMenu*, QString>, 2> items{{{window->helpMenu(), "&How scoring works..."},
                                                            {window->aboutMenu(), "About The Programmer..."}}};
    for (const auto& [menu, text] : items) {
        ASSERT_EQ(menu->actions().size(), 1);
        QAction* item = menu->actions().front();
        EXPECT_EQ(item->text(), text);
        EXPECT_TRUE(item->shortcut().isEmpty());
        EXPECT_FALSE(item->isCheckable());
        EXPECT_FALSE(item->isSeparator());
    }
}

TEST_F(LayoutTest, AltHThenHOpensTheHelpWindow)
{
    ASSERT_TRUE(showActive());
    QTest::keyClick(window.get(), Qt::Key_H, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == window->helpMenu(); }));
    QTest::keyClick(window->helpMenu(), Qt::Key_H);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->helpWindow() != nullptr; }));
    EXPECT_EQ(window->helpWindow()->windowTitle(), "Form2");
}

TEST_F(LayoutTest, AltAOpensTheAboutMenu)
{
    ASSERT_TRUE(showActive());
    QTest::keyClick(window.get(), Qt::Key_A, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == window->aboutMenu(); }));
    QTest::keyClick(window->aboutMenu(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->aboutWindow() != nullptr; }));
}

} // namespace
} // namespace lexidrop::ui::testing
