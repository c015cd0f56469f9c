// What the main window's texts and boxes let a player read: every last
// word whole, long table names shortened with the whole name at hand,
// scores whole, the two boxes (texts, buttons, modality, as wide as their
// titles), no maximise offered.
#include <QDialogButtonBox>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <string>
#include <vector>

#include "dictionary/dictionary.h"
#include "ui/look.h"
#include "window_fixture.h"

namespace lexidrop::ui::testing {
namespace {

using LookTest = WindowTest;

TableLabel* tableLabel(MainWindow& window, const char* name)
{
    auto* found = window.surface()->findChild<TableLabel*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// The last-word text of every word of the dictionary, as the lookups write it.
std::vector<std::string> everyLastWordText()
{
    std::vector<std::string> texts;
    for (const WordList list : {WordList::Three, WordList::Four, WordList::FiveFirst, WordList::FiveSecond}) {
        for (const std::string_view word : words(list)) {
            std::int32_t score = 0;
            std::string scoreText;
            std::string lastText;
            const Tally tally{score, scoreText, lastText};
            std::vector<std::string> letters;
            for (const char c : word) {
                letters.emplace_back(1, c);
            }
            bool found = false;
            switch (list) {
            case WordList::Three:
                found = CheckWord3(tally, letters.at(0), letters.at(1), letters.at(2));
                break;
            case WordList::Four:
                found = CheckWord4(tally, letters.at(0), letters.at(1), letters.at(2), letters.at(3));
                break;
            case WordList::FiveFirst:
                found = CheckWord5First(tally, letters.at(0), letters.at(1), letters.at(2), letters.at(3), letters.at(4));
                break;
            case WordList::FiveSecond:
                found =
                    CheckWord5Second(tally, letters.at(0), letters.at(1), letters.at(2), letters.at(3), letters.at(4));
                break;
            }
            EXPECT_TRUE(found) << word;
            texts.push_back(lastText);
        }
    }
    return texts;
}

// Width left for text inside a label: its contents less the indent.
int textRoom(const QLabel* label) { return label->contentsRect().width() - std::max(0, label->indent()); }

// The columns of a label's picture that hold ink lighter than the background.
std::pair<int, int> inkColumns(const QImage& image, QRect inside)
{
    int left = image.width();
    int right = -1;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (qGray(image.pixel(x, y)) > 96) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return {left, right};
}

TEST_F(LookTest, EveryDictionaryWordsLastWordTextFitsItsBoxWhole)
{
    QLabel* last = label("lblLast");
    ASSERT_NE(last, nullptr);
    const QFontMetricsF metrics(last->font());
    const std::vector<std::string> texts = everyLastWordText();
    ASSERT_EQ(texts.size(), 463u + 1323u + 2060u + 1246u);
    double widest = 0;
    std::string widestText;
    for (const std::string& text : texts) {
        const double width = metrics.horizontalAdvance(QString::fromStdString(text));
        if (width > widest) {
            widest = width;
            widestText = text;
        }
    }
    EXPECT_LE(widest, textRoom(last)) << "\"" << widestText << "\" is " << widest << " px wide";
    EXPECT_EQ(textRoom(last), 110);

    // Drawn, the widest text and the widest five-letter ones named in
    // complaints end inside the box's right line.
    for (const std::string& text :
         {widestText, lastWordText("mummy", 66), lastWordText("women", 57), lastWordText("maxim", 75)}) {
        window->labelChanged(Label::Last, 0, text);
        const QImage image = last->grab().toImage();
        const auto [left, right] = inkColumns(image, QRect(1, 1, image.width() - 2, image.height() - 2));
        EXPECT_GE(left, 1) << text;
        EXPECT_LT(right, image.width() - 2) << text << " reaches the border";
        const double width = metrics.horizontalAdvance(QString::fromStdString(text));
        EXPECT_GE(right - left + 2, static_cast<int>(width) - 3) << text << ": the end of the text is missing";
    }
}

TEST_F(LookTest, LabelsWithoutAFontOfTheirOwnUseLiberationSansAtNinePoints)
{
    for (const char* name : {"Label3", "lblLast", "LblName0", "LblHs9"}) {
        const QFontInfo info(label(name)->font());
        EXPECT_TRUE(info.family() == "Liberation Sans" || info.family() == "Arial")
            << name << " resolved to " << info.family().toStdString();
        EXPECT_NEAR(info.pointSizeF(), 9, 0.4) << name;
        EXPECT_EQ(label(name)->font(), defaultWindowFont()) << name;
    }
    // The fonts the layout names stay theirs.
    EXPECT_EQ(label("Label1")->font().family(), "Times New Roman");
}

// The first and last rows with light ink on the dark label; -1 for none.
std::pair<int, int> inkRows(const QImage& image)
{
    int firstInk = -1;
    int lastInk = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) > 96) {
                firstInk = firstInk < 0 ? y : firstInk;
                lastInk = y;
                break;
            }
        }
    }
    return {firstInk, lastInk};
}

