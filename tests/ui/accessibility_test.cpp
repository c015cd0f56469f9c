// What a screen reader is told of the main window, read in process through
// QAccessible the way an accessibility bridge reads it, and what it is told
// has changed.
#include <QAccessible>
#include <QDialogButtonBox>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <functional>
#include <string>
#include <vector>

#include "ui/accessibility.h"
#include "window_fixture.h"

namespace lexidrop::ui::testing {
namespace {

// One event a listener heard: what changed and the object's name then.
struct Heard {
    QAccessible::Event type;
    QString name;
};

std::vector<Heard>& heard()
{
    static std::vector<Heard> events;
    return events;
}

void listen(QAccessibleEvent* event)
{
    if (event->type() != QAccessible::NameChanged && event->type() != QAccessible::DescriptionChanged) {
        return;
    }
    QAccessibleInterface* iface = event->accessibleInterface();
    heard().push_back({event->type(), iface != nullptr ? iface->text(QAccessible::Name) : QString()});
}

std::vector<QString> namesHeard()
{
    std::vector<QString> names;
    for (const Heard& event : heard()) {
        if (event.type == QAccessible::NameChanged) {
            names.push_back(event.name);
        }
    }
    return names;
}

QString nameOf(QAccessibleInterface* iface) { return iface != nullptr ? iface->text(QAccessible::Name) : QString(); }

// The names of an object's children, in order.
QStringList childNames(QAccessibleInterface* iface)
{
    QStringList names;
    for (int i = 0; i < iface->childCount(); ++i) {
        names << nameOf(iface->child(i));
    }
    return names;
}

// The first child whose name starts with prefix.
QAccessibleInterface* childStarting(QAccessibleInterface* iface, const QString& prefix)
{
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (child != nullptr && nameOf(child).startsWith(prefix)) {
            return child;
        }
    }
    return nullptr;
}

class AccessibilityTest : public WindowTest {
protected:
    void SetUp() override
    {
        // A table with two entries, so that its rows have something to say.
        QFile table(dir.filePath("hs.txt"));
        ASSERT_TRUE(table.open(QIODevice::WriteOnly));
        QByteArray lines = "\"Ann\"\r\n412\r\n\"Bob\"\r\n300\r\n";
        for (int i = 2; i < 10; ++i) {
            lines += "\"\"\r\n0\r\n";
        }
        table.write(lines);
        table.close();
        // The offscreen platform has no accessibility bridge: listen directly.
        listenToAnnouncements(&listen);
        heard().clear();
        WindowTest::SetUp();
    }

    void TearDown() override
    {
        WindowTest::TearDown();
        listenToAnnouncements(nullptr);
    }

