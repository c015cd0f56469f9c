// Landing a tile on the board: the word search, clearing, settling and game over.
#include <gtest/gtest.h>

#include <cstdint>

#include "fakes/fake_window.h"

namespace lexidrop::testing {
namespace {

constexpr std::size_t cellOf(int column, int row) { return static_cast<std::size_t>(column + Columns * row); }

// ------------------------------------------------------------ word search

// One of the fifteen runs: a word, where its landed letter is, which way it reads.
struct RunCase {
    std::string word;
    int landed; // position of the landed letter in the word, 0-based
    bool down;  // read downward from the landed tile
    std::string last;
};

// Places the word's other letters (across the bottom row from column 1, or
// down column 5 below the landing) and drops the landed letter into place.
::testing::AssertionResult landWord(Rig& rig, const RunCase& c)
{
    const int first = 1; // the word's first column across
    const int column = c.down ? 5 : first + c.landed;
    const auto length = static_cast<int>(c.word.size());
    for (int k = length - 1; k >= 0; --k) {
        const std::string letter(1, c.word.at(static_cast<std::size_t>(k)));
        if (k == c.landed) {
            continue;
        }
        if (c.down) {
            rig.place(column, 14 - (length - 1 - k), letter);
        } else {
            rig.place(first + k, 14, letter);
        }
    }
    return rig.drop(column, std::string(1, c.word.at(static_cast<std::size_t>(c.landed))));
}

// Each of the fifteen runs alone on the board finds its word, removes all
// its tiles and empties its cells: a word across the bottom row with the
// landed letter at each position, or a word downward from the landed tile.
TEST(WordSearch, EveryRunThroughTheLandedTileFindsItsWord)
{
    const std::vector<RunCase> cases = {
        {"zebra", 4, false, lastWordText("zebra", 57)}, {"zebra", 0, false, lastWordText("zebra", 57)},
        {"zebra", 1, false, lastWordText("zebra", 57)}, {"zebra", 2, false, lastWordText("zebra", 57)},
        {"zebra", 3, false, lastWordText("zebra", 57)}, {"zebra", 0, true, lastWordText("zebra", 57)},
        {"abet", 3, false, lastWordText("abet", 18)},   {"abet", 0, false, lastWordText("abet", 18)},
        {"abet", 1, false, lastWordText("abet", 18)},   {"abet", 2, false, lastWordText("abet", 18)},
        {"abet", 0, true, lastWordText("abet", 18)},    {"cat", 2, false, lastWordText("cat", 8)},
        {"cat", 0, false, lastWordText("cat", 8)},      {"cat", 1, false, lastWordText("cat", 8)},
        {"cat", 0, true, lastWordText("cat", 8)},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.word + (c.down ? " down" : " across, landed at " + std::to_string(c.landed)));
        Rig rig;
        ASSERT_TRUE(landWord(rig, c));
        EXPECT_EQ(rig.state().lblLast, c.last);
        EXPECT_TRUE(rig.boardCells().empty());
        EXPECT_EQ(rig.state().TileCount, 0) << "every tile of the word is removed";
        EXPECT_EQ(rig.window.shownTiles.size(), 1u) << "only the preview is left on screen";
    }
}

TEST(WordSearch, ALoneTileOnTheFloorIsRecordedAndFindsNothing)
{
    Rig rig;
    ASSERT_TRUE(rig.drop(3, "t"));
    EXPECT_EQ(rig.boardCells(), std::vector<std::string>{"115:t"});
    EXPECT_EQ(rig.state().Score, 0);
    EXPECT_TRUE(rig.state().TmrMasterEnabled);
    EXPECT_FALSE(rig.state().TmrAuxiliaryEnabled);
}

TEST(WordSearch, AThreeLetterWordEndingAtTheLandedTileScoresAndClears)
{
    Rig rig;
    rig.place(2, 14, "c");
    rig.place(3, 14, "a");
    rig.window.scoring.clear();
    ASSERT_TRUE(rig.drop(4, "t"));
    EXPECT_EQ(rig.state().Score, 8);
    EXPECT_EQ(rig.state().LblScore, " 8");
    EXPECT_EQ(rig.state().lblLast, lastWordText("cat", 8));
    // The view hears the word and its points, then the labels that show them.
    EXPECT_EQ(rig.window.scoring, (std::vector<std::string>{"word cat 8", "score  8", "last " + lastWordText("cat", 8)}));
    EXPECT_TRUE(rig.boardCells().empty());
    EXPECT_EQ(rig.state().TileCount, 0);
    EXPECT_TRUE(rig.state().TmrAuxiliaryEnabled);
    EXPECT_FALSE(rig.state().TmrMasterEnabled);
}

TEST(WordSearch, ALongerWordThroughTheLandedTileWinsOverAShorterOne)
{
    Rig rig;
    // "abet" and "bet" both end at the landed t; the four letters win.
    ASSERT_TRUE(rig.well({".abe...."}));
    ASSERT_TRUE(rig.drop(4, "t"));
    EXPECT_EQ(rig.state().lblLast, lastWordText("abet", 18));
    EXPECT_TRUE(rig.boardCells().empty());
}

TEST(WordSearch, AmongRunsOfOneLengthTheRunEndingAtTheTileComesFirst)
{
    Rig rig;
    // "cat" ends at the landed t (c t ... ) and "tab" begins at it: c a t a b.
    ASSERT_TRUE(rig.well({"..ca.ab."}));
    ASSERT_TRUE(rig.drop(4, "t"));
    EXPECT_EQ(rig.state().lblLast, lastWordText("cat", 8));
    EXPECT_EQ(rig.boardCells(), (std::vector<std::string>{"117:a", "118:b"}));
}

TEST(WordSearch, AHorizontalRunNeverWrapsIntoTheNextRow)
{
    Rig rig;
    // c at the end of row 10 and t at column 1 of row 11: the a landing at
    // column 0 of row 11 would read c-a-t only by wrapping around the edge.
    rig.place(7, 10, "c");
    rig.place(1, 11, "t");
    rig.land(0, 11, "a");
    EXPECT_EQ(rig.state().Score, 0);
    EXPECT_EQ(rig.state().Board.at(cellOf(0, 11)), "a");
}

TEST(WordSearch, AFiveLetterWordOfTheSecondHalfIsFound)
{
    Rig rig;
    ASSERT_TRUE(rig.well({"zebr...."}));
    ASSERT_TRUE(rig.drop(4, "a"));
    EXPECT_EQ(rig.state().Score, 57);
    EXPECT_EQ(rig.state().lblLast, lastWordText("zebra", 57));
    EXPECT_TRUE(rig.boardCells().empty());
}

TEST(WordSearch, TheDownwardRunIsTriedLastAmongItsLength)
{
    Rig rig;
    // Below the landed c stand a and t (c-a-t downward); to its right a and b
    // (c-a-b along the row).  The row's run is tried first.
    const std::vector<std::string> position{
        "...ab...",
        "..axx...",
        "..txx...",
    };
    ASSERT_TRUE(rig.well(position, WellOrder::ByColumn));
    ASSERT_TRUE(rig.drop(2, "c"));
    EXPECT_EQ(rig.state().lblLast, lastWordText("cab", 11));
}

TEST(WordSearch, ADownwardWordClearsItsColumnAndLeavesNothingToSettle)
{
    Rig rig;
    rig.place(2, 14, "t");
    rig.place(2, 13, "a");
    ASSERT_TRUE(rig.drop(2, "c"));
    EXPECT_EQ(rig.state().lblLast, lastWordText("cat", 8));
    EXPECT_TRUE(rig.boardCells().empty());
    EXPECT_EQ(rig.state().TileCount, 0);
    for (int slot = 1; slot <= 4; ++slot) {
        EXPECT_EQ(rig.state().RemovedLeft.at(static_cast<std::size_t>(slot)), 0);
        EXPECT_EQ(rig.state().RemovedTop.at(static_cast<std::size_t>(slot)), 0);
    }
    EXPECT_EQ(rig.settle(), 1) << "the first settle tick hands back at once";
    EXPECT_EQ(rig.state().SettleSteps, 0);
    EXPECT_TRUE(rig.state().TmrMasterEnabled);
    EXPECT_FALSE(rig.state().Falling);
}

TEST(WordSearch, OnlyOneWordIsTakenPerLanding)
{
    Rig rig;
    // "cat" to the left of the landed t and "tab" to its right: one word
    // is taken, the other stays on the board.
    ASSERT_TRUE(rig.well({"..ca.ab."}));
    ASSERT_TRUE(rig.drop(4, "t"));
    EXPECT_EQ(rig.state().Score, 8);
}

TEST(WordSearch, RunsReachingOutsideTheBoardAreNotTriedAndDoNotEndTheGame)
{
    // A tile resting in the top-left cells would need runs starting left of
    // cell 0; those are no runs at all, so the tile simply stays.
    for (int column : {0, 1, 2, 3}) {
        Rig rig;
        rig.land(column, 0, "q");
        EXPECT_EQ(rig.game.gamesLost(), 0) << column;
        EXPECT_EQ(rig.state().Board.at(static_cast<std::size_t>(column)), "q");
    }
}

TEST(WordSearch, AWordInTheTopRowIsStillFound)
{
    Rig rig;
    rig.place(1, 0, "a");
    rig.place(2, 0, "t");
    rig.land(0, 0, "c");
    EXPECT_EQ(rig.state().lblLast, lastWordText("cat", 8));
    EXPECT_EQ(rig.game.gamesLost(), 0);
}

// ------------------------------------------------------------ settling and clearing cells

TEST(LandingModes, SettlingMovesLettersDownOneRowWithoutScoring)
{
    Rig rig;
    // "cat" goes from the bottom row; the o and g above its first two
    // letters sink beside the d and read "dog", which is never looked up.
    ASSERT_TRUE(rig.well({
        ".og.....",
        "dca.....",
    }));
    ASSERT_TRUE(rig.drop(3, "t"));
    ASSERT_EQ(rig.state().lblLast, lastWordText("cat", 8));
    rig.settle();
    EXPECT_EQ(rig.boardCells(), (std::vector<std::string>{"112:d", "113:o", "114:g"}));
    EXPECT_EQ(rig.state().Score, 8) << "words formed by settling never score";
}

TEST(LandingModes, ClearingADownwardWordEmptiesOnlyItsOwnCells)
{
    Rig rig;
    ASSERT_TRUE(rig.well({
        "..a.....",
        "..t.....",
        "..x.....",
    }));
    ASSERT_TRUE(rig.drop(2, "c"));
    ASSERT_EQ(rig.state().lblLast, lastWordText("cat", 8));
    EXPECT_EQ(rig.boardCells(), std::vector<std::string>{"114:x"});
    EXPECT_EQ(rig.state().TileCount, 1);
    EXPECT_EQ(rig.state().ImgLetter.at(1).Tag, "x");
}

// ------------------------------------------------------------ game over

TEST(GameOver, ATileAtRestInRowMinus1EndsTheGameInEveryColumn)
{
    for (int column = 0; column < Columns; ++column) {
        Rig rig;
        rig.place(column, 5, "x");
        GameSetup(rig.game).setScore(12);
        rig.game.LandLetter(static_cast<std::int16_t>(leftOfColumn(column)), static_cast<std::int16_t>(topOfRow(-1)), "q");
        EXPECT_EQ(rig.window.messages, std::vector<std::string>{"You Lose"}) << column;
        EXPECT_EQ(rig.game.lastGameOver(), GameOverCause::Overflow);
        EXPECT_TRUE(rig.boardCells().empty()) << "the overflowing letter is not recorded";
        EXPECT_EQ(rig.state().TileCount, 0);
        EXPECT_EQ(rig.state().Score, 0);
        EXPECT_EQ(rig.state().LblScore, "0");
    }
}

TEST(GameOver, AScoreEqualToTheTenthPlaceLabelTakesNoPlace)
{
    for (const auto& [score, prompted] : {std::pair{35, false}, std::pair{36, true}}) {
        Rig rig;
        std::vector<std::pair<std::string, std::int32_t>> table;
        for (int i = 0; i < Places; ++i) {
            table.emplace_back("p" + std::to_string(i), 80 - 5 * i); // ..., 40, 35
        }
        rig.loadTable(table);
        ASSERT_EQ(rig.state().LblHs.at(9), "35");
        rig.window.answers = {"Neu"};
        rig.loseWithScore(score);
        if (prompted) {
            EXPECT_EQ(rig.window.prompts,
                      std::vector<std::string>{"At least you placed!  Tenth Place!  Please enter your name"});
            EXPECT_EQ(rig.state().Table.HsScores.at(9), 36);
        } else {
            EXPECT_TRUE(rig.window.prompts.empty());
            EXPECT_EQ(rig.store.writes, 0);
        }
    }
}

TEST(GameOver, TheCheckReadsTheTenthLabelNotTheTable)
{
    Rig rig;
    rig.loadTable({{"Ann", 100}});
    ASSERT_EQ(rig.state().LblHs.at(9), ""); // an empty label counts as 0
    rig.loseWithScore(5);
    EXPECT_EQ(rig.window.prompts.size(), 1u);
    EXPECT_EQ(rig.store.writes, 1);
}

TEST(GameOver, AFailingNamePromptStillStartsTheNextGame)
{
    Rig rig;
    rig.place(3, 14, "x");
    GameSetup(rig.game).setScore(20);
    rig.window.duringBox = [&] {
        if (!rig.window.prompts.empty()) {
            throw std::runtime_error("the box could not be shown");
        }
    };
    rig.game.LandLetter(static_cast<std::int16_t>(leftOfColumn(3)), static_cast<std::int16_t>(topOfRow(-1)), "q");
    EXPECT_EQ(rig.window.prompts.size(), 1u);
    EXPECT_TRUE(rig.boardCells().empty());
    EXPECT_EQ(rig.state().TileCount, 0);
    EXPECT_EQ(rig.state().LblScore, "0");
    EXPECT_FALSE(rig.game.inModalBox());
}

TEST(GameOver, AWordThatWouldCarryTheScorePastTheLargest32BitValueEndsTheGame)
{
    Rig rig;
    rig.place(2, 14, "c");
    rig.place(3, 14, "a");
    GameSetup(rig.game).setScore(INT32_MAX - 3); // "cat" is worth 8
    rig.window.answers = {"Max"};
    ASSERT_TRUE(rig.drop(4, "t"));
    EXPECT_EQ(rig.window.messages, std::vector<std::string>{"You Lose"});
    EXPECT_EQ(rig.game.lastGameOver(), GameOverCause::Failure);
    EXPECT_EQ(rig.state().Table.HsScores.at(0), INT32_MAX - 3) << "the score before the word is kept";
    EXPECT_EQ(rig.state().Score, 0);
    EXPECT_TRUE(rig.boardCells().empty());
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
        rig.game.Form_KeyDown(Key::Left);
        tilesDuringBox = rig.state().TileCount;
    };
    ASSERT_TRUE(rig.spawn("b"));
    EXPECT_EQ(tilesDuringBox, 16) << "the ticks inside the box did nothing";
    EXPECT_EQ(rig.state().TileCount, 0);
    EXPECT_EQ(rig.game.gamesLost(), 1);
}

