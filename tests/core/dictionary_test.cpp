// The dictionary: the four lists as the game keeps them, membership in each,
// the letter worths and the scoring of a found word into the score labels.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary/dictionary.h"
#include "core/arithmetic.h"

namespace lexidrop::testing {
namespace {

constexpr std::array AllLists{WordList::Three, WordList::Four, WordList::FiveFirst,
                              WordList::FiveSecond};

std::string listName(WordList list)
{
    switch (list) {
    case WordList::Three: return "three-letter";
    case WordList::Four: return "four-letter";
    case WordList::FiveFirst: return "five-letter a-r";
    case WordList::FiveSecond: return "five-letter s-z";
    }
    return "?";
}

// ---------------------------------------------------------------- the lists

struct ListShape {
    WordList list;
    std::size_t count;
    std::size_t length;
    std::string_view first;
    std::string_view last;
    char lowestInitial;
    char highestInitial;
};

constexpr std::array Shapes{
    ListShape{WordList::Three, 463, 3, "aah", "zoo", 'a', 'z'},
    ListShape{WordList::Four, 1323, 4, "abet", "zoom", 'a', 'z'},
    ListShape{WordList::FiveFirst, 2060, 5, "aback", "rutty", 'a', 'r'},
    ListShape{WordList::FiveSecond, 1246, 5, "saber", "zowie", 's', 'z'},
};

TEST(WordLists, EachListHoldsItsCountOfWordsFromItsFirstToItsLastEntry)
{
    for (const ListShape& shape : Shapes) {
        SCOPED_TRACE(listName(shape.list));
        const auto entries = words(shape.list);
        ASSERT_EQ(entries.size(), shape.count);
        EXPECT_EQ(entries.front(), shape.first);
        EXPECT_EQ(entries.back(), shape.last);
    }
}

TEST(WordLists, EveryEntryHasTheLengthOfItsListAndOnlyLowerCaseLetters)
{
    for (const ListShape& shape : Shapes) {
        SCOPED_TRACE(listName(shape.list));
        for (const std::string_view word : words(shape.list)) {
            EXPECT_EQ(word.size(), shape.length) << word;
            EXPECT_TRUE(std::all_of(word.begin(), word.end(),
                                    [](char ch) { return ch >= 'a' && ch <= 'z'; }))
                << word;
        }
    }
}

TEST(WordLists, NoWordStandsTwiceInOneListOrInTwoLists)
{
    std::set<std::string_view> seen;
    for (const WordList list : AllLists) {
        for (const std::string_view word : words(list)) {
            EXPECT_TRUE(seen.insert(word).second) << word << " again in " << listName(list);
        }
    }
    EXPECT_EQ(seen.size(), 5092u);
}

TEST(WordLists, InitialsStayInTheirRangeSoTheFiveLetterHalvesSplitAtS)
{
    for (const ListShape& shape : Shapes) {
        SCOPED_TRACE(listName(shape.list));
        for (const std::string_view word : words(shape.list)) {
            EXPECT_GE(word.front(), shape.lowestInitial) << word;
            EXPECT_LE(word.front(), shape.highestInitial) << word;
        }
    }
}

TEST(WordLists, ShortListsHaveNoWordsOnTheRareInitials)
{
    const auto hasInitial = [](WordList list, char initial) {
        const auto entries = words(list);
        return std::any_of(entries.begin(), entries.end(),
                           [initial](std::string_view w) { return w.front() == initial; });
    };
    EXPECT_FALSE(hasInitial(WordList::Three, 'q'));
    EXPECT_FALSE(hasInitial(WordList::Three, 'x'));
    EXPECT_FALSE(hasInitial(WordList::Four, 'x'));
    EXPECT_TRUE(hasInitial(WordList::Four, 'q')) << "quip, quit, quiz";
    EXPECT_TRUE(hasInitial(WordList::FiveSecond, 'x')) << "xebec ... xylem";
}

TEST(WordLists, ListsKeepTheGameOrderRatherThanAlphabetical)
{
    // The three-letter a line runs "... awe axe arc are ...": the lists are
    // handed out as written, and only the index behind contains() is sorted.
    const auto three = words(WordList::Three);
    const auto axe = std::find(three.begin(), three.end(), "axe");
    ASSERT_NE(axe, three.end());
    ASSERT_NE(axe + 1, three.end());
    EXPECT_EQ(*(axe + 1), "arc");
}

// --------------------------------------------------------------- membership

TEST(Membership, EveryEntryIsFoundInItsOwnListAndInNoOther)
{
    for (const WordList home : AllLists) {
        for (const std::string_view word : words(home)) {
            for (const WordList list : AllLists) {
                EXPECT_EQ(contains(list, word), list == home)
                    << word << " asked of the " << listName(list) << " list";
            }
        }
    }
}

TEST(Membership, UnusualEntriesAreWordsOfTheGame)
{
    struct Case {
        WordList list;
        std::string_view word;
    };
    for (const Case& c : {Case{WordList::Four, "bagy"}, Case{WordList::Four, "feul"},
                          Case{WordList::Four, "seut"}, Case{WordList::FiveFirst, "buddt"},
                          Case{WordList::FiveSecond, "zizit"}}) {
        EXPECT_TRUE(contains(c.list, c.word)) << c.word;
    }
}

TEST(Membership, AgreesWithTheListOnEveryOneLetterChangeOfEveryEntry)
{
    // Words one letter away from an entry sit right beside it in sorted
    // order, where an off-by-one in the search would show.
    for (const WordList list : AllLists) {
        const auto entries = words(list);
        const std::set<std::string_view> oracle(entries.begin(), entries.end());
        for (const std::string_view entry : entries) {
            for (const std::size_t at : {std::size_t{0}, entry.size() - 1}) {
                std::string variant(entry);
                for (char ch = 'a'; ch <= 'z'; ++ch) {
                    variant[at] = ch;
                    ASSERT_EQ(contains(list, variant), oracle.count(variant) == 1)
                        << variant << " in the " << listName(list) << " list";
                }
            }
        }
    }
}

TEST(Membership, CaseLengthAndForeignCharactersNeverMatch)
{
    using namespace std::string_view_literals;
    struct Case {
        WordList list;
        std::string_view word;
    };
    const std::array misses{
        Case{WordList::Three, "Cat"},        Case{WordList::Three, "CAT"},
        Case{WordList::Three, "ca"},         Case{WordList::Three, "catt"},
        Case{WordList::Three, ""},           Case{WordList::Three, " cat"},
        Case{WordList::Three, "ca\0"sv},     Case{WordList::Three, "`at"},
        Case{WordList::Three, "{oo"},        Case{WordList::Four, "cat"},
        Case{WordList::Four, "Quiz"},        Case{WordList::FiveFirst, "zebra"},
        Case{WordList::FiveFirst, "quic"},   Case{WordList::FiveFirst, "quickk"},
        Case{WordList::FiveSecond, "quick"}, Case{WordList::FiveSecond, "Zebra"},
    };
    for (const Case& c : misses) {
        EXPECT_FALSE(contains(c.list, c.word))
            << '"' << c.word << "\" in the " << listName(c.list) << " list";
    }
}

// ------------------------------------------------------------- letter worth

TEST(LetterWorth, LowerCaseLettersAreWorthTheirTableValue)
{
    const std::array<std::pair<std::string_view, std::int16_t>, 8> table{{
        {"a", 1}, {"b", 5}, {"f", 6}, {"h", 2}, {"q", 14}, {"x", 10}, {"y", 6}, {"z", 8},
    }};
    for (const auto& [letter, worth] : table) {
        EXPECT_EQ(LetterWorth(letter), worth) << letter;
    }
    int alphabet = 0;
    for (char ch = 'a'; ch <= 'z'; ++ch) {
        alphabet += LetterWorth(std::string(1, ch));
    }
    EXPECT_EQ(alphabet, 126) << "sum over a..z";
}

TEST(LetterWorth, AnythingButOneLowerCaseLetterIsWorthNothing)
{
    using namespace std::string_view_literals;
    for (const std::string_view text : {"Q"sv, "A"sv, "Z"sv, ""sv, "ab"sv, "qq"sv, " "sv, "`"sv,
                                        "{"sv, "\0"sv, "q "sv}) {
        EXPECT_EQ(LetterWorth(text), 0) << '"' << text << '"';
    }
}

// ------------------------------------------------------------------ scoring

// The score and the two labels a lookup writes, as the window keeps them.
struct Labels {
    std::int32_t score = 0;
    std::string lblScore;
    std::string lblLast;

