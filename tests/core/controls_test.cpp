// Steering, pausing and the letter draw.
#include <gtest/gtest.h>

#include <map>

#include "fakes/fake_window.h"
#include "game/letters.h"
#include "game/rnd.h"

namespace lexidrop::testing {
namespace {

// A falling tile placed by hand at a position.
Rig& fallingAt(Rig& rig, float left, float top)
{
    rig.spawn("b");
    rig.falling().Left = left;
    rig.falling().Top = top;
    return rig;
}

TEST(Keys, MoveTheFallingTileWithinTheWell)
{
    struct Case {
        std::int16_t key;
        float left, top;         // before
        float wantLeft, wantTop; // after
    };
    const Case cases[] = {
        {KeyLeft, 53, 31, 21, 31},   {KeyLeft, 21, 31, 21, 31},    // column 0: no move
        {KeyRight, 213, 31, 245, 31}, {KeyRight, 245, 31, 245, 31}, // column 7: no move
        {KeyDown, 391, 391, 391, 407}, {KeyDown, 117, 399, 117, 399}, // 391 moves, 399 not
        {KeyDown, 117, 383, 117, 399}, {38, 117, 31, 117, 31},       // Up arrow: nothing
        {32, 117, 31, 117, 31},        {65, 117, 31, 117, 31},       // space, letter: nothing
    };
    for (const Case& c : cases) {
        Rig rig;
        fallingAt(rig, c.left, c.top);
        rig.game.Form_KeyDown(c.key, 0);
        EXPECT_EQ(rig.falling().Left, c.wantLeft) << "key " << c.key << " at " << c.left;
        EXPECT_EQ(rig.falling().Top, c.wantTop) << "key " << c.key << " at " << c.top;
    }
}

TEST(Keys, EveryKeyEventBetweenTwoTicksMovesTheTile)
{
    Rig rig;
    rig.spawn("b");
    for (int i = 0; i < 5; ++i) {
        rig.game.Form_KeyDown(KeyLeft, 0); // auto-repeat is not filtered
    }
    EXPECT_EQ(rig.falling().Left, 21.0f);
    rig.game.Form_KeyDown(KeyDown, 0);
    rig.game.Form_KeyDown(KeyDown, 0);
    EXPECT_EQ(rig.falling().Top, 63.0f);
}

TEST(Keys, DoNothingWhileNoTileFalls)
{
    Rig rig;
    rig.game.Form_KeyDown(KeyLeft, 0); // before the first spawn
    rig.drop(3, "b");                  // landed on the floor
    rig.game.Form_KeyDown(KeyLeft, 0);
    rig.game.Form_KeyPress('a');
    EXPECT_EQ(rig.game.ImgLetter.at(1).Left, 117.0f);
    EXPECT_EQ(rig.game.ImgLetter.at(0).Left, 324.0f) << "the preview never moves";
}

TEST(Keys, TheDownKeyNeverCarriesATileToTheFloor)
{
    Rig rig;
    rig.spawn("b");
    for (int i = 0; i < 40; ++i) {
        rig.game.Form_KeyDown(KeyDown, 0);
    }
    EXPECT_EQ(rig.falling().Top, 399.0f) << "31 + 16k stops at the first Top of 392 or more";
    EXPECT_TRUE(rig.game.Falling);
    EXPECT_EQ(rig.game.Board.at(115), "") << "only the ticks land a tile";
}

TEST(Focus, LosingItPausesTheFallAndRegainingItResumes)
{
    Rig rig;
    rig.spawn("b");
    rig.game.Form_LostFocus();
    EXPECT_FALSE(rig.game.TmrMasterEnabled);
    EXPECT_EQ(rig.window.timerCalls[Timer::Master], std::vector<bool>{false});
    rig.game.Form_GotFocus();
    EXPECT_TRUE(rig.game.TmrMasterEnabled);
    EXPECT_EQ(rig.window.timerCalls[Timer::Master], (std::vector<bool>{false, true}));
}

TEST(Focus, DoesNotTouchTheSettleTimer)
{
    Rig rig;
    rig.place(2, 14, "c");
    rig.place(3, 14, "a");
    rig.place(2, 13, "o");
    rig.drop(4, "t");
    ASSERT_TRUE(rig.game.TmrAuxiliaryEnabled);
    rig.game.Form_LostFocus();
    EXPECT_TRUE(rig.game.TmrAuxiliaryEnabled);
}

TEST(Focus, TheTickHandsTheKeysBackAfterSpawnAndEveryStep)
{
    Rig rig;
    rig.game.TmrMaster_Timer(); // spawn and step
    EXPECT_EQ(rig.window.focusRequests, 2);
    rig.game.TmrMaster_Timer();
    EXPECT_EQ(rig.window.focusRequests, 3);
}

TEST(Closing, StopsBothTimersForGoodAndNothingMovesAfterwards)
{
    Rig rig;
    rig.spawn("b");
    const float top = rig.falling().Top;
    rig.game.Form_Unload();
    rig.game.Form_GotFocus();
    rig.game.TmrMaster_Timer();
    rig.game.Form_KeyDown(KeyDown, 0);
    EXPECT_FALSE(rig.game.TmrMasterEnabled);
    EXPECT_FALSE(rig.game.TmrAuxiliaryEnabled);
    EXPECT_EQ(rig.falling().Top, top);
}

TEST(Closing, DuringTheLoseBoxKeepsTheScoreButAsksNoName)
{
    Rig rig;
    rig.game.Score = 50;
    rig.window.duringBox = [&] { rig.game.Form_Unload(); };
    rig.game.LandLetter(static_cast<std::int16_t>(leftOfColumn(3)), static_cast<std::int16_t>(topOfRow(-1)), "q");
    EXPECT_EQ(rig.window.messages.size(), 1u);
    EXPECT_TRUE(rig.window.prompts.empty()) << "no box may appear after the window closed";
    EXPECT_EQ(rig.game.Table.HsScores.at(0), 50);
    EXPECT_EQ(rig.store.writes, 1);
}

TEST(RandomLetter, DrawNumbersMapToTheTableWithEAsFallback)
{
    const std::map<int, std::string> table{
        {1, "a"},  {12, "a"},  {13, "b"},  {24, "d"},  {25, "e"},  {37, "e"}, {38, "f"},
        {64, "l"}, {89, "q"},  {90, "r"},  {103, "s"}, {110, "t"}, {118, "u"}, {123, "x"},
        {124, "y"}, {125, "y"}, {126, "e"}, {127, "z"}, {128, "e"},
    };
    for (const auto& [c, letter] : table) {
        EXPECT_EQ(letterForDraw(static_cast<std::int16_t>(c)), letter) << c;
    }
}

TEST(RandomLetter, TheDrawRoundsHalfToEven)
{
    EXPECT_EQ(drawNumber(0.0f), 1);
    EXPECT_EQ(drawNumber(0.5f), 64) << "64.5 rounds to the even 64";
    EXPECT_EQ(drawNumber(0.99999994f), 128);
    EXPECT_EQ(letterForDraw(drawNumber(0.99999994f)), "e");
}

TEST(RandomLetter, ReseedsWithTheSecondsOfTheTimeOnEveryCall)
{
    Rig rig;
    rig.window.time = "23:59:07";
    rig.window.draws = {0.0f, 0.5f};
    EXPECT_EQ(rig.game.RandomLetter(), "a");
    rig.window.time = "00:00:42";
    EXPECT_EQ(rig.game.RandomLetter(), "l");
    EXPECT_EQ(rig.window.seeds, (std::vector<int>{7, 42}));
}

TEST(RandomLetter, SharesFollowTheTable)
{
    Rnd rnd(2024);
    std::map<std::string, int> counts;
    constexpr int draws = 254 * 4000;
    for (int i = 0; i < draws; ++i) {
        rnd.randomize(i % 60);
        counts[letterForDraw(drawNumber(rnd.next()))]++;
    }
    const std::map<std::string, int> weights{
        {"a", 23}, {"b", 8}, {"c", 8},  {"d", 8},  {"e", 29}, {"f", 6},  {"g", 8},  {"h", 8}, {"i", 12},
        {"j", 4},  {"k", 4}, {"l", 12}, {"m", 10}, {"n", 10}, {"o", 18}, {"p", 10}, {"q", 2}, {"r", 12},
        {"s", 16}, {"t", 14}, {"u", 16}, {"v", 4}, {"w", 4},  {"x", 2},  {"y", 4},  {"z", 2},
    };
    for (const auto& [letter, weight] : weights) {
        const double expected = draws * weight / 254.0;
        EXPECT_NEAR(counts[letter], expected, expected * 0.05) << letter;
    }
}

TEST(RandomLetter, ReseedingWithTheSameSecondDoesNotRepeatTheDraw)
{
    Rnd rnd;
    std::map<float, int> seen;
    for (int i = 0; i < 100; ++i) {
        rnd.randomize(17);
        seen[rnd.next()]++;
    }
    EXPECT_GT(seen.size(), 95u);
}

} // namespace
} // namespace lexidrop::testing
