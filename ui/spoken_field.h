// What a screen reader is told of the play field, and when: the part of the
// readout that needs no toolkit, so that it is tested like the rules.
//
// Protocol: a SpokenField takes the same notices as the window (label
// texts, the word that scored, tiles as they change and go, the tile in
// play) and keeps their values; it reads the game back never.  Its texts are built when
// asked.  After a notice, the readout asks heardChange() of each item the
// notice may have changed (itemsAfterTile, or the table row): true means
// that item's text differs from what was last heard and a reader should be
// told.  The first time an item is asked it is only noted: what a reader
// finds when it first looks is no change.
//
//   "Score: 120"                      the score label
//   "Last word: cat, 8 points"        the last-word label
//   "Next piece: Q"                   the preview tile
//   "1. Ann, 412" ... "10. empty"     the rows of the top-ten table
//   "Falling: B, column 4, row 14"    the tile in play
//   "Row 1: . . C A T . . ."          the rows of the well, floor first
//   "Stack heights: 0 0 1 ..."        the well's description
//
// Rows count up from the floor (row 1) to row 15, the row just above the
// well's rim; columns count 1 to 8 from the left.
//
// The rows say what is on screen: every tile shown, at the cell it is
// nearest, so that a settle is heard sinking as it is seen.  The tile in
// play is part of its row once it stands on the floor or on another tile,
// where the next tick lands it unless it is steered away.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "game/geometry.h"
#include "game/port.h"
#include "scores/high_scores.h"

namespace lexidrop::ui {

// Rows of the well a reader is told about: the fourteen inside it and the
// one above its rim (row 0), where a tile can still rest.
constexpr int SpokenRows = FloorRow + 1;
// Places of the top-ten table.
constexpr int SpokenPlaces = Places;

// The items of the client area that are no widget of their own.
enum class SpokenPart { Falling, Well, NextPiece, Table, WellRow, TableRow };

// An item: a part, and its row (1..SpokenRows) or place (0..9) where it has one.
struct SpokenItem {
    SpokenPart part;
    int number = 0;
};

// Each item has a slot: its place in the readout's list of items.
constexpr int FirstWellRowSlot = 4;
constexpr int FirstTableRowSlot = FirstWellRowSlot + SpokenRows;
constexpr int SpokenSlots = FirstTableRowSlot + SpokenPlaces;
int slotOf(SpokenItem item); // -1 for a row or place out of range
SpokenItem itemOfSlot(int slot);

// A UTF-8 text with the white space at its ends removed, as Qt decodes and
// trims it: the spoken texts read the labels' texts so.
std::string trimmedText(const std::string& text);

// The spoken forms of single label texts, as shown on screen.
std::string spokenScoreText(const std::string& shown);
std::string spokenLastWordText(const std::string& word, int points); // "" for none
std::string spokenTableRowText(int place, const std::string& name, const std::string& score);

class SpokenField {
public:
    SpokenField();

    // --- the notices ---
    void labelChanged(Label label, int place, const std::string& text);
    void wordScored(const std::string& word, int points);
    // A tile as it now is; letter is lower case, 0 when none is known.
    void tileChanged(int index, char letter, float left, float top, bool visible);
    // False, and nothing changes, for a tile never seen.
    bool tileUnloaded(int index);
    // The tile the keys steer; 0 for none.
    void tileInPlay(int index);

    // --- the texts ---
    std::string scoreText() const;
    std::string lastWordText() const;
    std::string nextPieceText() const;
    std::string fallingText() const;
    std::string tableRowText(int place) const;       // place 0..9
    std::string wellRowText(int rowFromFloor) const; // 1..SpokenRows
    std::string stackHeightsText() const;            // highest row reached in each column
    std::string itemText(SpokenItem item) const;      // the well's and the table's own names included
    // The client-area corner of the tile in play, if one moves.
    std::optional<std::array<int, 2>> fallingCorner() const;

    // --- when ---
    // The items a tile notice may have changed, in the order they are told.
    static std::vector<SpokenItem> itemsAfterTile(int index);
    // The items of the well: the falling tile, every row, the well itself.
    static std::vector<SpokenItem> wellItems();
    // Whether the item's text (the well's: its stack heights) changed since
    // it was last heard; notes the text now.
    bool heardChange(SpokenItem item);

private:
    struct SeenTile {
        char letter = 0; // lower case; 0 = none known
        int left = 0;    // client-area position, rounded
        int top = 0;
        bool visible = false;
    };
    // A tile's cell: column 0..7, row counted from the floor.
    struct Cell {
        int column = 0;
        int rowFromFloor = 0;
    };
    using Grid = std::array<char, SpokenRows * Columns>; // letter per cell, 0 = empty

    static Cell cellOf(const SeenTile& tile);
    static bool onGrid(const SeenTile& tile);
    bool rests(std::size_t index) const; // the tile lies on the floor or on another tile
    int fallingIndex() const;            // the tile in play until it rests, else 0
    Grid grid() const;                   // every resting tile by cell

    std::string score_;                             // the score as its label shows it
    std::string lastWord_;                          // the last word that scored, "" for none
    int lastPoints_ = 0;
    std::array<std::string, SpokenPlaces> names_{};
    std::array<std::string, SpokenPlaces> scores_{};
    std::vector<SeenTile> tiles_;                   // by tile index; 0 is the preview
    std::size_t inPlay_ = 0;                        // the tile the keys steer, 0 = none
    std::vector<std::optional<std::string>> heard_; // per slot, the text last heard
};

} // namespace lexidrop::ui