TEST_F(LookTest, ALongNameIsShortenedOnOneLineWithTheWholeNameAtHand)
{
    struct Case {
        std::string name;
        bool shortened;
    };
    const std::vector<Case> cases{
        {"Alexander", true},
        {"Mary Jo Smith", true},
        {"WWWWWWWWWWWW", true},
        {"Ann", false},
        {"", false},
    };
    TableLabel* shown = tableLabel(*window, "LblName3");
    ASSERT_NE(shown, nullptr);
    const QFontMetricsF metrics(shown->font());
    for (const Case& c : cases) {
        const QString whole = QString::fromStdString(c.name);
        window->labelChanged(Label::Name, 3, c.name);
        EXPECT_EQ(shown->text(), whole) << c.name;
        EXPECT_EQ(shown->accessibleName(), whole) << c.name;
        EXPECT_LE(metrics.horizontalAdvance(shown->shownText()), shown->width()) << c.name;
        if (c.shortened) {
            EXPECT_TRUE(shown->shownText().endsWith(QChar(0x2026))) << shown->shownText().toStdString();
            EXPECT_TRUE(whole.startsWith(shown->shownText().chopped(1).trimmed())) << c.name;
            EXPECT_EQ(shown->toolTip(), whole) << c.name;
        } else {
            EXPECT_EQ(shown->shownText(), whole);
            EXPECT_TRUE(shown->toolTip().isEmpty()) << c.name;
        }
    }

    // A name of several words shows as one line: no clipped tops of a
    // second line below the first.
    window->labelChanged(Label::Name, 3, "Wolfgang Amadeus Mozart");
    const auto [firstInk, lastInk] = inkRows(shown->grab().toImage());
    ASSERT_GE(firstInk, 0);
    EXPECT_LE(lastInk - firstInk, QFontMetrics(shown->font()).height()) << "ink from row " << firstInk << " to " << lastInk;
}

TEST_F(LookTest, EveryScoreShowsAllItsDigits)
{
    TableLabel* shown = tableLabel(*window, "LblHs0");
    ASSERT_NE(shown, nullptr);
    for (const std::string score : {"3", "123456", "2147483647"}) {
        window->labelChanged(Label::HighScore, 0, score);
        const QString text = QString::fromStdString(score);
        EXPECT_EQ(shown->shownText(), text);
        EXPECT_LE(QFontMetricsF(shown->shownFont()).horizontalAdvance(text), shown->width()) << score;
        EXPECT_TRUE(shown->toolTip().isEmpty());
        const QImage image = shown->grab().toImage();
        const auto [left, right] = inkColumns(image, image.rect());
        EXPECT_GT(left, 0) << score << " touches the left edge";
        EXPECT_LT(right, image.width()) << score;
    }
    // A score that fits keeps the label's own size.
    window->labelChanged(Label::HighScore, 0, "123456");
    EXPECT_EQ(shown->shownFont(), shown->font());
}

// Where the dark ink of a box's message lies, in box coordinates.
QRect messageInk(QWidget* box, QLabel* message)
{
    const QImage image = box->grab().toImage();
    const QRect area = message->geometry();
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 100) {
                ink |= QRect(x, y, 1, 1);
            }
        }
    }
    return ink;
}

void expectFitsTitleAndCentresMessage(QWidget* box, QLabel* message, const char* what)
{
    ASSERT_NE(message, nullptr) << what;
    EXPECT_GE(box->width(), widthForTitle(box->windowTitle())) << what;
    // Wide enough for the title in a bold title font with room for the buttons.
    QFont title = QApplication::font();
    title.setBold(true);
    EXPECT_GT(box->width(), QFontMetrics(title).horizontalAdvance(box->windowTitle()) + 100) << what;
    const QRect ink = messageInk(box, message);
    ASSERT_FALSE(ink.isEmpty()) << what;
    const double middle = (ink.left() + ink.right() + 1) / 2.0;
    EXPECT_NEAR(middle, box->width() / 2.0, 3) << what << ": ink from " << ink.left() << " to " << ink.right();
    EXPECT_FALSE(box->windowFlags() & Qt::WindowMaximizeButtonHint) << what;
    EXPECT_EQ(box->minimumSize(), box->maximumSize()) << what << " can be resized";
}