    QAccessibleInterface* field() const { return QAccessible::queryAccessibleInterface(window->surface()); }
    QAccessibleInterface* item(const QString& prefix) const { return childStarting(field(), prefix); }
    QStringList wellRows() const { return childNames(item("Well")); }
};

TEST_F(AccessibilityTest, AtStartTheReaderFindsScoreNextPieceTableAndAnEmptyWell)
{
    EXPECT_EQ(nameOf(QAccessible::queryAccessibleInterface(label("LblScore"))), "Score: 0");
    EXPECT_EQ(nameOf(QAccessible::queryAccessibleInterface(label("lblLast"))), "Last word: none");
    EXPECT_EQ(nameOf(field()), "Play field");
    EXPECT_EQ(field()->role(), QAccessible::Pane);
    EXPECT_EQ(childNames(field()), QStringList({"Falling: none", "Well", "Next piece: A", "Score: 0", "High Scores",
                                                "Last word: none"}));
    EXPECT_EQ(childNames(item("High Scores")),
              QStringList({"1. Ann, 412", "2. Bob, 300", "3. empty", "4. empty", "5. empty", "6. empty", "7. empty",
                           "8. empty", "9. empty", "10. empty"}));
    const QStringList rows = wellRows();
    ASSERT_EQ(rows.size(), SpokenRows);
    EXPECT_EQ(rows.front(), "Row 1: . . . . . . . .");
    EXPECT_EQ(rows.back(), "Row 15: . . . . . . . .");
    EXPECT_TRUE(item("Well")->text(QAccessible::Description).startsWith("Stack heights: 0 0 0 0 0 0 0 0."));
}

TEST_F(AccessibilityTest, TheWellReadsRowByRowAndTheFallingTileByColumnAndRow)
{
    GameSetup setup = driver().setup();
    setup.placeTile(0, 14, "d");
    setup.placeTile(1, 14, "o");
    setup.placeTile(1, 13, "q");
    driver().masterTick(); // spawns the first tile, an "a", in column 3, row 1

    const QString next = QString::fromStdString(driver().state().NextLetter).toUpper();
    EXPECT_EQ(nameOf(item("Next piece")), "Next piece: " + next);
    EXPECT_EQ(nameOf(item("Falling")), "Falling: A, column 4, row 14");
    const QStringList rows = wellRows();
    EXPECT_EQ(rows.at(0), "Row 1: D O . . . . . .");
    EXPECT_EQ(rows.at(1), "Row 2: . Q . . . . . .");
    EXPECT_EQ(rows.at(2), "Row 3: . . . . . . . .");
    EXPECT_TRUE(item("Well")->text(QAccessible::Description).startsWith("Stack heights: 1 2 0 0 0 0 0 0."));

    QTest::keyClick(window->surface(), Qt::Key_Right);
    EXPECT_EQ(nameOf(item("Falling")), "Falling: A, column 5, row 14");
    // The falling tile is told apart from the resting ones: no row holds it.
    for (const QString& row : wellRows()) {
        EXPECT_FALSE(row.contains('A')) << row.toStdString();
    }
}

TEST_F(AccessibilityTest, AScoredWordReadsAsScoreAndLastWordAndIsAnnounced)
{
    GameSetup setup = driver().setup();
    setup.placeTile(0, 14, "c");
    setup.placeTile(1, 14, "a");
    setup.placeFallingTile(2, 14, "t");
    EXPECT_EQ(nameOf(item("Falling")), "Falling: none") << "a tile on the floor rests";
    EXPECT_EQ(wellRows().at(0), "Row 1: C A T . . . . .");
    heard().clear();

    driver().masterTick(); // the t lands: "cat"

    EXPECT_EQ(label("LblScore")->text(), " 8");
    EXPECT_EQ(label("lblLast")->text(), QString::fromStdString(lastWordText("cat", 8)));
    EXPECT_EQ(nameOf(QAccessible::queryAccessibleInterface(label("LblScore"))), "Score: 8");
    EXPECT_EQ(nameOf(QAccessible::queryAccessibleInterface(label("lblLast"))), "Last word: cat, 8 points");
    const std::vector<QString> names = namesHeard();
    EXPECT_NE(std::find(names.begin(), names.end(), "Score: 8"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Last word: cat, 8 points"), names.end());
    // The word's tiles are gone and the well says so.
    EXPECT_NE(std::find(names.begin(), names.end(), "Row 1: . . . . . . . ."), names.end());
    EXPECT_EQ(wellRows().at(0), "Row 1: . . . . . . . .");
}

TEST_F(AccessibilityTest, OnlyAChangedTextIsAnnouncedAndPaintingAnnouncesNothing)
{
    // The falling tile's nearest row, counted from the top (row 1 is row 14 from the floor).
    const auto& tiles = driver().state().ImgLetter;
    const auto nearestRow = [&] { return roundHalfEven(rowOf(tiles.at(1).Top)); };
    driver().masterTick(); // spawn and one step: nearest row 14 from the floor
    ASSERT_EQ(nearestRow(), 1.0);
    while (nearestRow() == 1.0) {
        heard().clear();
        driver().masterTick();
        if (nearestRow() == 1.0) {
            EXPECT_TRUE(namesHeard().empty()) << namesHeard().front().toStdString();
        }
    }
    EXPECT_EQ(namesHeard(), std::vector<QString>({"Falling: A, column 4, row 13"}));

    heard().clear();
    driver().masterTick(); // one step further: still row 13
    ASSERT_EQ(nearestRow(), 2.0);
    EXPECT_TRUE(namesHeard().empty()) << namesHeard().front().toStdString();

    heard().clear();
    window->surface()->repaint();
    window->show();
    window->surface()->repaint();
    EXPECT_TRUE(namesHeard().empty());
}

TEST_F(AccessibilityTest, TableRowsFollowTheTableLabels)
{
    window->labelChanged(Label::Name, 2, "Cyd");
    window->labelChanged(Label::HighScore, 2, "57");
    window->labelChanged(Label::HighScore, 3, "35");
    QAccessibleInterface* table = item("High Scores");
    EXPECT_EQ(nameOf(table->child(2)), "3. Cyd, 57");
    EXPECT_EQ(nameOf(table->child(3)), "4. no name, 35");
    const std::vector<QString> names = namesHeard();
    EXPECT_NE(std::find(names.begin(), names.end(), "3. Cyd, 57"), names.end());
}

TEST(SpokenFormTest, LabelTextsReadAsSpoken)
{
    struct Case {
        QString spoken;
        QString expected;
    };
    const std::vector<Case> cases{
        {spokenScore("0"), "Score: 0"},
        {spokenScore(" 120"), "Score: 120"},
        {spokenLastWord("", 0), "Last word: none"},
        {spokenLastWord("cat", 8), "Last word: cat, 8 points"},
        {spokenLastWord("abet", 18), "Last word: abet, 18 points"},
        {spokenTableRow(0, "Ann", "412"), "1. Ann, 412"},
        {spokenTableRow(9, "", ""), "10. empty"},
        {spokenTableRow(2, "", "57"), "3. no name, 57"},
        {spokenTableRow(4, "Ann Lee", ""), "5. Ann Lee"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.spoken, c.expected);
    }
}

// Every child names its parent, and every parent finds its child again:
// a bridge that walks the tree either way sees the same tree.
void expectConsistent(QAccessibleInterface* node, int depth = 0)
{
    ASSERT_LT(depth, 6);
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        ASSERT_NE(child, nullptr) << nameOf(node).toStdString() << " child " << i;
        EXPECT_TRUE(child->isValid());
        EXPECT_EQ(child->parent(), node) << nameOf(child).toStdString();
        EXPECT_EQ(node->indexOfChild(child), i) << nameOf(child).toStdString();
        expectConsistent(child, depth + 1);
    }
}

TEST_F(AccessibilityTest, TheTreeIsTheSameWalkedDownOrUpAndGoesWithTheWindow)
{
    ASSERT_TRUE(showActive());
    driver().masterTick();
    QAccessibleInterface* top = QAccessible::queryAccessibleInterface(window.get());
    ASSERT_NE(top, nullptr);
    EXPECT_GE(top->indexOfChild(field()), 0);
    expectConsistent(top);

    // Items sit where they are drawn: the first well row on the floor.
    QAccessibleInterface* floor = item("Well")->child(0);
    const QPoint onFloor = window->surface()->mapToGlobal(QPoint(30, 450));
    EXPECT_TRUE(floor->rect().contains(onFloor));
    EXPECT_EQ(item("Well")->childAt(onFloor.x(), onFloor.y()), floor);
    const QPoint onTile = window->surface()->mapToGlobal(QPoint(130, 40));
    EXPECT_EQ(field()->childAt(onTile.x(), onTile.y()), item("Falling"));

    const QAccessible::Id id = QAccessible::uniqueId(floor);
    window.reset();
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
}

TEST_F(AccessibilityTest, YouLoseBoxAndNamePromptKeepTheirStandardRoles)
{
    ASSERT_TRUE(showActive());
    QAccessible::Role boxRole = QAccessible::NoRole;
    QString boxText;
    whenBoxOpens([&](QWidget* box) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(box);
        boxRole = iface->role();
        boxText = iface->text(QAccessible::Description) + iface->text(QAccessible::Value);
        qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
    });
    ASSERT_NO_FATAL_FAILURE(window->messageBox("You Lose"));
    EXPECT_EQ(boxRole, QAccessible::AlertMessage);
    EXPECT_TRUE(boxText.contains("You Lose")) << boxText.toStdString();

    QAccessible::Role promptRole = QAccessible::NoRole;
    QAccessible::Role fieldRole = QAccessible::NoRole;
    QString fieldName;
    whenBoxOpens([&](QWidget* box) {
        promptRole = QAccessible::queryAccessibleInterface(box)->role();
        auto* edit = box->findChild<QLineEdit*>();
        QAccessibleInterface* input = QAccessible::queryAccessibleInterface(edit);
        fieldRole = input->role();
        fieldName = input->text(QAccessible::Name);
        edit->setText("Ann");
        qobject_cast<QDialog*>(box)->accept();
    });
    std::string name;
    ASSERT_NO_FATAL_FAILURE(name = window->inputBox("Great Job!  First Place!  Please enter your name", "Lexidrop"));
    EXPECT_EQ(name, "Ann");
    EXPECT_EQ(promptRole, QAccessible::Dialog);
    EXPECT_EQ(fieldRole, QAccessible::EditableText);
    EXPECT_EQ(fieldName, "Great Job!  First Place!  Please enter your name");
}

} // namespace
} // namespace lexidrop::ui::testing
