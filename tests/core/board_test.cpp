// Landing a tile on the board: the word search, clearing, settling and game over.
#include <gtest/gtest.h>

#include "fakes/fake_window.h"

namespace lexidrop::testing {
namespace {

constexpr int cellOf(int column, int row) { return column + 8 * row; }

// Every non-empty board cell, as "cell:letter" pairs, for compact expectations.
std::vector<std::string> boardCells(const Game& game)
{
    std::vector<std::string> cells;
    for (int i = 0; i < BoardCells; ++i) {
        if (!game.Board.at(static_cast<std::size_t>(i)).empty()) {
            cells.push_back(std::to_string(i) + ":" + game.Board.at(static_cast<std::size_t>(i)));
        }
    }
    return cells;
}

// ------------------------------------------------------------ word search

TEST(WordSearch, ALoneTileOnTheFloorIsRecordedAndFindsNothing)
{
    Rig rig;
    rig.drop(3, "t");
    EXPECT_EQ(boardCells(rig.game), std::vector<std::string>{"115:t"});
    EXPECT_EQ(rig.game.Score, 0);
    EXPECT_TRUE(rig.game.TmrMasterEnabled);
    EXPECT_FALSE(rig.game.TmrAuxiliaryEnabled);
}

TEST(WordSearch, AThreeLetterWordEndingAtTheLandedTileScoresAndClears)
{
    Rig rig;
    rig.place(2, 14, "c");
    rig.place(3, 14, "a");
    rig.drop(4, "t");
    EXPECT_EQ(rig.game.Score, 8);
    EXPECT_EQ(rig.game.LblScore, " 8");
    EXPECT_EQ(rig.game.lblLast, "cat    8 points");
    EXPECT_TRUE(boardCells(rig.game).empty());
    EXPECT_EQ(rig.game.TileCount, 0);
    EXPECT_TRUE(rig.game.TmrAuxiliaryEnabled);
    EXPECT_FALSE(rig.game.TmrMasterEnabled);
}

TEST(WordSearch, ALongerWordThroughTheLandedTileWinsOverAShorterOne)
{
    Rig rig;
    // "abet" and "bet" both end at the landed t; the four letters win.
    rig.place(1, 14, "a");
    rig.place(2, 14, "b");
    rig.place(3, 14, "e");
    rig.drop(4, "t");
    EXPECT_EQ(rig.game.lblLast, "abet    18 points");
    EXPECT_TRUE(boardCells(rig.game).empty());
}

TEST(WordSearch, AmongRunsOfOneLengthTheRunEndingAtTheTileComesFirst)
{
    Rig rig;
    // "cat" ends at the landed t (c t ... ) and "tab" begins at it: c a t a b.
    rig.place(2, 14, "c");
    rig.place(3, 14, "a");
    rig.place(5, 14, "a");
    rig.place(6, 14, "b");
    rig.drop(4, "t");
    EXPECT_EQ(rig.game.lblLast, "cat    8 points");
    EXPECT_EQ(boardCells(rig.game), (std::vector<std::string>{"117:a", "118:b"}));
}

TEST(WordSearch, AHorizontalRunNeverWrapsIntoTheNextRow)
{
    Rig rig;
    // c at the end of row 10 and t at column 1 of row 11: the a landing at
    // column 0 of row 11 would read c-a-t only by wrapping around the edge.
    rig.game.Board.at(cellOf(7, 10)) = "c";
    rig.game.Board.at(cellOf(1, 11)) = "t";
    rig.game.LandLetter(static_cast<std::int16_t>(leftOfColumn(0)), static_cast<std::int16_t>(topOfRow(11)), "a");
    EXPECT_EQ(rig.game.Score, 0);
    EXPECT_EQ(rig.game.Board.at(cellOf(0, 11)), "a");
}

TEST(WordSearch, AFiveLetterWordOfTheSecondHalfIsFound)
{
    Rig rig;
    rig.place(0, 14, "z");
    rig.place(1, 14, "e");
    rig.place(2, 14, "b");
    rig.place(3, 14, "r");
    rig.drop(4, "a");
    EXPECT_EQ(rig.game.Score, 57);
    EXPECT_EQ(rig.game.lblLast, "zebra    57 points");
    EXPECT_TRUE(boardCells(rig.game).empty());
}

TEST(WordSearch, TheDownwardRunIsTriedLastAmongItsLength)
{
    Rig rig;
    // Below the landed c stand a and t (c-a-t downward); to its right a and b
    // (c-a-b along the row).  The row's run is tried first.
    rig.place(2, 14, "t");
    rig.place(2, 13, "a");
    rig.place(3, 14, "x");
    rig.place(3, 13, "x");
    rig.place(3, 12, "a");
    rig.place(4, 14, "x");
    rig.place(4, 13, "x");
    rig.place(4, 12, "b");
    rig.drop(2, "c");
    EXPECT_EQ(rig.game.lblLast, "cab    11 points");
}

TEST(WordSearch, ADownwardWordClearsItsColumnAndLeavesNothingToSettle)
{
    Rig rig;
    rig.place(2, 14, "t");
    rig.place(2, 13, "a");
    rig.drop(2, "c");
    EXPECT_EQ(rig.game.lblLast, "cat    8 points");
    EXPECT_TRUE(boardCells(rig.game).empty());
    EXPECT_EQ(rig.game.TileCount, 0);
    for (int slot = 1; slot <= 4; ++slot) {
        EXPECT_EQ(rig.game.RemovedLeft.at(static_cast<std::size_t>(slot)), 0);
        EXPECT_EQ(rig.game.RemovedTop.at(static_cast<std::size_t>(slot)), 0);
    }
    EXPECT_EQ(rig.settle(), 1) << "the first settle tick hands back at once";
    EXPECT_EQ(rig.game.SettleSteps, 0);
    EXPECT_TRUE(rig.game.TmrMasterEnabled);
    EXPECT_FALSE(rig.game.Falling);
}

TEST(WordSearch, OnlyOneWordIsTakenPerLanding)
{
    Rig rig;
    // "cat" to the left of the landed t and "tab" to its right: one word
    // is taken, the other stays on the board.
    rig.place(2, 14, "c");
    rig.place(3, 14, "a");
    rig.place(5, 14, "a");
    rig.place(6, 14, "b");
    rig.drop(4, "t");
    EXPECT_EQ(rig.game.Score, 8);
}

TEST(WordSearch, RunsReachingOutsideTheBoardAreNotTriedAndDoNotEndTheGame)
{
    // A tile resting in the top-left cells would need runs starting left of
    // cell 0; those are no runs at all, so the tile simply stays.
    for (int column : {0, 1, 2, 3}) {
        Rig rig;
        rig.game.LandLetter(static_cast<std::int16_t>(leftOfColumn(column)), static_cast<std::int16_t>(topOfRow(0)), "q");
        EXPECT_EQ(rig.game.gamesLost(), 0) << column;
        EXPECT_EQ(rig.game.Board.at(static_cast<std::size_t>(column)), "q");
    }
}

TEST(WordSearch, AWordInTheTopRowIsStillFound)
{
    Rig rig;
    rig.place(1, 0, "a");
    rig.place(2, 0, "t");
    rig.place(0, 0, "c"); // the landed tile
    rig.game.CurrentTile = 3;
    rig.game.Board.at(0).clear();
    rig.game.LandLetter(static_cast<std::int16_t>(leftOfColumn(0)), static_cast<std::int16_t>(topOfRow(0)), "c");
    EXPECT_EQ(rig.game.lblLast, "cat    8 points");
    EXPECT_EQ(rig.game.gamesLost(), 0);
}

// ------------------------------------------------------------ modes

TEST(LandingModes, SettlingMovesALetterDownOneRowWithoutScoring)
{
    Rig rig;
    rig.game.Board.at(cellOf(2, 14)) = "c";
    rig.game.Board.at(cellOf(3, 13)) = "a"; // moves down to 115, next to c ... t
    rig.game.Board.at(cellOf(4, 14)) = "t";
    rig.game.SettleMode = true;
    rig.game.LandLetter(static_cast<std::int16_t>(leftOfColumn(3)), static_cast<std::int16_t>(topOfRow(14)), "a");
    EXPECT_EQ(boardCells(rig.game), (std::vector<std::string>{"114:c", "115:a", "116:t"}));
    EXPECT_EQ(rig.game.Score, 0) << "words formed by settling never score";
}

TEST(LandingModes, ClearingEmptiesAVerticalRunAndResetsItsFlag)
{
    Rig rig;
    for (int cell : {29, 37, 45, 53, 61, 69}) {
        rig.game.Board.at(static_cast<std::size_t>(cell)) = "x";
    }
    rig.game.ClearCellsMode = true;
    rig.game.LandLetter(37, 4, "a");
    EXPECT_EQ(boardCells(rig.game), (std::vector<std::string>{"29:x", "69:x"}));
    EXPECT_FALSE(rig.game.ClearCellsMode);
}

// ------------------------------------------------------------ game over

TEST(GameOver, ATileAtRestInRowMinus1EndsTheGameInEveryColumn)
{
    for (int column = 0; column < Columns; ++column) {
        Rig rig;
        rig.place(column, 5, "x");
        rig.game.Score = 12;
        rig.game.LandLetter(static_cast<std::int16_t>(leftOfColumn(column)), static_cast<std::int16_t>(topOfRow(-1)), "q");
        EXPECT_EQ(rig.window.messages, std::vector<std::string>{"You Lose"}) << column;
        EXPECT_EQ(rig.game.lastGameOver(), GameOverCause::Overflow);
        EXPECT_TRUE(boardCells(rig.game).empty()) << "the overflowing letter is not recorded";
        EXPECT_EQ(rig.game.TileCount, 0);
        EXPECT_EQ(rig.game.Score, 0);
        EXPECT_EQ(rig.game.LblScore, "0");
    }
}

TEST(GameOver, AScoreEqualToTheTenthPlaceLabelTakesNoPlace)
{
    for (const auto& [score, prompted] : {std::pair{35, false}, std::pair{36, true}}) {
        Rig rig;
        for (int i = 0; i < Places; ++i) {
            rig.game.Table.HsNames.at(static_cast<std::size_t>(i)) = "p" + std::to_string(i);
            rig.game.Table.HsScores.at(static_cast<std::size_t>(i)) = 80 - 5 * i; // ..., 40, 35
        }
        rig.game.LblHs.at(9) = "35";
        rig.game.Score = score;
        rig.window.answers = {"Neu"};
        rig.game.LandLetter(static_cast<std::int16_t>(leftOfColumn(3)), static_cast<std::int16_t>(topOfRow(-1)), "q");
        if (prompted) {
            EXPECT_EQ(rig.window.prompts,
                      std::vector<std::string>{"At least you placed!  Tenth Place!  Please enter your name"});
            EXPECT_EQ(rig.game.Table.HsScores.at(9), 36);
        } else {
            EXPECT_TRUE(rig.window.prompts.empty());
            EXPECT_EQ(rig.store.writes, 0);
        }
    }
}

TEST(GameOver, TheCheckReadsTheTenthLabelNotTheTable)
{
    Rig rig;
    rig.game.LblHs.at(9) = ""; // an empty label counts as 0
    rig.game.Table.HsScores.at(0) = 100;
    rig.game.Score = 5;
    rig.game.LandLetter(static_cast<std::int16_t>(leftOfColumn(3)), static_cast<std::int16_t>(topOfRow(-1)), "q");
    EXPECT_EQ(rig.window.prompts.size(), 1u);
    EXPECT_EQ(rig.store.writes, 1);
}

TEST(GameOver, AFailingNamePromptStillStartsTheNextGame)
{
    Rig rig;
    rig.place(3, 14, "x");
    rig.game.Score = 20;
    rig.window.duringBox = [&] {
        if (!rig.window.prompts.empty()) {
            throw std::runtime_error("the box could not be shown");
        }
    };
    rig.game.LandLetter(static_cast<std::int16_t>(leftOfColumn(3)), static_cast<std::int16_t>(topOfRow(-1)), "q");
    EXPECT_EQ(rig.window.prompts.size(), 1u);
    EXPECT_TRUE(boardCells(rig.game).empty());
    EXPECT_EQ(rig.game.TileCount, 0);
    EXPECT_EQ(rig.game.LblScore, "0");
    EXPECT_FALSE(rig.game.inModalBox());
}

TEST(GameOver, NoTickRunsWhileTheMessageBoxIsOpen)
{
    Rig rig;
    for (int row = 14; row >= 0; --row) {
        rig.place(3, row, "x");
    }
    int tilesDuringBox = -1;
    rig.window.duringBox = [&] {
        rig.game.TmrMaster_Timer();
        rig.game.TmrAuxiliary_Timer();
        rig.game.Form_KeyDown(KeyLeft, 0);
        tilesDuringBox = rig.game.TileCount;
    };
    rig.spawn("b");
    EXPECT_EQ(tilesDuringBox, 16) << "the ticks inside the box did nothing";
    EXPECT_EQ(rig.game.TileCount, 0);
    EXPECT_EQ(rig.game.gamesLost(), 1);
}

// ------------------------------------------------------------ clearing

TEST(ClearWord, SurvivorsAreRenumberedInOrderAndTheSlotsFollowTileIndexOrder)
{
    Rig rig;
    rig.place(0, 14, "x"); // 1
    rig.place(0, 13, "y"); // 2
    rig.place(2, 14, "c"); // 3: X0 - 64
    rig.place(6, 14, "v"); // 4
    rig.place(3, 14, "a"); // 5: X0 - 32
    rig.place(6, 13, "w"); // 6
    rig.drop(4, "t");      // 7: X0 = 149
    ASSERT_EQ(rig.game.lblLast, "cat    8 points");
    EXPECT_EQ(rig.game.TileCount, 4);
    ASSERT_EQ(rig.game.ImgLetter.size(), 5u);
    const std::vector<std::string> tags{rig.game.ImgLetter[1].Tag, rig.game.ImgLetter[2].Tag,
                                        rig.game.ImgLetter[3].Tag, rig.game.ImgLetter[4].Tag};
    EXPECT_EQ(tags, (std::vector<std::string>{"x", "y", "v", "w"}));
    EXPECT_EQ(pictureName(rig.game.ImgLetter[3]), "v.bmp");
    EXPECT_EQ(rig.game.ImgLetter[4].Left, 213.0f);
    EXPECT_EQ(rig.game.ImgLetter[4].Top, 407.0f);
    EXPECT_EQ(rig.game.RemovedLeft[1], 85);
    EXPECT_EQ(rig.game.RemovedTop[1], 439);
    EXPECT_EQ(rig.game.RemovedLeft[2], 117);
    EXPECT_EQ(rig.game.RemovedTop[2], 439);
    EXPECT_EQ(rig.game.RemovedLeft[3], 0);
    EXPECT_EQ(rig.game.RemovedTop[4], 0);
    EXPECT_GT(rig.game.CurrentTile, rig.game.TileCount);
    EXPECT_TRUE(rig.game.Falling);
}

TEST(ClearWord, FiveLetterSlotsHoldTheRemovedTilesByIndexNotByPosition)
{
    Rig rig;
    // Placed right to left, so index order is the reverse of reading order.
    rig.place(4, 14, "k");
    rig.place(3, 14, "c");
    rig.place(2, 14, "i");
    rig.place(1, 14, "u");
    rig.game.Board.fill("");
    rig.game.Board.at(cellOf(1, 14)) = "u";
    rig.game.Board.at(cellOf(2, 14)) = "i";
    rig.game.Board.at(cellOf(3, 14)) = "c";
    rig.game.Board.at(cellOf(4, 14)) = "k";
    rig.drop(0, "q");
    ASSERT_EQ(rig.game.lblLast, "quick    99 points");
    const std::array<std::int16_t, 5> lefts{0, 149, 117, 85, 53};
    EXPECT_EQ(rig.game.RemovedLeft, lefts);
}

TEST(ClearWord, ATileInAnotherRowAtATargetColumnIsNotMatched)
{
    Rig rig;
    rig.place(2, 14, "c");
    rig.place(3, 14, "a");
    rig.place(2, 13, "o"); // same Left as a target, one row up: stays
    rig.drop(4, "t");
    ASSERT_EQ(rig.game.lblLast, "cat    8 points");
    ASSERT_EQ(rig.game.TileCount, 1);
    EXPECT_EQ(rig.game.ImgLetter.at(1).Tag, "o");
}

TEST(ClearWord, ThePreviewKeepsItsPlaceAndPicture)
{
    Rig rig;
    rig.place(2, 14, "c");
    rig.place(3, 14, "a");
    rig.window.draws = {0.5f};
    rig.drop(4, "t");
    EXPECT_EQ(pictureName(rig.game.ImgLetter.at(0)), "l.bmp");
    EXPECT_EQ(rig.game.ImgLetter.at(0).Left, 324.0f);
    EXPECT_EQ(rig.game.ImgLetter.at(0).Top, 55.0f);
}

// ------------------------------------------------------------ settling

TEST(Settle, TilesAboveAClearedWordSinkOneRowInFourTicks)
{
    Rig rig;
    rig.place(2, 14, "c"); // 1
    rig.place(4, 14, "t"); // 2
    rig.place(2, 13, "o"); // 3 above the left tile
    rig.place(2, 12, "p"); // 4 above it
    rig.place(4, 13, "e"); // 5 above the right tile
    rig.drop(3, "a");
    ASSERT_EQ(rig.game.lblLast, "cat    8 points");
    EXPECT_EQ(boardCells(rig.game), (std::vector<std::string>{"98:p", "106:o", "108:e"}));
    for (int tick = 1; tick <= 3; ++tick) {
        rig.game.TmrAuxiliary_Timer();
        EXPECT_EQ(rig.game.SettleSteps, tick);
        EXPECT_EQ(rig.game.ImgLetter.at(1).Top, 407.0f + 8 * tick);
        EXPECT_TRUE(rig.game.TmrAuxiliaryEnabled);
    }
    rig.game.TmrAuxiliary_Timer();
    EXPECT_EQ(boardCells(rig.game), (std::vector<std::string>{"106:p", "114:o", "116:e"}));
    EXPECT_EQ(rig.game.ImgLetter.at(1).Top, 439.0f);
    EXPECT_EQ(rig.game.ImgLetter.at(2).Top, 407.0f);
    EXPECT_EQ(rig.game.ImgLetter.at(3).Top, 439.0f);
    EXPECT_FALSE(rig.game.TmrAuxiliaryEnabled);
    EXPECT_TRUE(rig.game.TmrMasterEnabled);
    EXPECT_FALSE(rig.game.Falling);
    EXPECT_FALSE(rig.game.SettleStarted);
    EXPECT_EQ(rig.game.SettleSteps, 0);
    EXPECT_FALSE(rig.game.SettleMode);
    rig.game.TmrMaster_Timer();
    EXPECT_EQ(rig.game.TileCount, 4) << "the next master tick spawns";
}

TEST(Settle, AWordFormedBySettlingNeverScores)
{
    Rig rig;
    // After "cat" goes, the column above c drops "b","a" down beside "t"... a
    // row that reads a word after the settle is not looked up.
    rig.place(5, 14, "c"); // 1
    rig.place(7, 14, "t"); // 2
    rig.place(5, 13, "x"); // 3 above c: sinks to row 14 col 5
    rig.place(4, 14, "z");  // 4
    rig.drop(6, "a");
    ASSERT_EQ(rig.game.Score, 8);
    rig.settle();
    EXPECT_EQ(rig.game.Score, 8);
    EXPECT_EQ(rig.game.Board.at(cellOf(5, 14)), "x");
}

TEST(Settle, AFullColumnOverARemovedTileSettlesWhole)
{
    Rig rig;
    rig.place(1, 14, "c");
    for (int row = 13; row >= 0; --row) {
        rig.place(1, row, "o"); // 14 tiles above the c
    }
    rig.place(2, 14, "a");
    rig.drop(3, "t");
    ASSERT_EQ(rig.game.lblLast, "cat    8 points");
    EXPECT_EQ(rig.settle(), 4);
    for (int row = 1; row <= 14; ++row) {
        EXPECT_EQ(rig.game.Board.at(static_cast<std::size_t>(cellOf(1, row))), "o") << row;
    }
    EXPECT_TRUE(rig.game.Board.at(cellOf(1, 0)).empty());
    EXPECT_EQ(rig.game.gamesLost(), 0);
}

TEST(Settle, KeysAndMasterTicksDuringASettleDoNothing)
{
    Rig rig;
    rig.place(2, 14, "c");
    rig.place(4, 14, "t");
    rig.place(2, 13, "o");
    rig.drop(3, "a");
    rig.game.Form_GotFocus(); // focus back early switches the master timer on
    const std::vector<Tile> before = rig.game.ImgLetter;
    for (std::int16_t key : {KeyLeft, KeyRight, KeyDown}) {
        rig.game.Form_KeyDown(key, 0);
    }
    rig.game.TmrMaster_Timer();
    ASSERT_EQ(rig.game.ImgLetter.size(), before.size());
    EXPECT_EQ(rig.game.ImgLetter.at(1).Top, before.at(1).Top);
    EXPECT_EQ(rig.game.ImgLetter.at(1).Left, before.at(1).Left);
    EXPECT_EQ(rig.settle(), 4);
    EXPECT_TRUE(rig.game.TmrMasterEnabled);
}

// ------------------------------------------------------------ new game

TEST(NewGame, ClearsTheWellAndScoreButKeepsTheLettersAndLastWord)
{
    Rig rig;
    for (int i = 0; i < 30; ++i) {
        rig.place(i % 8, 14 - i / 8, "x");
    }
    rig.game.Score = 40;
    rig.game.lblLast = "cat    8 points";
    rig.game.NextLetter = "q";
    rig.game.CurrentLetter = "z";
    rig.game.CurrentTile = 30;
    rig.game.Falling = true;
    rig.game.RemovedLeft[1] = 85;
    rig.game.NewGame();
    EXPECT_EQ(rig.game.ImgLetter.size(), 1u);
    EXPECT_EQ(rig.game.TileCount, 0);
    EXPECT_EQ(rig.game.CurrentTile, 0);
    EXPECT_FALSE(rig.game.Falling);
    EXPECT_EQ(rig.game.Score, 0);
    EXPECT_EQ(rig.game.LblScore, "0");
    EXPECT_EQ(rig.game.lblLast, "cat    8 points");
    EXPECT_EQ(rig.game.NextLetter, "q");
    EXPECT_EQ(rig.game.CurrentLetter, "z");
    EXPECT_EQ(rig.game.RemovedLeft[1], 85);
    EXPECT_EQ(pictureName(rig.game.ImgLetter.at(0)), "a.bmp");
    rig.window.draws = {0.0f};
    rig.game.TmrMaster_Timer();
    EXPECT_EQ(rig.game.ImgLetter.at(1).Tag, "q") << "the first tile is the old next letter";
}

} // namespace
} // namespace lexidrop::testing
