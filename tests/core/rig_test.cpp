// The test rig itself: a drawn well numbers its tiles as it says, and the
// moves that can go wrong fail instead of leaving a test to go on from a
// position it did not get.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_window.h"

namespace lexidrop::testing {
namespace {

// The letters of tiles 1..TileCount, in index order.
std::string lettersByIndex(const Rig& rig)
{
    std::string letters;
    for (int i = 1; i <= rig.state().TileCount; ++i) {
        letters += rig.state().ImgLetter.at(static_cast<std::size_t>(i)).Tag;
    }
    return letters;
}

TEST(TestRig, AWellIsNumberedRowByRowFromTheFloorOrColumnByColumn)
{
    const std::vector<std::string> position{
        ".d......",
        "ac.b....",
    };
    const std::vector<std::string> cells{"105:d", "112:a", "113:c", "115:b"};
    Rig byRow;
    ASSERT_TRUE(byRow.well(position));
    EXPECT_EQ(lettersByIndex(byRow), "acbd");
    EXPECT_EQ(byRow.boardCells(), cells);
    Rig byColumn;
    ASSERT_TRUE(byColumn.well(position, WellOrder::ByColumn));
    EXPECT_EQ(lettersByIndex(byColumn), "acdb");
    EXPECT_EQ(byColumn.boardCells(), cells);
}

TEST(TestRig, AWellTheWellCannotHoldFailsAndPlacesNothing)
{
    // Each is a slip a reader would not see at once.
    const std::vector<std::vector<std::string>> drawings = {
        {"ca......", "cat"},                      // a row too short
        {"..cat...."},                            // a row too wide
        {"..Cat..."},                             // a capital is no tile
        {"..c-t..."},                             // nor empty
        std::vector<std::string>(16, "........"), // more rows than the well
    };
    for (const auto& drawing : drawings) {
        SCOPED_TRACE(drawing.front());
        Rig rig;
        EXPECT_FALSE(rig.well(drawing));
        EXPECT_EQ(rig.state().TileCount, 0);
        EXPECT_TRUE(rig.boardCells().empty());
    }
}

TEST(TestRig, SpawnAndDropFailWhileATileIsInPlay)
{
    Rig rig;
    ASSERT_TRUE(rig.spawn("b"));
    EXPECT_FALSE(rig.spawn("c"));
    EXPECT_FALSE(rig.drop(3, "c"));
    EXPECT_EQ(lettersByIndex(rig), "b") << "nothing more was spawned";
}

TEST(TestRig, SpawnFailsWhileTheWellSettlesAndWorksAfterwards)
{
    Rig rig;
    rig.place(2, 14, "c");
    rig.place(3, 14, "a");
    ASSERT_TRUE(rig.drop(4, "t"));
    ASSERT_TRUE(rig.state().TmrAuxiliaryEnabled) << "\"cat\" cleared: the settle runs";
    EXPECT_FALSE(rig.spawn("b"));
    rig.settle();
    EXPECT_TRUE(rig.spawn("b"));
    EXPECT_EQ(lettersByIndex(rig), "b");
}

TEST(TestRig, TickUntilLandedFailsWhileTheTileIsStillFalling)
{
    Rig rig;
    ASSERT_TRUE(rig.spawn("b"));
    EXPECT_FALSE(rig.tickUntilLanded(3));
    EXPECT_TRUE(rig.state().Falling);
    EXPECT_TRUE(rig.tickUntilLanded());
}

} // namespace
} // namespace lexidrop::testing
