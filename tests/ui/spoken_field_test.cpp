// What the readout says and when, without a window: driven by notices as
// the game sends them.
#include <gtest/gtest.h>

#include "ui/spoken_field.h"

namespace lexidrop::ui::testing {
namespace {

// A tile notice for a tile resting or falling at a column and row.
void showTile(SpokenField& field, int index, char letter, int column, int row)
{
    field.tileChanged(index, letter, static_cast<float>(leftOfColumn(column)), static_cast<float>(topOfRow(row)),
                      true);
}

TEST(SpokenField, TrimsWhiteSpaceAsQtDoesAndKeepsEverythingElse)
{
    EXPECT_EQ(trimmedText("  Ann \t"), "Ann");
    EXPECT_EQ(trimmedText("\xc2\xa0" "Ann Lee\xe3\x80\x80"), "Ann Lee"); // no-break and ideographic spaces
    EXPECT_EQ(trimmedText("\xe2\x80\xa8x\xe2\x80\x8a"), "x");             // line separator, hair space
    EXPECT_EQ(trimmedText("\xe2\x80\x8bx"), "\xe2\x80\x8bx");             // a zero-width space is no space
    EXPECT_EQ(trimmedText("\xc0\xa0x "), "\xc0\xa0x");                     // an overlong space is broken text, kept
    EXPECT_EQ(trimmedText("x\xe2\x80 "), "x\xe2\x80");                     // so is a cut-off sequence
    EXPECT_EQ(trimmedText("\xef\xbb\xbf Ann"), "Ann");                     // a leading byte-order mark is dropped
    EXPECT_EQ(trimmedText(" \n "), "");
}

TEST(SpokenField, TheLastWordIsSpokenFromTheWordThatScored)
{
    SpokenField field;
    field.labelChanged(Label::Last, 0, "");
    EXPECT_EQ(field.lastWordText(), "Last word: none");
    field.wordScored("quiz", 58);
    field.labelChanged(Label::Last, 0, "quiz    58 points");
    EXPECT_EQ(field.lastWordText(), "Last word: quiz, 58 points");
    field.labelChanged(Label::Score, 0, " 58");
    EXPECT_EQ(field.scoreText(), "Score: 58");
}

TEST(SpokenField, RestingTilesAreRowsFromTheFloorAndTheTileInPlayFallsUntilItRests)
{
    SpokenField field;
    showTile(field, 0, 'q', 0, 0); // the preview: no cell of the well
    showTile(field, 1, 'c', 2, FloorRow);
    showTile(field, 2, 'a', 3, FloorRow);
    field.tileInPlay(3);
    showTile(field, 3, 'b', 3, 1);
    EXPECT_EQ(field.nextPieceText(), "Next piece: Q");
    EXPECT_EQ(field.wellRowText(1), "Row 1: . . C A . . . .");
    EXPECT_EQ(field.fallingText(), "Falling: B, column 4, row 14");
    EXPECT_EQ(field.wellRowText(14), "Row 14: . . . . . . . .");
    EXPECT_EQ(field.stackHeightsText(), "Stack heights: 0 0 1 1 0 0 0 0");
    // Come to rest on the A, it is part of the stack.
    showTile(field, 3, 'b', 3, FloorRow - 1);
    EXPECT_EQ(field.fallingText(), "Falling: none");
    EXPECT_EQ(field.stackHeightsText(), "Stack heights: 0 0 1 2 0 0 0 0");
    // Steered off the stack it falls again, until it lands.
    showTile(field, 3, 'b', 4, FloorRow - 1);
    EXPECT_EQ(field.fallingText(), "Falling: B, column 5, row 2");
    field.tileInPlay(0);
    EXPECT_EQ(field.fallingText(), "Falling: none");
    EXPECT_EQ(field.wellRowText(2), "Row 2: . . . . B . . .");
    EXPECT_TRUE(field.tileUnloaded(3));
    EXPECT_FALSE(field.tileUnloaded(7));
    EXPECT_EQ(field.wellRowText(2), "Row 2: . . . . . . . .");
}

TEST(SpokenField, AnItemIsFirstHeardSilentlyThenEachChangeOnce)
{
    SpokenField field;
    const SpokenItem row{SpokenPart::TableRow, 2};
    EXPECT_FALSE(field.heardChange(row)) << "the first look is no change";
    field.labelChanged(Label::Name, 2, "Cyd");
    field.labelChanged(Label::HighScore, 2, "57");
    EXPECT_EQ(field.tableRowText(2), "3. Cyd, 57");
    EXPECT_TRUE(field.heardChange(row));
    EXPECT_FALSE(field.heardChange(row));
    EXPECT_FALSE(field.heardChange({SpokenPart::WellRow, SpokenRows + 1})) << "no such row";
}

TEST(SpokenField, ATileNoticeMayChangeTheFallingTileEveryRowAndTheWellInThatOrder)
{
    const std::vector<SpokenItem> items = SpokenField::itemsAfterTile(4);
    ASSERT_EQ(items.size(), static_cast<std::size_t>(SpokenRows + 2));
    EXPECT_EQ(items.front().part, SpokenPart::Falling);
    EXPECT_EQ(items.at(1).number, 1);
    EXPECT_EQ(items.back().part, SpokenPart::Well);
    const std::vector<SpokenItem> preview = SpokenField::itemsAfterTile(0);
    ASSERT_EQ(preview.size(), 1u);
    EXPECT_EQ(preview.front().part, SpokenPart::NextPiece);
    for (int slot = 0; slot < SpokenSlots; ++slot) {
        EXPECT_EQ(slotOf(itemOfSlot(slot)), slot);
    }
}

} // namespace
} // namespace lexidrop::ui::testing
