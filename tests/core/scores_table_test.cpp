// The top-ten table: who takes which place, what is asked, what is shown
// and what is saved.  The file here is kept in memory; the real disk is in
// scores_file_store_test.cpp.
#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_window.h"
#include "scores/high_scores.h"
#include "scores/table_file.h"

namespace lexidrop::testing {
namespace {

using Entries = std::vector<std::pair<std::string, std::int32_t>>;

// The file a table of these entries (the rest empty) is saved as.
std::string fileOf(const Entries& entries)
{
    std::string out;
    for (std::size_t i = 0; i < Places; ++i) {
        const bool given = i < entries.size();
        out += "\"" + (given ? entries[i].first : std::string()) + "\"\r\n";
        out += std::to_string(given ? entries[i].second : 0) + "\r\n";
    }
    return out;
}

HighScores tableOf(const Entries& entries)
{
    HighScores table;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        table.HsNames[i] = entries[i].first;
        table.HsScores[i] = entries[i].second;
    }
    return table;
}

// The input box: records what it was asked and answers from a script
// (Cancel, the empty string, once the script is used up).
struct Asker {
    std::vector<std::string> prompts;
    std::vector<std::string> titles;
    std::deque<std::string> answers;

    NamePrompt prompt()
    {
        return [this](const std::string& text, const std::string& title) {
            prompts.push_back(text);
            titles.push_back(title);
            if (answers.empty()) {
                return std::string();
            }
            std::string answer = answers.front();
            answers.pop_front();
            return answer;
        };
    }
};

// A disk that refuses every save.
struct RefusingStore : HighScoreStore {
    int writes = 0;
    std::optional<std::string> read() override { return std::nullopt; }
    bool write(std::string_view) override
    {
        ++writes;
        return false;
    }
};

const Entries FullTable = {{"A", 500}, {"B", 400}, {"C", 300}, {"D", 200}, {"E", 100},
                           {"F", 90},  {"G", 80},  {"H", 70},  {"I", 50},  {"J", 35}};

// ------------------------------------------------------------ taking a place

TEST(HighScoreUpdate, FiftySevenIntoAnEmptyTableTakesFirstPlaceAndSavesIt)
{
    HighScores table;
    MemoryStore store;
    Asker asker;
    asker.answers = {"Ann"};
    table.UpdateHighScores(57, asker.prompt(), store);

    ASSERT_EQ(asker.prompts, std::vector<std::string>{"Great Job!  First Place!  Please enter your name"});
    EXPECT_EQ(asker.titles, std::vector<std::string>{"Lexidrop"});
    EXPECT_EQ(store.contents, "\"Ann\"\r\n57\r\n" + fileOf({}).substr(7));
    EXPECT_EQ(store.writes, 1);
}

TEST(HighScoreUpdate, ScoresBetweenEntriesTakeTheirPlaceAndEqualOnesTakeNone)
{
    struct Case {
        std::int32_t score;
        std::optional<int> place; // index taken, none when the table stays as it is
    };
    const Entries start = {{"A", 100}, {"B", 90}, {"C", 80}};
    for (const Case c : {Case{90, std::nullopt}, Case{100, std::nullopt}, Case{80, std::nullopt},
                         Case{0, std::nullopt}, Case{91, 1}, Case{89, 2}, Case{101, 0}, Case{79, 3},
                         Case{1, 3}}) {
        SCOPED_TRACE(c.score);
        HighScores table = tableOf(start);
        MemoryStore store;
        Asker asker;
        asker.answers = {"New"};
        table.UpdateHighScores(c.score, asker.prompt(), store);

        // Saved whether or not a place was taken.
        EXPECT_EQ(store.writes, 1);
        if (!c.place) {
            EXPECT_TRUE(asker.prompts.empty());
            EXPECT_EQ(store.contents, fileOf(start)) << "rewritten unchanged";
            continue;
        }
        ASSERT_EQ(asker.prompts.size(), 1u);
        EXPECT_EQ(asker.prompts[0], placePrompt(*c.place));
        Entries expected = start;
        expected.insert(expected.begin() + *c.place, {"New", c.score});
        EXPECT_EQ(store.contents, fileOf(expected));
    }
}

TEST(HighScoreUpdate, EachPlaceAsksWithItsOwnPromptAndTheOldTenthDrops)
{
    const std::array<std::string, Places> prompts = {
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
    Entries start;
    for (int i = 0; i < Places; ++i) {
        start.emplace_back(std::string(1, static_cast<char>('A' + i)), 1000 - 100 * i);
    }
    for (int place = 0; place < Places; ++place) {
        SCOPED_TRACE(place);
        HighScores table = tableOf(start);
        MemoryStore store;
        Asker asker;
        asker.answers = {"Zed"};
        const std::int32_t score = 1050 - 100 * place;
        table.UpdateHighScores(score, asker.prompt(), store);

        EXPECT_EQ(asker.prompts, std::vector<std::string>{prompts[static_cast<std::size_t>(place)]});
        EXPECT_EQ(asker.titles, std::vector<std::string>{"Lexidrop"});
        Entries expected = start;
        expected.insert(expected.begin() + place, {"Zed", score});
        expected.pop_back();
        EXPECT_EQ(store.contents, fileOf(expected));
    }
}

TEST(HighScoreUpdate, ThirtySixTakesTenthPlaceFromThirtyFive)
{
    HighScores table = tableOf(FullTable);
    MemoryStore store;
    Asker asker;
    asker.answers = {"Kim"};
    table.UpdateHighScores(36, asker.prompt(), store);

    EXPECT_EQ(asker.prompts,
              std::vector<std::string>{"At least you placed!  Tenth Place!  Please enter your name"});
    Entries expected = FullTable;
    expected.back() = {"Kim", 36};
    EXPECT_EQ(store.contents, fileOf(expected));
}

TEST(HighScoreUpdate, CancelEntersTheScoreWithAnEmptyName)
{
    HighScores table = tableOf({{"A", 100}});
    MemoryStore store;
    Asker asker; // no answers: Cancel
    table.UpdateHighScores(150, asker.prompt(), store);
    EXPECT_EQ(store.contents, fileOf({{"", 150}, {"A", 100}}));
}

TEST(HighScoreUpdate, ScoresBeyondSixteenBitsKeepTheirValue)
{
    for (const std::int32_t score : {32767, 32768, 40000, 2147483647}) {
        SCOPED_TRACE(score);
        HighScores table;
        MemoryStore store;
        Asker asker;
        asker.answers = {"Max"};
        table.UpdateHighScores(score, asker.prompt(), store);
        EXPECT_EQ(table.HsScores[0], score);
        EXPECT_EQ(parseTable(*store.contents).scores[0], score);
    }
}

TEST(HighScoreUpdate, TypedNamesAreStoredSoThatTheyReadBackAsOneItem)
{
    struct Case {
        std::string typed;
        std::string stored;
    };
    const std::vector<Case> cases = {
        {"Ann \"Ace\" Lee", "Ann 'Ace' Lee"},
        {"Smith, Jo", "Smith, Jo"},
        {"two\r\nlines\ttab", "twolinestab"},
        {"  spaced  ", "  spaced  "},
        {"Zo\xC3\xAB \xE5\x90\x8D \xF0\x9F\x98\x80", "Zo\xC3\xAB \xE5\x90\x8D \xF0\x9F\x98\x80"},
        {"Ren\xE9", "Ren\xC3\xA9"}, // a single-byte é
        {std::string(1500, 'x'), std::string(1000, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        HighScores table;
        MemoryStore store;
        Asker asker;
        asker.answers = {c.typed};
        table.UpdateHighScores(10, asker.prompt(), store);
        EXPECT_EQ(table.HsNames[0], c.stored);
        const ReadTable back = parseTable(*store.contents);
        EXPECT_TRUE(back.complete());
        EXPECT_EQ(back.names[0], c.stored);
        EXPECT_EQ(back.scores[0], 10);
    }
}

TEST(HighScoreUpdate, AFailedSaveKeepsTheNewEntryInMemory)
{
    HighScores table = tableOf({{"A", 100}});
    RefusingStore store;
    Asker asker;
    asker.answers = {"Bo"};
    table.UpdateHighScores(120, asker.prompt(), store);
    EXPECT_EQ(store.writes, 1);
    EXPECT_EQ(table.HsNames[0], "Bo");
    EXPECT_EQ(table.HsScores[1], 100);
}

// A table in memory whose saves wait until the test lets them run, as on
// a save thread.
struct LaterStore : MemoryStore {
    std::vector<SaveJob> waiting;
    void save(SaveJob job) override { waiting.push_back(std::move(job)); }
    void runWaiting()
    {
        for (SaveJob& job : std::exchange(waiting, {})) {
            job.done(job.run());
        }
    }
};

TEST(HighScoreUpdate, ASaveToldLaterBringsInWhatOthersSavedAndOnlyThenCallsBack)
{
    // The window shows the table from memory at once; when the save comes
    // back it holds what another window saved meanwhile too, and the
    // labels are told to follow.
    HighScores table = tableOf({{"A", 100}});
    LaterStore store;
    store.contents = fileOf({{"A", 100}});
    Asker asker;
    asker.answers = {"Bo"};
    int told = 0;
    table.UpdateHighScores(120, asker.prompt(), store, [&told] { ++told; });
    EXPECT_EQ(told, 0);
    EXPECT_EQ(table.HsNames[0], "Bo") << "from memory, before the save";
    store.contents = fileOf({{"Cy", 150}, {"A", 100}}); // another window's save
    store.runWaiting();
    EXPECT_EQ(told, 1);
    EXPECT_EQ(store.contents, fileOf({{"Cy", 150}, {"Bo", 120}, {"A", 100}}));
    EXPECT_EQ(table.HsNames[0], "Cy");
    EXPECT_EQ(table.HsNames[1], "Bo");
}

// ------------------------------------------------------------ the labels

TEST(HighScoreLabels, EveryPlaceIsShownAsItIsEmptyOnesBlank)
{
    HighScores table = tableOf({{"Ann", 57}, {"", 40}, {"Bob", 0}});
    PlaceLabels names;
    PlaceLabels scores;
    names.fill("stale");
    scores.fill("999");
    table.ShowHighScores(names, scores);
    EXPECT_EQ(names[0], "Ann");
    EXPECT_EQ(scores[0], "57");
    EXPECT_EQ(names[1], "") << "a stale name must not stand beside a new score";
    EXPECT_EQ(scores[1], "40");
    EXPECT_EQ(names[2], "Bob");
    EXPECT_EQ(scores[2], "") << "a zero is never shown";
    for (std::size_t i = 3; i < Places; ++i) {
        EXPECT_EQ(names[i], "");
        EXPECT_EQ(scores[i], "");
    }
}

TEST(HighScoreLabels, AnUpdateLeavesTheLabelsToTheNextShow)
{
    MemoryStore store;
    store.contents = fileOf({{"A", 100}});
    HighScores table;
    PlaceLabels names;
    PlaceLabels scores;
    table.LoadHighScores(store, names, scores);
    Asker asker;
    asker.answers = {"Zoe"};
    table.UpdateHighScores(200, asker.prompt(), store);
    EXPECT_EQ(names[0], "A");
    table.ShowHighScores(names, scores);
    EXPECT_EQ(names[0], "Zoe");
    EXPECT_EQ(scores[0], "200");
    EXPECT_EQ(names[1], "A");
}

// ------------------------------------------------------------ start-up

TEST(HighScoreLoad, FirstRunAsksNothingShowsBlanksAndCreatesTheFreshFile)
{
    Rig rig; // no file
    rig.game.Form_Load();
    EXPECT_TRUE(rig.window.prompts.empty());
    for (std::size_t i = 0; i < Places; ++i) {
        EXPECT_EQ(rig.state().LblName[i], "");
        EXPECT_EQ(rig.state().LblHs[i], "");
    }
    ASSERT_TRUE(rig.store.contents);
    EXPECT_EQ(rig.store.contents->size(), 70u);
    EXPECT_EQ(*rig.store.contents, fileOf({}));
}

TEST(HighScoreLoad, TheCommaFormLoadsLikeTheLineFormAndTheNextSaveWritesLines)
{
    std::string commaForm;
    Entries entries;
    for (int i = 0; i < Places; ++i) {
        entries.emplace_back("P" + std::to_string(i), 100 - i);
        commaForm += "\"P" + std::to_string(i) + "\"," + std::to_string(100 - i) + "\r\n";
    }
    Rig rig;
    rig.store.contents = commaForm;
    rig.game.Form_Load();
    EXPECT_EQ(rig.store.writes, 0) << "a complete file is not rewritten at start";
    EXPECT_EQ(rig.state().LblName[3], "P3");
    EXPECT_EQ(rig.state().LblHs[3], "97");
    HighScores table = rig.state().Table;
    table.UpdateHighScores(0, NamePrompt(), rig.store);
    EXPECT_EQ(rig.store.contents, fileOf(entries));
}

TEST(HighScoreLoad, AShortFileKeepsWhatWasReadShowsItAndIsRewrittenWhole)
{
    struct Case {
        std::string file;
        Entries kept;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"\"Ann\"\r\n57\r\n\"Bob\"\r\n40\r\n", {{"Ann", 57}, {"Bob", 40}}},
        {"\"Ann\"\r\n57\r\n\"Bob\"\r\n", {{"Ann", 57}, {"Bob", 0}}}, // a name without its score
        {"\"Ann\"\r\n57", {{"Ann", 57}}},                               // no final line end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Rig rig;
        rig.store.contents = c.file;
        rig.game.Form_Load();
        EXPECT_TRUE(rig.window.prompts.empty());
        EXPECT_EQ(rig.store.writes, 1);
        EXPECT_EQ(rig.store.contents, fileOf(c.kept));
        for (std::size_t i = 0; i < c.kept.size(); ++i) {
            EXPECT_EQ(rig.state().LblName[i], c.kept[i].first);
            EXPECT_EQ(rig.state().LblHs[i], c.kept[i].second ? std::to_string(c.kept[i].second) : "");
        }
    }
}

TEST(HighScoreLoad, AnUnsortedFileIsSortedHighestFirstKeepingTheOrderOfEqualScores)
{
    Rig rig;
    rig.store.contents = fileOf({{"low", 10}, {"tieA", 50}, {"top", 90}, {"tieB", 50}, {"", 0}, {"z", 20}});
    rig.game.Form_Load();
    const Entries sorted = {{"top", 90}, {"tieA", 50}, {"tieB", 50}, {"z", 20}, {"low", 10}};
    EXPECT_EQ(rig.state().Table.HsNames, tableOf(sorted).HsNames);
    EXPECT_EQ(rig.state().Table.HsScores, tableOf(sorted).HsScores);

    // So that one game can take only one place: 60 lands once, second.
    Asker asker;
    asker.answers = {"Mid"};
    HighScores table = rig.state().Table;
    table.UpdateHighScores(60, asker.prompt(), rig.store);
    Entries expected = sorted;
    expected.insert(expected.begin() + 1, {"Mid", 60});
    EXPECT_EQ(rig.store.contents, fileOf(expected));
}

// ------------------------------------------------------------ the game-over path

TEST(HighScoreGameOver, OnlyAScoreAboveTheTenthLabelReachesTheTable)
{
    struct Case {
        std::int32_t score;
        bool asked;
    };
    for (const Case c : {Case{35, false}, Case{36, true}}) {
        SCOPED_TRACE(c.score);
        Rig rig;
        rig.store.contents = fileOf(FullTable);
        rig.game.Form_Load();
        rig.window.answers = {"Kim"};
        rig.loseWithScore(c.score);

        EXPECT_EQ(rig.window.prompts.size(), c.asked ? 1u : 0u);
        EXPECT_EQ(rig.store.writes, c.asked ? 1 : 0);
        EXPECT_EQ(rig.state().LblName[9], c.asked ? "Kim" : "J");
        EXPECT_EQ(rig.state().LblHs[9], c.asked ? "36" : "35");
        EXPECT_EQ(rig.state().LblHs[8], "50");
    }
}

} // namespace
} // namespace lexidrop::testing
