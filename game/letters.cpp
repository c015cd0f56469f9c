#include "game/letters.h"

#include <array>

#include "core/arithmetic.h"

namespace lexidrop {

namespace {

struct Range {
    std::int16_t low;  // first draw number of the letter
    std::int16_t high; // last draw number of the letter
    char letter;
};

// The ranges leave 126 and 128 uncovered; those fall back to "e".
constexpr std::array<Range, 26> Ranges{{
    {1, 12, 'a'},    {13, 16, 'b'},   {17, 20, 'c'},   {21, 24, 'd'},   {25, 37, 'e'},
    {38, 40, 'f'},   {41, 44, 'g'},   {45, 48, 'h'},   {49, 54, 'i'},   {55, 56, 'j'},
    {57, 58, 'k'},   {59, 64, 'l'},   {65, 69, 'm'},   {70, 74, 'n'},   {75, 83, 'o'},
    {84, 88, 'p'},   {89, 89, 'q'},   {90, 95, 'r'},   {96, 103, 's'},  {104, 110, 't'},
    {111, 118, 'u'}, {119, 120, 'v'}, {121, 122, 'w'}, {123, 123, 'x'}, {124, 125, 'y'},
    {127, 127, 'z'},
}};

} // namespace

std::string letterForDraw(std::int16_t c)
{
    for (const Range& range : Ranges) {
        if (c >= range.low && c <= range.high) {
            return std::string(1, range.letter);
        }
    }
    return "e";
}

std::int16_t drawNumber(float u)
{
    return toInt16(static_cast<double>(u) * 127.0 + 1.0);
}

} // namespace lexidrop
