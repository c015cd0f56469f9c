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
    EXPECT_EQ(rig.state().ImgLetter.at(0).Left, static_cast<float>(PreviewLeft));
    EXPECT_EQ(rig.state().ImgLetter.at(0).Top, static_cast<float>(PreviewTop));
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

TEST(Fall, TopsAreWholeFallStepsBelowTheSpawnAndTheFloorIsReachedInFallTicksToFloor)
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
        ASSERT_EQ(static_cast<int>(top - SpawnTop) % FallStep, 0) << top;
        ASSERT_LT(ticks, 100);
    }
    EXPECT_EQ(ticks, FallTicksToFloor);
    EXPECT_EQ(rig.state().ImgLetter.at(1).Top, static_cast<float>(topOfRow(FloorRow)));
    EXPECT_EQ(rig.state().Board.at(SpawnColumn + Columns * FloorRow), "a") << "the spawn column, floor row";
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
    rig.place(SpawnColumn, FloorRow, "x");
    ASSERT_TRUE(rig.spawn("b"));
    ASSERT_TRUE(rig.tickUntilLanded());
    EXPECT_EQ(rig.falling().Top, static_cast<float>(topOfRow(FloorRow - 1)));
    EXPECT_EQ(rig.state().Board.at(SpawnColumn + Columns * (FloorRow - 1)), "b");
}

TEST(Landing, ContactIsTestedBeforeTheMoveSoTheTileCanStillSlideAway)
{
    Rig rig;
    rig.place(SpawnColumn, FloorRow, "x");
    ASSERT_TRUE(rig.spawn("b"));
    while (rig.falling().Top < static_cast<float>(topOfRow(FloorRow - 1))) {
        rig.game.TmrMaster_Timer();
    }
    ASSERT_TRUE(rig.state().Falling) << "contact is only seen on the next tick";
    rig.game.Form_KeyDown(Key::Right);
    rig.game.TmrMaster_Timer();
    EXPECT_TRUE(rig.state().Falling);
    EXPECT_EQ(rig.falling().Top, static_cast<float>(topOfRow(FloorRow - 1) + FallStep));
}

TEST(Landing, ATileSlidIntoATallerStackIsLiftedOntoItsTop)
{
    Rig rig;
    const int right = SpawnColumn + 1; // the column beside the spawn
    for (int row = FloorRow; row >= 8; --row) {
        rig.place(right, row, "x"); // top of the stack at row 8
    }
    ASSERT_TRUE(rig.spawn("b"));
    while (rig.falling().Top < static_cast<float>(topOfRow(10) - FallStep)) {
        rig.game.TmrMaster_Timer();
    }
    rig.game.Form_KeyDown(Key::Right); // now overlaps rows 9 and 10 of that column
    rig.game.TmrMaster_Timer();
    EXPECT_FALSE(rig.state().Falling);
    EXPECT_EQ(rig.falling().Top, static_cast<float>(topOfRow(7))) << "a tile's height above the stack's top tile";
    EXPECT_EQ(rig.state().Board.at(right + Columns * 7), "b");
}

TEST(Landing, TheFirstQualifyingTileInDescendingIndexOrderDecides)
{
    Rig rig;
    // A column whose indices do not increase upwards (not reachable in play)
    // shows which tile is taken: the highest index that qualifies.
    rig.place(5, 10, "x"); // index 1
    rig.place(5, 12, "y"); // index 2
    // Its bottom edge at row 12's top: it touches index 2 and overlaps index 1.
    GameSetup(rig.game).placeFallingTile(5, 11, "b");
    rig.game.CheckLanding();
    EXPECT_EQ(rig.falling().Top, static_cast<float>(topOfRow(11))) << "index 2 (exact contact) is tested first";
}

TEST(Landing, AnOverlappingTileIsLiftedToExactlyATileAboveBeforeLanding)
{
    Rig rig;
    rig.place(SpawnColumn, FloorRow, "x");
    ASSERT_TRUE(rig.spawn("b"));
    rig.game.Form_KeyDown(Key::Left);
    while (rig.falling().Top < static_cast<float>(topOfRow(FloorRow - 1) + TileSize / 2)) {
        rig.game.TmrMaster_Timer();
    }
    rig.game.Form_KeyDown(Key::Right); // overlaps the floor tile by half a tile
    rig.game.TmrMaster_Timer();
    EXPECT_FALSE(rig.state().Falling);
    EXPECT_EQ(rig.falling().Top, static_cast<float>(topOfRow(FloorRow - 1)));
}

TEST(Landing, SpawnTickLandsAtRow1OnExactContactWithRow2)
{
    Rig rig;
    for (int row = FloorRow; row >= 2; --row) {
        rig.place(SpawnColumn, row, "x");
    }
    ASSERT_TRUE(rig.spawn("b"));
    EXPECT_FALSE(rig.state().Falling);
    EXPECT_EQ(rig.falling().Top, static_cast<float>(SpawnTop));
    EXPECT_EQ(rig.state().Board.at(SpawnColumn + Columns * SpawnRow), "b");
    EXPECT_EQ(rig.game.gamesLost(), 0);
}

TEST(Landing, SpawnTickOverARow1TileLiftsToRow0AndPlayGoesOn)
{
    Rig rig;
    for (int row = FloorRow; row >= 1; --row) {
        rig.place(SpawnColumn, row, "x");
    }
    ASSERT_TRUE(rig.spawn("b"));
    EXPECT_EQ(rig.falling().Top, static_cast<float>(topOfRow(0)));
    EXPECT_EQ(rig.state().Board.at(SpawnColumn), "b");
    EXPECT_EQ(rig.game.gamesLost(), 0);
}

TEST(Landing, SpawnTickOverARow0TileLiftsToRowMinus1AndEndsTheGame)
{
    Rig rig;
    for (int row = FloorRow; row >= 0; --row) {
        rig.place(SpawnColumn, row, "x");
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