// ------------------------------------------------------------ clearing

TEST(ClearWord, SurvivorsAreRenumberedInOrderAndTheSlotsFollowTileIndexOrder)
{
    Rig rig;
    rig.place(0, 14, "x"); // 1
    rig.place(0, 13, "y"); // 2
    rig.place(2, 14, "c"); // 3: X0 - 2 * TileSize
    rig.place(6, 14, "v"); // 4
    rig.place(3, 14, "a"); // 5: X0 - TileSize
    rig.place(6, 13, "w"); // 6
    ASSERT_TRUE(rig.drop(4, "t")); // 7: X0 = leftOfColumn(4)
    ASSERT_EQ(rig.state().lblLast, lastWordText("cat", 8));
    EXPECT_EQ(rig.state().TileCount, 4);
    ASSERT_EQ(rig.state().ImgLetter.size(), 5u);
    const std::vector<std::string> tags{rig.state().ImgLetter[1].Tag, rig.state().ImgLetter[2].Tag,
                                        rig.state().ImgLetter[3].Tag, rig.state().ImgLetter[4].Tag};
    EXPECT_EQ(tags, (std::vector<std::string>{"x", "y", "v", "w"}));
    EXPECT_EQ(pictureLetter(rig.state().ImgLetter[3]), "v");
    EXPECT_EQ(rig.state().ImgLetter[4].Left, static_cast<float>(leftOfColumn(6)));
    EXPECT_EQ(rig.state().ImgLetter[4].Top, static_cast<float>(topOfRow(FloorRow - 1)));
    EXPECT_EQ(rig.state().RemovedLeft[1], leftOfColumn(2));
    EXPECT_EQ(rig.state().RemovedTop[1], topOfRow(FloorRow));
    EXPECT_EQ(rig.state().RemovedLeft[2], leftOfColumn(3));
    EXPECT_EQ(rig.state().RemovedTop[2], topOfRow(FloorRow));
    EXPECT_EQ(rig.state().RemovedLeft[3], 0);
    EXPECT_EQ(rig.state().RemovedTop[4], 0);
    EXPECT_GT(rig.state().CurrentTile, rig.state().TileCount);
    EXPECT_TRUE(rig.state().Falling);
}

