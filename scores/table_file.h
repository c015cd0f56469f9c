// The bytes of hs.txt: reading them into a table and writing a table out.
//
// The file holds twenty items, a name and a score for each place, first
// place first.  The writer puts each item on a line of its own ending in
// CR LF, the name between double quotes, the score as plain decimal digits.
// The reader takes what older writers and hand edits produce as well: an
// item ends at a line end (CR LF, LF or CR) or at a comma outside double
// quotes, spaces before an item are skipped and quotes around it removed.
//
// Names in a table are always clean (see cleanName), so whatever the writer
// puts out reads back as the same table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "scores/high_scores.h"

namespace lexidrop {

// Longest name the table keeps, in bytes of UTF-8.
constexpr std::size_t MaxNameBytes = 1000;

// The most of hs.txt that a load looks at.  A table this program writes
// needs about 10 KB (ten names of at most 1,000 bytes); the margin lets a
// hand-edited file with longer names, which are cut, still load whole,
// while a huge or binary file costs no more than this to read.
constexpr std::size_t MaxTableFileBytes = 64 * 1024;

// What the reader made of a file.
struct ReadTable {
    std::array<std::string, Places> names;     // clean names, "" where none was read
    std::array<std::int32_t, Places> scores{}; // 0 where none was read
    int items = 0;                             // items read, 0..20
    bool complete() const { return items == 2 * Places; }
};

// Reads the twenty items from the start of bytes; stops early when bytes
// run out.  Never fails otherwise: a score item that is not plain decimal
// digits, or that does not fit 32 bits, reads as 0.
ReadTable parseTable(std::string_view bytes);

// The twenty CR LF lines of the table (names are written as they stand, so
// they should be clean).
std::string formatTable(const std::array<std::string, Places>& names,
                        const std::array<std::int32_t, Places>& scores);

// A name as the table keeps it: UTF-8 (bytes that are not valid UTF-8 are
// taken as Windows-1252 and converted), without control characters, each
// double quote replaced by an apostrophe, at most MaxNameBytes long (cut at
// a character boundary).  Such a name always reads back as one item.
std::string cleanName(std::string_view text);

// True when text is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view text);

// Windows-1252 bytes as UTF-8.  The five bytes the code page leaves
// undefined become the C1 control characters of the same value.
std::string windows1252ToUtf8(std::string_view bytes);

} // namespace lexidrop
