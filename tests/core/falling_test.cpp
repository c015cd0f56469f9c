// The falling tile: spawn, the fall, landing on the floor and on stacks.
#include <gtest/gtest.h>

#include "fakes/fake_window.h"

namespace lexidrop::testing {
namespace {

TEST(Spawn, FirstTickOfTheProgramSpawnsAnAAndPreviewsTheNextDraw)
{
    Rig rig;
    rig.random.draws = {0.95f}; // c = round(121.65) = 122: "w"
    rig.game.TmrMaster_Timer();
    ASSERT_EQ(rig.state().TileCount, 1);
    EXPECT_EQ(rig.state().CurrentTile, 1);
    EXPECT_TRUE(rig.state().Falling);
    const Tile& t = rig.state().ImgLetter.at(1);
    EXPECT_EQ(t.Tag, "a");
    EXPECT_EQ(pictureLetter(t), "a");
    EXPECT_TRUE(t.Visible);
    EXPECT_EQ(t.Left, static_cast<float>(SpawnLeft));
    EXPECT_EQ(t.Top, static_cast<float>(SpawnTop + FallStep)) << "the spawn tick also moves the tile";
    EXPECT_EQ(rig.state().NextLetter, "w");
    EXPECT_EQ(pictureLetter(rig.state().ImgLetter.at(0)), "w");
}

TEST(Spawn, PreviewShowsTheStoredTileUntilTheFirstSpawn)
{
    Rig rig;
    EXPECT_EQ(rig.state().ImgLetter.size(), 1u);
    EXPECT_EQ(rig.state().ImgLetter.at(0).Picture, nullptr);
    EXPECT_EQ(rig.state().ImgLetter.at(0).Left, 324.0f);
    EXPECT_EQ(rig.state().ImgLetter.at(0).Top, 55.0f);
    EXPECT_TRUE(rig.state().CurrentLetter.empty());
    EXPECT_TRUE(rig.state().NextLetter.empty());
}

TEST(Spawn, TheSecondTileIsTheLetterPreviewedAtTheFirst)
{
    Rig rig;
    rig.random.draws = {0.5f, 0.0f}; // "l", then "a"
    rig.game.TmrMaster_Timer();
    ASSERT_TRUE(rig.tickUntilLanded());
    rig.game.TmrMaster_Timer();
    EXPECT_EQ(rig.falling().Tag, "l");
    EXPECT_EQ(rig.state().NextLetter, "a");
}

TEST(Fall, TopsAreAlways23Plus8kAndTheFloorLandingTakes53Ticks)
{
    Rig rig;
    int ticks = 0;
    while (true) {
        rig.game.TmrMaster_Timer();
        ++ticks;
        if (!rig.state().Falling) {
            break;
        }
        const float top = rig.falling().Top;
        ASSERT_EQ(static_cast<int>(top - 23) % 8, 0) << top;
        ASSERT_LT(ticks, 100);
    }
    EXPECT_EQ(ticks, 53);
    EXPECT_EQ(rig.state().ImgLetter.at(1).Top, 439.0f);
    EXPECT_EQ(rig.state().Board.at(3 + 8 * 14), "a") << "cell 115: column 3, floor row";
}

TEST(Fall, EachTickAfterALandingSpawnsTheNextTile)
{
    Rig rig;
    rig.game.TmrMaster_Timer();
    ASSERT_TRUE(rig.tickUntilLanded());
    rig.game.TmrMaster_Timer();
    EXPECT_EQ(rig.state().TileCount, 2);
    EXPECT_EQ(rig.state().CurrentTile, 2);
    EXPECT_TRUE(rig.state().Falling);
}

TEST(Fall, TheViewIsToldTheTileInPlayBeforeItShowsAndNoneOnceItLands)
{
    Rig rig;
    rig.game.TmrMaster_Timer();
    ASSERT_EQ(rig.window.inPlay.size(), 1u);
    EXPECT_EQ(rig.window.inPlay.back().index, 1);
    EXPECT_FALSE(rig.window.inPlay.back().shownBefore) << "a reader hears the new tile falling, never resting";
    ASSERT_TRUE(rig.tickUntilLanded());
    ASSERT_EQ(rig.window.inPlay.size(), 2u);
    EXPECT_EQ(rig.window.inPlay.back().index, 0);

    Rig scoring;
    ASSERT_TRUE(scoring.drop(1, "c"));
    ASSERT_TRUE(scoring.drop(2, "a"));
    ASSERT_TRUE(scoring.spawn("t"));
    scoring.window.inPlay.clear();
    ASSERT_TRUE(scoring.tickUntilLanded());
    ASSERT_EQ(scoring.window.scored.size(), 1u) << "cat";
    EXPECT_GT(scoring.settle(), 0);
    ASSERT_EQ(scoring.window.inPlay.size(), 1u) << "the settle steers nothing";
    EXPECT_EQ(scoring.window.inPlay.back().index, 0);
}

TEST(Landing, ExactContactLandsWithoutMovingTheTile)
{
    Rig rig;
    rig.place(3, 14, "x");
    ASSERT_TRUE(rig.spawn("b"));
    ASSERT_TRUE(rig.tickUntilLanded());
    EXPECT_EQ(rig.falling().Top, static_cast<float>(topOfRow(13)));
    EXPECT_EQ(rig.state().Board.at(3 + 8 * 13), "b");
}

TEST(Landing, ContactIsTestedBeforeTheMoveSoTheTileCanStillSlideAway)
{
    Rig rig;
    rig.place(3, 14, "x");
    ASSERT_TRUE(rig.spawn("b"));
    while (rig.falling().Top < static_cast<float>(topOfRow(13))) {
        rig.game.TmrMaster_Timer();
    }
    ASSERT_TRUE(rig.state().Falling) << "contact is only seen on the next tick";
    rig.game.Form_KeyDown(Key::Right);
    rig.game.TmrMaster_Timer();
    EXPECT_TRUE(rig.state().Falling);
    EXPECT_EQ(rig.falling().Top, static_cast<float>(topOfRow(13) + FallStep));
}

TEST(Landing, ATileSlidIntoATallerStackIsLiftedOntoItsTop)
{
    Rig rig;
    for (int row = 14; row >= 8; --row) {
        rig.place(4, row, "x"); // top of the stack at row 8, Top 247
    }
    ASSERT_TRUE(rig.spawn("b"));
    while (rig.falling().Top < 303.0f) {
        rig.game.TmrMaster_Timer();
    }
    rig.game.Form_KeyDown(Key::Right); // now overlaps rows 9 and 10 of column 4
    rig.game.TmrMaster_Timer();
    EXPECT_FALSE(rig.state().Falling);
    EXPECT_EQ(rig.falling().Top, 215.0f) << "32 above the stack's top tile";
    EXPECT_EQ(rig.state().Board.at(4 + 8 * 7), "b");
}

TEST(Landing, TheFirstQualifyingTileInDescendingIndexOrderDecides)
{
    Rig rig;
    // A column whose indices do not increase upwards (not reachable in play)
    // shows which tile is taken: the highest index that qualifies.
    rig.place(5, 10, "x"); // index 1, Top 311
    rig.place(5, 12, "y"); // index 2, Top 375
    GameSetup(rig.game).placeFallingTile(5, 11, "b"); // Top 343, bottom edge 375: touches index 2, overlaps index 1
    rig.game.CheckLanding();
    EXPECT_EQ(rig.falling().Top, 343.0f) << "index 2 (exact contact) is tested first";
}

TEST(Landing, AnOverlappingTileIsLiftedToExactly32AboveBeforeLanding)
{
    Rig rig;
    rig.place(3, 14, "x");
    ASSERT_TRUE(rig.spawn("b"));
    rig.game.Form_KeyDown(Key::Left);
    while (rig.falling().Top < 423.0f) {
        rig.game.TmrMaster_Timer();
    }
    rig.game.Form_KeyDown(Key::Right); // overlaps the floor tile by 16
    rig.game.TmrMaster_Timer();
    EXPECT_FALSE(rig.state().Falling);
    EXPECT_EQ(rig.falling().Top, 407.0f);
}

TEST(Landing, SpawnTickLandsAtRow1OnExactContactWithRow2)
{
    Rig rig;
    for (int row = 14; row >= 2; --row) {
        rig.place(3, row, "x");
    }
    ASSERT_TRUE(rig.spawn("b"));
    EXPECT_FALSE(rig.state().Falling);
    EXPECT_EQ(rig.falling().Top, 23.0f);
    EXPECT_EQ(rig.state().Board.at(3 + 8), "b");
    EXPECT_EQ(rig.game.gamesLost(), 0);
}

TEST(Landing, SpawnTickOverARow1TileLiftsToRow0AndPlayGoesOn)
{
    Rig rig;
    for (int row = 14; row >= 1; --row) {
        rig.place(3, row, "x");
    }
    ASSERT_TRUE(rig.spawn("b"));
    EXPECT_EQ(rig.falling().Top, -9.0f);
    EXPECT_EQ(rig.state().Board.at(3), "b");
    EXPECT_EQ(rig.game.gamesLost(), 0);
}

TEST(Landing, SpawnTickOverARow0TileLiftsToRowMinus1AndEndsTheGame)
{
    Rig rig;
    for (int row = 14; row >= 0; --row) {
        rig.place(3, row, "x");
    }
    ASSERT_TRUE(rig.spawn("b"));
    EXPECT_EQ(rig.game.gamesLost(), 1);
    EXPECT_EQ(rig.game.lastGameOver(), GameOverCause::Overflow);
    EXPECT_EQ(rig.window.messages, std::vector<std::string>{"You Lose"});
    EXPECT_EQ(rig.state().TileCount, 0);
    EXPECT_FALSE(rig.state().Falling);
    rig.game.TmrMaster_Timer();
    EXPECT_EQ(rig.state().TileCount, 1) << "the next tick starts the next game";
}

TEST(Rounding, PositionsBecomeIntegersHalfToEven)
{
    EXPECT_EQ(toInt16(438.5), 438);
    EXPECT_EQ(toInt16(439.5), 440);
    EXPECT_EQ(toInt16(-40.5), -40);
    EXPECT_EQ(toInt16(64.5), 64);
    EXPECT_EQ(toInt16(114.75), 115);
    EXPECT_THROW(toInt16(32767.5), RuleFailure) << "rounds to 32768";
    EXPECT_THROW(add16(32767, 1), RuleFailure);
}

} // namespace
} // namespace lexidrop::testing