TEST(ClearWord, FiveLetterSlotsHoldTheRemovedTilesByIndexNotByPosition)
{
    Rig rig;
    // Placed right to left, so index order is the reverse of reading order.
    rig.place(4, 14, "k");
    rig.place(3, 14, "c");
    rig.place(2, 14, "i");
    rig.place(1, 14, "u");
    ASSERT_TRUE(rig.drop(0, "q"));
    ASSERT_FALSE(rig.window.scored.empty());
    ASSERT_EQ(rig.window.scored.back().word, "quick");
    const std::array<std::int16_t, 5> lefts{0, leftOfColumn(4), leftOfColumn(3), leftOfColumn(2), leftOfColumn(1)};
    EXPECT_EQ(rig.state().RemovedLeft, lefts);
}

TEST(ClearWord, ATileInAnotherRowAtATargetColumnIsNotMatched)
{
    Rig rig;
    // The o has the same Left as a target, one row up: it stays.
    ASSERT_TRUE(rig.well({
        "..o.....",
        "..ca....",
    }));
    ASSERT_TRUE(rig.drop(4, "t"));
    ASSERT_EQ(rig.state().lblLast, lastWordText("cat", 8));
    ASSERT_EQ(rig.state().TileCount, 1);
    EXPECT_EQ(rig.state().ImgLetter.at(1).Tag, "o");
}