    Tally tally() { return Tally{score, lblScore, lblLast}; }
};

enum class Lookup { Three, Four, FiveFirst, FiveSecond };

bool lookUp(Lookup lookup, Labels& labels, const std::vector<std::string>& l)
{
    switch (lookup) {
    case Lookup::Three: return CheckWord3(labels.tally(), l.at(0), l.at(1), l.at(2));
    case Lookup::Four: return CheckWord4(labels.tally(), l.at(0), l.at(1), l.at(2), l.at(3));
    case Lookup::FiveFirst:
        return CheckWord5First(labels.tally(), l.at(0), l.at(1), l.at(2), l.at(3), l.at(4));
    case Lookup::FiveSecond:
        return CheckWord5Second(labels.tally(), l.at(0), l.at(1), l.at(2), l.at(3), l.at(4));
    }
    return false;
}

struct Hit {
    Lookup lookup;
    std::vector<std::string> letters;
    std::int32_t points;
    std::string lblLast;
};

TEST(CheckWord, AHitPaysLetterSumTimesLengthMultiplierAndWritesBothLabels)
{
    const std::vector<Hit> hits{
        {Lookup::Three, {"c", "a", "t"}, 8, "cat    8 points"},
        {Lookup::Three, {"s", "e", "a"}, 3, "sea    3 points"},
        {Lookup::Three, {"f", "o", "x"}, 19, "fox    19 points"},
        {Lookup::Four, {"q", "u", "i", "z"}, 58, "quiz    58 points"},
        {Lookup::FiveFirst, {"q", "u", "i", "f", "f"}, 99, "quiff    99 points"},
        {Lookup::FiveFirst, {"q", "u", "i", "c", "k"}, 99, "quick    99 points"},
        {Lookup::FiveSecond, {"z", "e", "b", "r", "a"}, 57, "zebra    57 points"},
    };
    for (const Hit& hit : hits) {
        SCOPED_TRACE(hit.lblLast);
        Labels labels;
        ASSERT_TRUE(lookUp(hit.lookup, labels, hit.letters));
        EXPECT_EQ(labels.score, hit.points);
        EXPECT_EQ(labels.lblScore, " " + std::to_string(hit.points));
        EXPECT_EQ(labels.lblLast, hit.lblLast);
    }
}

TEST(CheckWord, CatFromNothingShowsAScoreOfEightWithTheLeadingSpace)
{
    Labels labels;
    EXPECT_TRUE(CheckWord3(labels.tally(), "c", "a", "t"));
    EXPECT_EQ(labels.score, 8);
    EXPECT_EQ(labels.lblScore, " 8");
    EXPECT_EQ(labels.lblLast, "cat    8 points");
}

TEST(CheckWord, TheScoreLabelShowsTheRunningTotalAndLastLabelTheLatestWord)
{
    Labels labels;
    ASSERT_TRUE(CheckWord3(labels.tally(), "c", "a", "t"));
    ASSERT_TRUE(CheckWord4(labels.tally(), "q", "u", "i", "z"));
    EXPECT_EQ(labels.score, 66);
    EXPECT_EQ(labels.lblScore, " 66");
    EXPECT_EQ(labels.lblLast, "quiz    58 points");
}

TEST(CheckWord, AMissReturnsFalseAndLeavesScoreAndLabelsAlone)
{
    struct Miss {
        Lookup lookup;
        std::vector<std::string> letters;
        const char* why;
    };
    const std::vector<Miss> misses{
        {Lookup::Three, {"C", "a", "t"}, "upper case"},
        {Lookup::Three, {"c", "a", ""}, "empty cell"},
        {Lookup::Three, {"q", "i", "z"}, "not a word"},
        {Lookup::Four, {"c", "a", "", "t"}, "an empty cell leaves a three-letter run"},
        {Lookup::Four, {"Q", "u", "i", "z"}, "upper case"},
        {Lookup::FiveFirst, {"z", "e", "b", "r", "a"}, "second-half word"},
        {Lookup::FiveFirst, {"q", "u", "i", "c", ""}, "empty cell"},
        {Lookup::FiveSecond, {"q", "u", "i", "c", "k"}, "first-half word"},
        {Lookup::FiveSecond, {"z", "e", "b", "r", "A"}, "upper case"},
    };
    for (const Miss& miss : misses) {
        SCOPED_TRACE(miss.why);
        Labels labels{21, " 21", "fix    19 points"};
        EXPECT_FALSE(lookUp(miss.lookup, labels, miss.letters));
        EXPECT_EQ(labels.score, 21);
        EXPECT_EQ(labels.lblScore, " 21");
        EXPECT_EQ(labels.lblLast, "fix    19 points");
    }
}

TEST(CheckWord, AFiveLetterRunAskedOfBothHalvesIsPaidOnce)
{
    for (const std::vector<std::string>& run :
         {std::vector<std::string>{"z", "e", "b", "r", "a"},
          std::vector<std::string>{"q", "u", "i", "c", "k"}}) {
        Labels labels;
        const bool first = lookUp(Lookup::FiveFirst, labels, run);
        const bool second = lookUp(Lookup::FiveSecond, labels, run);
        EXPECT_NE(first, second) << run.at(0);
        EXPECT_EQ(labels.score, run.at(0) == "z" ? 57 : 99);
    }
}

TEST(CheckWord, AddsToAScoreLeftByEarlierGames)
{
    // The new-game reset writes "0" without the space; the first word scored
    // brings the space back.
    Labels labels{0, "0", ""};
    ASSERT_TRUE(CheckWord3(labels.tally(), "z", "o", "o"));
    EXPECT_EQ(labels.lblScore, " 14");
    Labels high{1234567, "", ""};
    ASSERT_TRUE(CheckWord3(high.tally(), "a", "a", "h"));
    EXPECT_EQ(high.score, 1234571);
    EXPECT_EQ(high.lblScore, " 1234571");
    EXPECT_EQ(high.lblLast, "aah    4 points");
}

TEST(CheckWord, AHitThatWouldCarryTheScorePastThirtyTwoBitsIsARuleFailureThatChangesNothing)
{
    struct Case {
        Lookup lookup;
        std::vector<std::string> letters;
        std::int32_t points;
    };
    for (const Case& c : {Case{Lookup::Three, {"c", "a", "t"}, 8}, Case{Lookup::Four, {"q", "u", "i", "z"}, 58},
                          Case{Lookup::FiveFirst, {"q", "u", "i", "f", "f"}, 99},
                          Case{Lookup::FiveSecond, {"z", "e", "b", "r", "a"}, 57}}) {
        SCOPED_TRACE(c.points);
        const std::int32_t justFits = INT32_MAX - c.points;
        Labels last{justFits, "before", "last word"};
        ASSERT_TRUE(lookUp(c.lookup, last, c.letters));
        EXPECT_EQ(last.score, INT32_MAX);
        EXPECT_EQ(last.lblScore, " 2147483647");

        Labels over{justFits + 1, "before", "last word"};
        EXPECT_THROW(lookUp(c.lookup, over, c.letters), RuleFailure);
        EXPECT_EQ(over.score, justFits + 1);
        EXPECT_EQ(over.lblScore, "before");
        EXPECT_EQ(over.lblLast, "last word");
    }
}

} // namespace
} // namespace lexidrop::testing
