// Placeholder until the word lists land: a handful of words.
#include "dictionary/dictionary.h"

#include <algorithm>
#include <array>

namespace lexidrop {

namespace {
constexpr std::array<std::string_view, 4> Three{"aah", "cat", "fix", "zoo"};
constexpr std::array<std::string_view, 3> Four{"quiz", "fizz", "abet"};
constexpr std::array<std::string_view, 3> FiveA{"quick", "quiff", "aback"};
constexpr std::array<std::string_view, 2> FiveS{"zebra", "saber"};

bool check(std::span<const std::string_view> list, int multiplier, Tally tally,
           std::initializer_list<const std::string*> letters)
{
    std::string word;
    int sum = 0;
    for (const std::string* l : letters) {
        word += *l;
        sum += LetterWorth(*l);
    }
    if (std::find(list.begin(), list.end(), word) == list.end()) {
        return false;
    }
    const int points = sum * multiplier;
    tally.Score += points;
    tally.LblScore = " " + std::to_string(tally.Score);
    tally.lblLast = word + "    " + std::to_string(points) + " points";
    return true;
}
} // namespace

std::int16_t LetterWorth(std::string_view letter)
{
    constexpr std::array<std::int16_t, 26> worth{1, 5, 5, 5, 1, 6, 4, 2, 3, 7, 7, 3, 4,
                                                 4, 3, 3, 14, 4, 1, 2, 4, 7, 7, 10, 6, 8};
    if (letter.size() != 1 || letter[0] < 'a' || letter[0] > 'z') {
        return 0;
    }
    return worth[static_cast<std::size_t>(letter[0] - 'a')];
}

std::span<const std::string_view> words(WordList list)
{
    switch (list) {
    case WordList::Three: return Three;
    case WordList::Four: return Four;
    case WordList::FiveFirst: return FiveA;
    case WordList::FiveSecond: return FiveS;
    }
    return {};
}

bool contains(WordList list, std::string_view word)
{
    auto w = words(list);
    return std::find(w.begin(), w.end(), word) != w.end();
}

bool CheckWord3(Tally t, std::string a, std::string b, std::string c) { return check(Three, 1, t, {&a, &b, &c}); }
bool CheckWord4(Tally t, std::string a, std::string b, std::string c, std::string d)
{
    return check(Four, 2, t, {&a, &b, &c, &d});
}
bool CheckWord5First(Tally t, std::string a, std::string b, std::string c, std::string d, std::string e)
{
    return check(FiveA, 3, t, {&a, &b, &c, &d, &e});
}
bool CheckWord5Second(Tally t, std::string a, std::string b, std::string c, std::string d, std::string e)
{
    return check(FiveS, 3, t, {&a, &b, &c, &d, &e});
}

} // namespace lexidrop
