// The well's geometry as the rules state it.  Every other test takes these
// facts from game/geometry.h by name; this one holds them to the rules'
// own numbers, once, so that a changed constant shows here and nowhere
// else.
#include <gtest/gtest.h>

#include "game/geometry.h"

namespace lexidrop {
namespace {

TEST(Geometry, TheRulesOwnNumbers)
{
    EXPECT_EQ(TileSize, 32);
    EXPECT_EQ(Columns, 8);
    EXPECT_EQ(WellLeft, 21);
    for (int column = 0; column < Columns; ++column) {
        EXPECT_EQ(leftOfColumn(column), 21 + 32 * column) << column; // 21, 53, 85, 117, 149, 181, 213, 245
    }
    EXPECT_EQ(topOfRow(0), -9);
    EXPECT_EQ(FloorRow, 14);
    EXPECT_EQ(topOfRow(FloorRow), 439);

    EXPECT_EQ(SpawnColumn, 3);
    EXPECT_EQ(SpawnLeft, 117);
    EXPECT_EQ(SpawnTop, 23);
    EXPECT_EQ(PreviewLeft, 324);
    EXPECT_EQ(PreviewTop, 55);

    EXPECT_EQ(FallStep, 8);
    for (int steps = 0; steps <= FallTicksToFloor; ++steps) {
        EXPECT_EQ(topAfterFallSteps(steps), 23 + 8 * steps) << steps;
    }
    EXPECT_EQ(FloorTop, 437);
    EXPECT_EQ(FloorLandingTop, 439);
    EXPECT_EQ(FallTicksToFloor, 53);

    EXPECT_EQ(RightLimit, 244);
    EXPECT_EQ(DropStep, 16);
    EXPECT_EQ(DropLimit, 392);
    EXPECT_EQ(LastDropTop, 391);

    EXPECT_EQ(SettleStep, 8);
    EXPECT_EQ(SettleTicks, 4);
}

TEST(Geometry, AFallReachesEachTopInTheFewestWholeSteps)
{
    for (int steps = 1; steps <= FallTicksToFloor; ++steps) {
        const int top = topAfterFallSteps(steps);
        EXPECT_EQ(fallStepsToReach(top), steps) << "a lattice Top itself";
        EXPECT_EQ(fallStepsToReach(top - FallStep + 1), steps) << "just past the Top a step before";
    }
    EXPECT_LT(LastDropTop, DropLimit);
    EXPECT_GE(LastDropTop + FallStep, DropLimit) << "the next lattice Top is no longer pushed";
}

} // namespace
} // namespace lexidrop
