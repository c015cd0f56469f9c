#include "scores/high_scores.h"

#include <algorithm>
#include <numeric>

#include "scores/table_file.h"

namespace lexidrop {

namespace {

constexpr std::array<std::string_view, Places> PlacePrompts = {
    "Great Job!  First Place!  Please enter your name",
    "Good Job!  Second Place!  Please enter your name",
    "Way to go!  Third Place!  Please enter your name",
    "Alright!  Fourth Place!  Please enter your name",
    "That's the way to do it!  Fifth Place!  Please enter your name",
    "Not bad!  Sixth Place!  Please enter your name",
    "Woohoo!  Seventh Place!  Please enter your name",
    "Pretty Good!  Eighth Place!  Please enter your name",
    "Ok!  Ninth Place!  Please enter your name",
    "At least you placed!  Tenth Place!  Please enter your name",
};

std::size_t at(int index) { return static_cast<std::size_t>(index); }

} // namespace

std::string_view placePrompt(int index) { return PlacePrompts.at(at(index)); }

void HighScores::LoadHighScores(HighScoreStore& store, PlaceLabels& LblName, PlaceLabels& LblHs)
{
    const std::optional<std::string> bytes = store.read();
    ReadTable read;
    if (bytes) {
        read = parseTable(std::string_view(*bytes).substr(0, MaxTableFileBytes));
    }

    // A hand-edited file may be out of order; the insertion rule needs the
    // table highest first, or one game could take two places.  Equal scores
    // keep the file's order.
    std::array<int, Places> order{};
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return read.scores[at(a)] > read.scores[at(b)]; });
    for (int i = 0; i < Places; ++i) {
        HsNames[at(i)] = read.names[at(order[at(i)])];
        HsScores[at(i)] = read.scores[at(order[at(i)])];
    }

    ShowHighScores(LblName, LblHs);
    if (!bytes || !read.complete()) {
        // Missing, unreadable or short: keep what was read and write the
        // file whole.  A score of 0 takes no place, so nothing is asked.
        UpdateHighScores(0, NamePrompt(), store);
    }
}

void HighScores::ShowHighScores(PlaceLabels& LblName, PlaceLabels& LblHs) const
{
    // Every label is set, blank ones included, so that a name never stays
    // beside a score that is no longer its own.
    for (std::size_t i = 0; i < at(Places); ++i) {
        LblName[i] = HsNames[i];
        LblHs[i] = HsScores[i] == 0 ? std::string() : std::to_string(HsScores[i]);
    }
}

void HighScores::UpdateHighScores(std::int32_t score, const NamePrompt& ask, HighScoreStore& store)
{
    // Strict on both sides: a score equal to one in the table takes no place.
    // The table is highest first, so at most one test can hold.
    for (int p = 0; p < Places; ++p) {
        const bool taken =
            p == 0 ? score > HsScores[0] : HsScores[at(p)] < score && score < HsScores[at(p - 1)];
        if (!taken) {
            continue;
        }
        const std::string typed = ask ? ask(std::string(placePrompt(p)), std::string(PromptTitle)) : std::string();
        for (int i = Places - 1; i > p; --i) {
            HsNames[at(i)] = std::move(HsNames[at(i - 1)]);
            HsScores[at(i)] = HsScores[at(i - 1)];
        }
        HsNames[at(p)] = cleanName(typed);
        HsScores[at(p)] = score;
        break;
    }
    // Saved whether or not a place was taken; a failed save has changed
    // nothing on disk and the game goes on with the table in memory.
    (void)store.write(formatTable(HsNames, HsScores));
}

} // namespace lexidrop
