// The game's fixed dictionary and the scoring of a found word.
//
// Four word lists (three letters, four letters, five letters with initials
// a to r, five letters with initials s to z) are compiled into the program.
// A lookup joins its letters, tests membership in its own list and, on a hit,
// pays the word into a Tally: the points (sum of LetterWorth times 1, 2 or 3
// by length) are added to the score and both labels are rewritten.  A miss
// changes nothing.  The caller only learns whether the run was a word.
// Every addition is checked: a hit that would carry the score past its 32
// bits throws RuleFailure (core/arithmetic.h) and leaves score and labels as
// they were, a run-time failure that the landing turns into game over.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lexidrop {

// A word that scored, and its points.
struct ScoredWord {
    std::string word;
    std::int16_t points = 0;
};

// Where a found word's points and texts go: the running score and the two
// labels that show it, and the word itself when the caller asks for it.
struct Tally {
    std::int32_t& Score;           // running score of the game
    std::string& LblScore;         // score label text, " 8" after the first word
    std::string& lblLast;          // last word label text, "cat    8 points"
    ScoredWord* scored = nullptr;  // set on a hit, where given
};

// The score label's text: the number with one leading space in the place
// of its sign (" 8"), as the lookups write it.
std::string scoreText(std::int32_t score);
// The last word label's text for a word that scored: "cat    8 points".
std::string lastWordText(std::string_view word, std::int16_t points);

// The four lists, one per lookup.
enum class WordList { Three, Four, FiveFirst, FiveSecond };

// Worth of one letter "a".."z"; 0 for anything else (case-sensitive).
std::int16_t LetterWorth(std::string_view letter);

// True when word is an entry of list (exact, case-sensitive).
bool contains(WordList list, std::string_view word);

// The entries of a list in the order the game keeps them (made at each
// call: only tests and measurements ask).
std::vector<std::string_view> words(WordList list);

// The lookups: join the letters in reading order; on a hit score and return true.
bool CheckWord3(Tally tally, std::string a, std::string b, std::string c);
bool CheckWord4(Tally tally, std::string a, std::string b, std::string c, std::string d);
bool CheckWord5First(Tally tally, std::string a, std::string b, std::string c, std::string d,
                     std::string e);
bool CheckWord5Second(Tally tally, std::string a, std::string b, std::string c, std::string d,
                      std::string e);

} // namespace lexidrop
