#include "reporting.h"

#include <algorithm>
#include <cstdio>

#include "ui/surface.h"

namespace lexidrop::ui::measure {

namespace {

// A fall step repaints the strip its tile leaves (a tile wide, a fall step
// tall); 2 % of the client area (four tiles) catches a repainted well.
constexpr double FallStepShareTarget = 0.02;
static_assert(TileSize * FallStep < FallStepShareTarget * ClientWidth * ClientHeight,
              "a fall step's own strip meets the target");
// A key waits for no timer: the paint of its new square comes before the game's next tick.
constexpr int TicksBeforeKeyPaintTarget = 0;
// Areas are printed as percentages of the client area.
constexpr double Percent = 100.0;

// Sums of the ticks' areas: all of them, and the fall steps alone.
struct PaintingSums {
    qint64 fallSum = 0, fallMax = 0, allSum = 0, allMax = 0;
    int falls = 0;
};

PaintingSums sum(const std::vector<TickArea>& ticks)
{
    PaintingSums sums;
    for (const TickArea& t : ticks) {
        sums.allSum += t.area;
        sums.allMax = std::max(sums.allMax, t.area);
        if (t.fallStep) {
            ++sums.falls;
            sums.fallSum += t.area;
            sums.fallMax = std::max(sums.fallMax, t.area);
        }
    }
    return sums;
}

} // namespace

int reportPainting(const std::vector<TickArea>& ticks, int gamesLost)
{
    const PaintingSums s = sum(ticks);
    if (s.falls == 0) {
        std::printf("painting: no fall step seen\n");
        return 1;
    }
    const double client = double(ClientWidth) * ClientHeight;
    const double target = client * FallStepShareTarget;
    const double fallMean = double(s.fallSum) / s.falls;
    const double allMean = double(s.allSum) / double(ticks.size());
    std::printf("painting: %zu ticks, %d fall steps, %d games lost\n", ticks.size(), s.falls, gamesLost);
    std::printf("  fall step: mean %.0f px = %.3f %% of the client area, max %lld px = %.3f %%\n", fallMean,
                Percent * fallMean / client, static_cast<long long>(s.fallMax), Percent * double(s.fallMax) / client);
    std::printf("  every tick (spawns, landings, words, new games included): mean %.0f px = %.3f %%, "
                "max %lld px = %.3f %%\n",
                allMean, Percent * allMean / client, static_cast<long long>(s.allMax),
                Percent * double(s.allMax) / client);
    std::printf("  target: fall-step mean under %.0f %% (%.0f px): %s\n", Percent * FallStepShareTarget, target,
                fallMean < target ? "met" : "NOT MET");
    return fallMean < target ? 0 : 1;
}

int reportInput(InputTally tally)
{
    std::vector<double>& delays = tally.delays;
    std::sort(delays.begin(), delays.end());
    std::printf("input: %d presses checked at once, %zu left to the event loop\n", tally.checked, delays.size());
    std::printf("  both squares on screen as painted, with no further event or tick "
                "(posted events only, then a grab): %d of %d\n",
                tally.onScreenAtOnce, tally.checked);
    if (!delays.empty()) {
        std::printf("  event loop, key to the paint of the new square: median %.3f ms, max %.3f ms; "
                    "ticks in between: at most %d\n",
                    delays.at(delays.size() / 2), delays.back(), tally.ticksBetweenMax);
    }
    const bool allAtOnce = tally.checked > 0 && tally.onScreenAtOnce == tally.checked;
    return allAtOnce && !delays.empty() && tally.ticksBetweenMax <= TicksBeforeKeyPaintTarget ? 0 : 1;
}

} // namespace lexidrop::ui::measure
