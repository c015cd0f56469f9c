// The dictionary: the four word lists, their membership index, the letter
// worth table and the four scoring lookups.
//
// The lists are kept as written, in the game's order, because words() hands
// them out that way: each one string of its words side by side, so that the
// program carries no table of pointers for the loader to fix up (five
// thousand of them cost about 200 KiB at every start).  Membership does not
// scan them: every word of up to five letters packs into 32 bits (five bits
// a letter), and each list gets a hash set of its packed words, an
// open-addressed table with linear probing that the compiler fills.  A test
// is one multiply, a shift and, on average, one or two reads of a table of
// at most 32 KiB.  The static_asserts below refuse to build when an entry
// cannot be packed, a word stands twice, or a probe run grows long.
#include "dictionary/dictionary.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstddef>
#include <initializer_list>
#include <span>
#include <utility>
#include <vector>

#include "core/arithmetic.h"

namespace lexidrop {

namespace {

// One word list as compiled in: its words, length letters each, side by side.
struct PackedWords {
    std::size_t length; // letters a word
    std::string_view text; // every word, in the game's order

    constexpr std::size_t size() const { return text.size() / length; }
    constexpr std::string_view operator[](std::size_t i) const { return text.substr(i * length, length); }
};

#include "dictionary/word_lists.inc"

// Bits per packed letter: 'a'..'z' become 1..26, so 0 never stands for a
// letter and keys of different lengths never coincide.
constexpr unsigned BitsPerLetter = 5;
constexpr std::size_t LongestWord = 5;

// The packed key of word, or 0 when word is empty, longer than five
// letters or holds anything but 'a'..'z' (such a word is in no list).
constexpr std::uint32_t packWord(std::string_view word)
{
    if (word.empty() || word.size() > LongestWord) {
        return 0;
    }
    std::uint32_t key = 0;
    for (const char ch : word) {
        if (ch < 'a' || ch > 'z') {
            return 0;
        }
        key = (key << BitsPerLetter) | static_cast<std::uint32_t>(ch - 'a' + 1);
    }
    return key;
}

// The packed keys of one list in ascending order: the compiler checks the
// list with them and they take no room in the program.
template <std::size_t N>
constexpr std::array<std::uint32_t, N> sortedKeys(const PackedWords& list)
{
    std::array<std::uint32_t, N> keys{};
    for (std::size_t i = 0; i < N; ++i) {
        keys[i] = packWord(list[i]);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

// Every entry packs (no key 0) and no key stands twice.
template <std::size_t N>
constexpr bool allPackedAndDistinct(const std::array<std::uint32_t, N>& keys)
{
    if (N == 0 || keys[0] == 0) {
        return false;
    }
    return std::adjacent_find(keys.begin(), keys.end(),
                              [](std::uint32_t a, std::uint32_t b) { return a >= b; }) ==
           keys.end();
}

static_assert(ThreeLetterWords.text.size() % 3 == 0 && FourLetterWords.text.size() % 4 == 0 &&
              FiveLetterFirstWords.text.size() % 5 == 0 && FiveLetterSecondWords.text.size() % 5 == 0);

constexpr auto ThreeLetterKeys = sortedKeys<ThreeLetterWords.size()>(ThreeLetterWords);
constexpr auto FourLetterKeys = sortedKeys<FourLetterWords.size()>(FourLetterWords);
constexpr auto FiveLetterFirstKeys = sortedKeys<FiveLetterFirstWords.size()>(FiveLetterFirstWords);
constexpr auto FiveLetterSecondKeys = sortedKeys<FiveLetterSecondWords.size()>(FiveLetterSecondWords);

static_assert(allPackedAndDistinct(ThreeLetterKeys), "three-letter list: unpackable or repeated entry");
static_assert(allPackedAndDistinct(FourLetterKeys), "four-letter list: unpackable or repeated entry");
static_assert(allPackedAndDistinct(FiveLetterFirstKeys), "five-letter list a-r: unpackable or repeated entry");
static_assert(allPackedAndDistinct(FiveLetterSecondKeys), "five-letter list s-z: unpackable or repeated entry");

// Slots of a list's hash set: a power of two at least twice the list, so
// the table is at most half full and a miss soon meets an empty slot (key
// 0).  Linear probing at two-thirds full let runs of forty slots build up;
// at half full the longest is about ten, for 4 to 32 KiB a list.
constexpr std::size_t slotsFor(std::size_t words)
{
    return std::bit_ceil(2 * words);
}

// The home slot of key in a table of 2^bits slots (Fibonacci hashing: the
// top bits of the product mix every letter of the word).
constexpr std::size_t homeSlot(std::uint32_t key, unsigned bits)
{
    return static_cast<std::size_t>((key * 0x9E3779B1u) >> (32u - bits));
}

template <std::size_t N>
constexpr std::array<std::uint32_t, slotsFor(N)> hashSet(const PackedWords& list)
{
    constexpr std::size_t slots = slotsFor(N);
    constexpr auto bits = static_cast<unsigned>(std::countr_zero(slots));
    std::array<std::uint32_t, slots> table{};
    for (std::size_t i = 0; i < N; ++i) {
        const std::uint32_t key = packWord(list[i]);
        std::size_t slot = homeSlot(key, bits);
        while (table[slot] != 0) {
            slot = (slot + 1) & (slots - 1);
        }
        table[slot] = key;
    }
    return table;
}

// The longest run of occupied slots (wrapping round): the most slots a miss
// can read before it meets an empty one.
template <std::size_t Slots>
constexpr std::size_t longestRun(const std::array<std::uint32_t, Slots>& table)
{
    std::size_t empty = 0;
    while (empty < Slots && table[empty] != 0) {
        ++empty;
    }
    if (empty == Slots) {
        return Slots;
    }
    std::size_t longest = 0;
    std::size_t run = 0;
    for (std::size_t i = 1; i <= Slots; ++i) {
        run = table[(empty + i) % Slots] != 0 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

constexpr auto ThreeLetterSet = hashSet<ThreeLetterWords.size()>(ThreeLetterWords);
constexpr auto FourLetterSet = hashSet<FourLetterWords.size()>(FourLetterWords);
constexpr auto FiveLetterFirstSet = hashSet<FiveLetterFirstWords.size()>(FiveLetterFirstWords);
constexpr auto FiveLetterSecondSet = hashSet<FiveLetterSecondWords.size()>(FiveLetterSecondWords);

// A bound on the work of one membership test; a change of a list or of the
// hash that breaks it should be noticed, not just run slower.
constexpr std::size_t MaxProbeRun = 16;
static_assert(longestRun(ThreeLetterSet) <= MaxProbeRun);
static_assert(longestRun(FourLetterSet) <= MaxProbeRun);
static_assert(longestRun(FiveLetterFirstSet) <= MaxProbeRun);
static_assert(longestRun(FiveLetterSecondSet) <= MaxProbeRun);

// One list as the lookups see it: its word length, its hash set, its words.
struct ListView {
    std::size_t length;
    std::span<const std::uint32_t> set;
    PackedWords entries;
};

constexpr ListView view(WordList list)
{
    switch (list) {
    case WordList::Three: return {3, ThreeLetterSet, ThreeLetterWords};
    case WordList::Four: return {4, FourLetterSet, FourLetterWords};
    case WordList::FiveFirst: return {5, FiveLetterFirstSet, FiveLetterFirstWords};
    case WordList::FiveSecond: return {5, FiveLetterSecondSet, FiveLetterSecondWords};
    }
    return {0, {}, {1, {}}};
}

// Probe from the home slot until the key or an empty slot turns up; the
// table always has empty slots, so the loop ends.
bool hasKey(std::span<const std::uint32_t> set, std::uint32_t key)
{
    const std::size_t mask = set.size() - 1;
    const auto bits = static_cast<unsigned>(std::countr_zero(set.size()));
    for (std::size_t slot = homeSlot(key, bits);; slot = (slot + 1) & mask) {
        const std::uint32_t here = set[slot];
        if (here == key) {
            return true;
        }
        if (here == 0) {
            return false;
        }
    }
}

bool isMember(const ListView& list, std::string_view word)
{
    if (word.size() != list.length) {
        return false; // also every run with an empty cell: it is too short
    }
    const std::uint32_t key = packWord(word);
    return key != 0 && hasKey(list.set, key);
}

// A number as the score labels show it: the place of the sign holds a
// space unless the number is negative, so 8 reads " 8" and 0 reads " 0".
std::string signedNumberText(std::int32_t value)
{
    std::array<char, 12> text{' '}; // sign place + ten digits + spare
    char* const digits = value < 0 ? text.data() : text.data() + 1;
    const auto end = std::to_chars(digits, text.data() + text.size(), value).ptr;
    return std::string(text.data(), end);
}

// The score after adding points; past the 32 bits of the score this is a
// run-time failure, which the landing turns into game over, and the score
// is left as it was.
std::int32_t addToScore(std::int32_t score, std::int16_t points)
{
    const std::int64_t total = std::int64_t{score} + points;
    if (total < INT32_MIN || total > INT32_MAX) {
        throw RuleFailure("32-bit overflow of the score");
    }
    return static_cast<std::int32_t>(total);
}

// The common lookup: join, test, and on a hit pay S x M into the tally.
bool checkWord(WordList list, std::int16_t multiplier, Tally tally,
               std::initializer_list<const std::string*> letters)
{
    std::string word;
    word.reserve(LongestWord);
    for (const std::string* letter : letters) {
        word += *letter;
    }
    if (!isMember(view(list), word)) {
        return false;
    }
    std::int16_t sum = 0;
    for (const std::string* letter : letters) {
        sum = add16(sum, LetterWorth(*letter));
    }
    const std::int16_t points = toInt16(sum * multiplier);
    tally.Score = addToScore(tally.Score, points);
    tally.LblScore = scoreText(tally.Score);
    tally.lblLast = lastWordText(word, points);
    if (tally.scored != nullptr) {
        *tally.scored = ScoredWord{std::move(word), points};
    }
    return true;
}

} // namespace

std::string scoreText(std::int32_t score) { return signedNumberText(score); }

std::string lastWordText(std::string_view word, std::int16_t points)
{
    std::string text(word);
    text += "   ";
    text += signedNumberText(points);
    text += " points";
    return text;
}

std::int16_t LetterWorth(std::string_view letter)
{
    constexpr std::array<std::int16_t, 26> worth{
        1, 5, 5, 5, 1, 6, 4, 2, 3, 7, 7, 3, 4,   // a..m
        4, 3, 3, 14, 4, 1, 2, 4, 7, 7, 10, 6, 8, // n..z
    };
    if (letter.size() != 1 || letter[0] < 'a' || letter[0] > 'z') {
        return 0;
    }
    return worth[static_cast<std::size_t>(letter[0] - 'a')];
}

bool contains(WordList list, std::string_view word)
{
    return isMember(view(list), word);
}

std::vector<std::string_view> words(WordList list)
{
    const PackedWords entries = view(list).entries;
    std::vector<std::string_view> out;
    out.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        out.push_back(entries[i]);
    }
    return out;
}

bool CheckWord3(Tally tally, std::string a, std::string b, std::string c)
{
    return checkWord(WordList::Three, 1, tally, {&a, &b, &c});
}

bool CheckWord4(Tally tally, std::string a, std::string b, std::string c, std::string d)
{
    return checkWord(WordList::Four, 2, tally, {&a, &b, &c, &d});
}

bool CheckWord5First(Tally tally, std::string a, std::string b, std::string c, std::string d,
                     std::string e)
{
    return checkWord(WordList::FiveFirst, 3, tally, {&a, &b, &c, &d, &e});
}

bool CheckWord5Second(Tally tally, std::string a, std::string b, std::string c, std::string d,
                      std::string e)
{
    return checkWord(WordList::FiveSecond, 3, tally, {&a, &b, &c, &d, &e});
}

} // namespace lexidrop
