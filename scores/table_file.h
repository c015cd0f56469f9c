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
#include "scores/name_text.h"

namespace lexidrop {

// What the reader made of a file.
struct ReadTable {
    std::array<std::string, Places> names;     // clean names, "" where none was read
    std::array<std::int32_t, Places> scores{}; // 0 where none was read
    int items = 0;                             // items read, 0..20
    bool complete() const { return items == 2 * Places; }
};

// Reads the twenty items of a file that arrives in pieces.
//
// Protocol: hand every piece of the file to take(), in order, until it
// returns false (all twenty items are read; the rest of the file cannot
// change the table) or the file ends; then finish() gives the table.  The
// pieces may split the file anywhere, even inside a CR LF, and the table is
// the same as for the whole file at once.  An item longer than any name the
// table keeps is cut as it is read and its remaining bytes are only
// scanned, so a reader holds a few kilobytes whatever the size of the file,
// and the next items are read after it however far away they stand.
class TableReader {
public:
    // Reads one more piece of the file; false once twenty items are read.
    bool take(std::string_view piece);
    // The end of the file: counts an item it cut off and gives the table.
    ReadTable finish();

private:
    // Where in the file the reader stands.
    enum class State { BeforeItem, Quoted, AfterQuote, Unquoted, AfterCr, Done };

    // Reads on from piece[at] to the next change of state; returns where it stopped.
    std::size_t step(std::string_view piece, std::size_t at);
    // Reads item bytes up to the first of the stop bytes; returns where it stopped.
    std::size_t scanItem(std::string_view piece, std::size_t at, char stop, bool keep);
    // The item ends at the delimiter piece[at]; returns the position after it.
    std::size_t endItemAt(std::string_view piece, std::size_t at);
    // Enters the item read so far into the table.
    void endItem();

    State state_ = State::BeforeItem; // what the next byte means
    std::string kept_;                // the current item's first bytes, quotes removed
    bool cut_ = false;                // the current item had more bytes than kept_
    ReadTable table_;                 // the items read so far
};

// Reads the twenty items from the start of bytes; stops early when bytes
// run out.  Never fails otherwise: a score item that is not a decimal
// integer of 32 bits (an optional minus and digits only) reads as 0.
ReadTable parseTable(std::string_view bytes);

// The twenty CR LF lines of the table (names are written as they stand, so
// they should be clean).
std::string formatTable(const std::array<std::string, Places>& names,
                        const std::array<std::int32_t, Places>& scores);

} // namespace lexidrop