TEST(ClearWord, ThePreviewKeepsItsPlaceAndPicture)
{
    Rig rig;
    rig.place(2, 14, "c");
    rig.place(3, 14, "a");
    rig.random.draws = {0.5f};
    ASSERT_TRUE(rig.drop(4, "t"));
    EXPECT_EQ(pictureLetter(rig.state().ImgLetter.at(0)), "l");
    EXPECT_EQ(rig.state().ImgLetter.at(0).Left, static_cast<float>(PreviewLeft));
    EXPECT_EQ(rig.state().ImgLetter.at(0).Top, static_cast<float>(PreviewTop));
}

// ------------------------------------------------------------ settling

TEST(Settle, TilesAboveAClearedWordSinkOneRowOverTheSettleTicks)
{
    Rig rig;
    rig.place(2, 14, "c"); // 1
    rig.place(4, 14, "t"); // 2
    rig.place(2, 13, "o"); // 3 above the left tile
    rig.place(2, 12, "p"); // 4 above it
    rig.place(4, 13, "e"); // 5 above the right tile
    ASSERT_TRUE(rig.drop(3, "a"));
    ASSERT_EQ(rig.state().lblLast, lastWordText("cat", 8));
    EXPECT_EQ(rig.boardCells(), (std::vector<std::string>{"98:p", "106:o", "108:e"}));
    for (int tick = 1; tick < SettleTicks; ++tick) {
        rig.game.TmrAuxiliary_Timer();
        EXPECT_EQ(rig.state().SettleSteps, tick);
        EXPECT_EQ(rig.state().ImgLetter.at(1).Top, static_cast<float>(topOfRow(FloorRow - 1) + SettleStep * tick));
        EXPECT_TRUE(rig.state().TmrAuxiliaryEnabled);
    }
    rig.game.TmrAuxiliary_Timer();
    EXPECT_EQ(rig.boardCells(), (std::vector<std::string>{"106:p", "114:o", "116:e"}));
    EXPECT_EQ(rig.state().ImgLetter.at(1).Top, static_cast<float>(topOfRow(FloorRow)));
    EXPECT_EQ(rig.state().ImgLetter.at(2).Top, static_cast<float>(topOfRow(FloorRow - 1)));
    EXPECT_EQ(rig.state().ImgLetter.at(3).Top, static_cast<float>(topOfRow(FloorRow)));
    EXPECT_FALSE(rig.state().TmrAuxiliaryEnabled);
    EXPECT_TRUE(rig.state().TmrMasterEnabled);
    EXPECT_FALSE(rig.state().Falling);
    EXPECT_FALSE(rig.state().SettleStarted);
    EXPECT_EQ(rig.state().SettleSteps, 0);
    rig.game.TmrMaster_Timer();
    EXPECT_EQ(rig.state().TileCount, 4) << "the next master tick spawns";
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
    ASSERT_TRUE(rig.drop(6, "a"));
    ASSERT_EQ(rig.state().Score, 8);
    rig.settle();
    EXPECT_EQ(rig.state().Score, 8);
    EXPECT_EQ(rig.state().Board.at(cellOf(5, 14)), "x");
}