TEST_F(LookTest, YouLoseBoxIsModalWithOkOnlyAndTheProgramsTitleAndAsWideAsItsTitle)
{
    ASSERT_TRUE(showActive());
    bool seen = false;
    whenBoxOpens([&](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        ASSERT_NE(box, nullptr);
        seen = true;
        EXPECT_EQ(box->text(), "You Lose");
        EXPECT_EQ(box->windowTitle(), "lexidrop");
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_TRUE(box->isModal());
        expectFitsTitleAndCentresMessage(box, box->findChild<QLabel*>("qt_msgbox_label"), "You Lose box");
        box->button(QMessageBox::Ok)->click();
    });
    ASSERT_NO_FATAL_FAILURE(window->messageBox("You Lose"));
    EXPECT_TRUE(seen);
}

TEST_F(LookTest, NameBoxHasThePromptTitleAnEmptyFieldIsAsWideAsItsTitleAndCancelGivesNothing)
{
    ASSERT_TRUE(showActive());
    whenBoxOpens([](QWidget* widget) {
        auto* dialog = qobject_cast<QInputDialog*>(widget);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Lexidrop");
        EXPECT_EQ(dialog->labelText(), "You placed 3rd. Enter your name:");
        EXPECT_EQ(dialog->textValue(), "");
        expectFitsTitleAndCentresMessage(dialog, dialog->findChild<QLabel*>(), "name prompt");
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        EXPECT_EQ(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        dialog->findChild<QLineEdit*>()->setText("Zed");
        buttons->button(QDialogButtonBox::Cancel)->click();
    });
    std::string name;
    ASSERT_NO_FATAL_FAILURE(name = window->inputBox("You placed 3rd. Enter your name:", "Lexidrop"));
    EXPECT_EQ(name, "");

    whenBoxOpens([](QWidget* widget) {
        auto* dialog = qobject_cast<QInputDialog*>(widget);
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>()->setText("Ann");
        dialog->accept();
    });
    ASSERT_NO_FATAL_FAILURE(name = window->inputBox("prompt", "Lexidrop"));
    EXPECT_EQ(name, "Ann");
}

TEST_F(LookTest, FixedSizeWindowsOfferNoMaximiseButton)
{
    ASSERT_TRUE(showActive());
    window->mnuHow_Click();
    window->mnuProgram_Click();
    const std::vector<std::pair<QWidget*, const char*>> windows{
        {window.get(), "main"}, {window->helpWindow(), "help"}, {window->aboutWindow(), "about"}};
    for (const auto& [shown, what] : windows) {
        ASSERT_NE(shown, nullptr) << what;
        EXPECT_EQ(shown->minimumSize(), shown->maximumSize()) << what;
        EXPECT_FALSE(shown->windowFlags() & Qt::WindowMaximizeButtonHint) << what;
        // Told explicitly, so that the platform adds no buttons of its own.
        EXPECT_TRUE(shown->windowFlags() & Qt::CustomizeWindowHint) << what;
        EXPECT_TRUE(shown->windowFlags() & Qt::WindowCloseButtonHint) << what;
        EXPECT_TRUE(shown->windowFlags() & Qt::WindowTitleHint) << what;
    }
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST_F(LookTest, EscClosesTheHelpAndAboutWindowsAndDoesNothingInTheGame)
{
    ASSERT_TRUE(showActive());
    for (int i = 0; i < 2; ++i) {
        if (i == 0) {
            window->mnuHow_Click();
        } else {
            window->mnuProgram_Click();
        }
        QPointer<QWidget> secondary = i == 0 ? static_cast<QWidget*>(window->helpWindow()) : window->aboutWindow();
        ASSERT_NE(secondary, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(secondary));
        QWidget* target = secondary->focusWidget() != nullptr ? secondary->focusWidget() : secondary.data();
        QTest::keyClick(target, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(secondary.isNull() || !secondary->isVisible()) << (i == 0 ? "help" : "about");
    }

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    driver().masterTick();
    driver().stopMaster(); // the tile moves only if the key moves it
    const auto& state = driver().state();
    const Tile before = state.ImgLetter.at(static_cast<std::size_t>(state.CurrentTile));
    QTest::keyClick(window->surface(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    const Tile after = state.ImgLetter.at(static_cast<std::size_t>(state.CurrentTile));
    EXPECT_EQ(after.Left, before.Left);
    EXPECT_EQ(after.Top, before.Top);
}

} // namespace
} // namespace lexidrop::ui::testing
