// Names as the high-score table keeps them.
//
// A name reaches the table from the name prompt or from hs.txt, which an
// older program may have written in Windows-1252 and a player may have
// edited by hand.  cleanName turns any of those byte strings into the one
// form the table holds: UTF-8 without control characters, without double
// quotes, at most MaxNameBytes long.  Such a name can stand between the
// quotes of an hs.txt line and reads back as the same single item, and
// cleaning a clean name changes nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lexidrop {

// Longest name the table keeps, in bytes of UTF-8.
constexpr std::size_t MaxNameBytes = 1000;

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

// Drops a UTF-8 sequence that a cut at the end of text left incomplete, so
// that a UTF-8 name cut short is not mistaken for a Windows-1252 one.
void dropIncompleteTail(std::string& text);

} // namespace lexidrop