TEST(Settle, AFullColumnOverARemovedTileSettlesWhole)
{
    Rig rig;
    rig.place(1, 14, "c");
    for (int row = 13; row >= 0; --row) {
        rig.place(1, row, "o"); // 14 tiles above the c
    }
    rig.place(2, 14, "a");
    ASSERT_TRUE(rig.drop(3, "t"));
    ASSERT_EQ(rig.state().lblLast, lastWordText("cat", 8));
    EXPECT_EQ(rig.settle(), SettleTicks);
    for (int row = 1; row <= 14; ++row) {
        EXPECT_EQ(rig.state().Board.at(static_cast<std::size_t>(cellOf(1, row))), "o") << row;
    }
    EXPECT_TRUE(rig.state().Board.at(cellOf(1, 0)).empty());
    EXPECT_EQ(rig.game.gamesLost(), 0);
}

TEST(Settle, KeysAndMasterTicksDuringASettleDoNothing)
{
    Rig rig;
    ASSERT_TRUE(rig.well({
        "..o.....",
        "..c.t...",
    }));
    ASSERT_TRUE(rig.drop(3, "a"));
    rig.game.Form_GotFocus(); // focus back early switches the master timer on
    const std::vector<Tile> before = rig.state().ImgLetter;
    for (Key key : {Key::Left, Key::Right, Key::Down}) {
        rig.game.Form_KeyDown(key);
    }
    rig.game.TmrMaster_Timer();
    ASSERT_EQ(rig.state().ImgLetter.size(), before.size());
    EXPECT_EQ(rig.state().ImgLetter.at(1).Top, before.at(1).Top);
    EXPECT_EQ(rig.state().ImgLetter.at(1).Left, before.at(1).Left);
    EXPECT_EQ(rig.settle(), SettleTicks);
    EXPECT_TRUE(rig.state().TmrMasterEnabled);
}

// ------------------------------------------------------------ new game

TEST(NewGame, ClearsTheWellAndScoreButKeepsTheLettersAndLastWord)
{
    Rig rig;
    rig.place(2, 14, "c");
    rig.place(3, 14, "a");
    ASSERT_TRUE(rig.drop(4, "t")); // leaves a last word, a score and a gap in column 2
    rig.settle();
    for (int i = 0; i < 30; ++i) {
        rig.place(i % 8, 13 - i / 8, "x");
    }
    ASSERT_TRUE(rig.spawn("z")); // a tile in flight
    GameSetup(rig.game).setNextLetter("q");
    GameSetup(rig.game).setScore(40);
    ASSERT_TRUE(rig.state().Falling);
    rig.game.NewGame();
    EXPECT_EQ(rig.state().ImgLetter.size(), 1u);
    EXPECT_EQ(rig.state().TileCount, 0);
    EXPECT_EQ(rig.state().CurrentTile, 0);
    EXPECT_FALSE(rig.state().Falling);
    EXPECT_EQ(rig.state().Score, 0);
    EXPECT_EQ(rig.state().LblScore, "0");
    EXPECT_EQ((rig.window.labels[{Label::Score, 0}]), "0") << "the view is told the new text";
    EXPECT_EQ(rig.state().lblLast, lastWordText("cat", 8));
    EXPECT_EQ(rig.state().NextLetter, "q");
    EXPECT_EQ(rig.state().CurrentLetter, "z");
    EXPECT_EQ(rig.state().RemovedLeft[1], leftOfColumn(2));
    EXPECT_EQ(pictureLetter(rig.state().ImgLetter.at(0)), "a");
    rig.random.draws = {0.0f};
    rig.game.TmrMaster_Timer();
    EXPECT_EQ(rig.state().ImgLetter.at(1).Tag, "q") << "the first tile is the old next letter";
}

} // namespace
} // namespace lexidrop::testing
