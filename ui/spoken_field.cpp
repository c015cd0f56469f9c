#include "ui/spoken_field.h"

#include <cctype>
#include <cmath>

namespace lexidrop::ui {

namespace {

// The code point of the UTF-8 sequence at text[at], and its length; a
// broken sequence reads as U+FFFD, one byte long.
std::pair<char32_t, std::size_t> decodeAt(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(at);
    const std::size_t length = first < 0x80 ? 1 : (first >> 5) == 0x6 ? 2 : (first >> 4) == 0xe ? 3
                                                : (first >> 3) == 0x1e ? 4 : 0;
    if (length == 0 || at + length > text.size()) {
        return {U'\uFFFD', 1};
    }
    char32_t code = length == 1 ? first : first & (0x7f >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xc0) != 0x80) {
            return {U'\uFFFD', 1};
        }
        code = (code << 6) | (byte(at + i) & 0x3f);
    }
    // An overlong form, a surrogate or a code past Unicode is broken too.
    constexpr std::array<char32_t, 5> least{0, 0, 0x80, 0x800, 0x10000};
    if (code < least.at(length) || (code >= 0xd800 && code <= 0xdfff) || code > 0x10ffff) {
        return {U'\uFFFD', 1};
    }
    return {code, length};
}

// White space as Qt's trimming knows it: the C0 spaces, NEL, no-break
// space and Unicode's space, line and paragraph separators.
bool isSpace(char32_t c)
{
    return c == U' ' || (c >= U'\t' && c <= U'\r') || c == 0x85 || c == 0xa0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200a) || c == 0x2028 || c == 0x2029 || c == 0x202f || c == 0x205f ||
           c == 0x3000;
}

char capital(char letter) { return static_cast<char>(std::toupper(static_cast<unsigned char>(letter))); }

} // namespace

int slotOf(SpokenItem item)
{
    switch (item.part) {
    case SpokenPart::Falling:
        return 0;
    case SpokenPart::Well:
        return 1;
    case SpokenPart::NextPiece:
        return 2;
    case SpokenPart::Table:
        return 3;
    case SpokenPart::WellRow:
        return item.number >= 1 && item.number <= SpokenRows ? FirstWellRowSlot + item.number - 1 : -1;
    case SpokenPart::TableRow:
        return item.number >= 0 && item.number < SpokenPlaces ? FirstTableRowSlot + item.number : -1;
    }
    return -1;
}

SpokenItem itemOfSlot(int slot)
{
    if (slot >= FirstTableRowSlot) {
        return {SpokenPart::TableRow, slot - FirstTableRowSlot};
    }
    if (slot >= FirstWellRowSlot) {
        return {SpokenPart::WellRow, slot - FirstWellRowSlot + 1};
    }
    constexpr std::array<SpokenPart, 4> first{SpokenPart::Falling, SpokenPart::Well, SpokenPart::NextPiece,
                                              SpokenPart::Table};
    return {first.at(static_cast<std::size_t>(slot)), 0};
}

std::string trimmedText(const std::string& text)
{
    // Qt drops a byte-order mark that starts a UTF-8 text as it decodes it.
    std::size_t begin = text.rfind("\xef\xbb\xbf", 0) == 0 ? 3 : 0;
    while (begin < text.size()) {
        const auto [code, length] = decodeAt(text, begin);
        if (!isSpace(code)) {
            break;
        }
        begin += length;
    }
    // The end: the last character that is no space, decoded from the front.
    std::size_t end = begin;
    for (std::size_t at = begin; at < text.size();) {
        const auto [code, length] = decodeAt(text, at);
        at += length;
        end = isSpace(code) ? end : at;
    }
    return text.substr(begin, end - begin);
}

std::string spokenScoreText(const std::string& shown) { return "Score: " + trimmedText(shown); }

std::string spokenLastWordText(const std::string& word, int points)
{
    // The label spaces the word from its points; read out, a pause says the same.
    return word.empty() ? "Last word: none" : "Last word: " + word + ", " + std::to_string(points) + " points";
}

std::string spokenTableRowText(int place, const std::string& name, const std::string& score)
{
    const std::string who = trimmedText(name);
    const std::string points = trimmedText(score);
    std::string row = std::to_string(place + 1) + ". ";
    if (who.empty() && points.empty()) {
        return row + "empty";
    }
    row += who.empty() ? "no name" : who;
    if (!points.empty()) {
        row += ", " + points;
    }
    return row;
}

// ---------------------------------------------------------------- notices

SpokenField::SpokenField() : heard_(static_cast<std::size_t>(SpokenSlots)) {}

void SpokenField::labelChanged(Label label, int place, const std::string& text)
{
    if (place < 0 || place >= SpokenPlaces) {
        return;
    }
    const auto at = static_cast<std::size_t>(place);
    switch (label) {
    case Label::Score:
        score_ = text;
        break;
    case Label::Last:
        // The label shows the word told just before; empty, it shows none.
        if (text.empty()) {
            lastWord_.clear();
        }
        break;
    case Label::Name:
        names_.at(at) = text;
        break;
    case Label::HighScore:
        scores_.at(at) = text;
        break;
    }
}

void SpokenField::wordScored(const std::string& word, int points)
{
    // Spoken when the last-word label shows it, next.
    lastWord_ = word;
    lastPoints_ = points;
}

void SpokenField::tileChanged(int index, char letter, float left, float top, bool visible)
{
    if (index < 0) {
        return;
    }
    const auto at = static_cast<std::size_t>(index);
    if (at >= tiles_.size()) {
        tiles_.resize(at + 1);
    }
    tiles_[at] = SeenTile{letter, static_cast<int>(std::lround(left)), static_cast<int>(std::lround(top)), visible};
}

bool SpokenField::tileUnloaded(int index)
{
    if (index < 1 || static_cast<std::size_t>(index) >= tiles_.size()) {
        return false;
    }
    tiles_[static_cast<std::size_t>(index)] = SeenTile{};
    while (tiles_.size() > 1 && !tiles_.back().visible && tiles_.back().letter == 0) {
        tiles_.pop_back();
    }
    return true;
}

void SpokenField::tileInPlay(int index) { inPlay_ = index > 0 ? static_cast<std::size_t>(index) : 0; }

// ---------------------------------------------------------------- texts

std::string SpokenField::scoreText() const { return spokenScoreText(score_); }

std::string SpokenField::lastWordText() const { return spokenLastWordText(lastWord_, lastPoints_); }

std::string SpokenField::nextPieceText() const
{
    const char letter = tiles_.empty() ? 'a' : tiles_.front().letter;
    return std::string("Next piece: ") + capital(letter == 0 ? 'a' : letter);
}

std::string SpokenField::fallingText() const
{
    const int index = fallingIndex();
    if (index == 0) {
        return "Falling: none";
    }
    const SeenTile& tile = tiles_.at(static_cast<std::size_t>(index));
    const Cell cell = cellOf(tile);
    const std::string where = cell.rowFromFloor > SpokenRows ? "above the well"
                                                             : "row " + std::to_string(cell.rowFromFloor);
    return std::string("Falling: ") + capital(tile.letter) + ", column " + std::to_string(cell.column + 1) + ", " +
           where;
}

std::string SpokenField::tableRowText(int place) const
{
    if (place < 0 || place >= SpokenPlaces) {
        return {};
    }
    const auto at = static_cast<std::size_t>(place);
    return spokenTableRowText(place, names_.at(at), scores_.at(at));
}

std::string SpokenField::wellRowText(int rowFromFloor) const
{
    if (rowFromFloor < 1 || rowFromFloor > SpokenRows) {
        return {};
    }
    const Grid cells = grid();
    std::string row = "Row " + std::to_string(rowFromFloor) + ":";
    for (int column = 0; column < Columns; ++column) {
        const char letter = cells.at(static_cast<std::size_t>((rowFromFloor - 1) * Columns + column));
        row += ' ';
        row += letter == 0 ? '.' : capital(letter);
    }
    return row;
}

std::string SpokenField::stackHeightsText() const
{
    const Grid cells = grid();
    std::string heights = "Stack heights:";
    for (int column = 0; column < Columns; ++column) {
        int height = 0;
        for (int row = 1; row <= SpokenRows; ++row) {
            if (cells.at(static_cast<std::size_t>((row - 1) * Columns + column)) != 0) {
                height = row;
            }
        }
        heights += " " + std::to_string(height);
    }
    return heights;
}

std::string SpokenField::itemText(SpokenItem item) const
{
    switch (item.part) {
    case SpokenPart::Falling:
        return fallingText();
    case SpokenPart::Well:
        return "Well";
    case SpokenPart::NextPiece:
        return nextPieceText();
    case SpokenPart::Table:
        return "High Scores";
    case SpokenPart::WellRow:
        return wellRowText(item.number);
    case SpokenPart::TableRow:
        return tableRowText(item.number);
    }
    return {};
}

std::optional<std::array<int, 2>> SpokenField::fallingCorner() const
{
    const int index = fallingIndex();
    if (index == 0) {
        return std::nullopt;
    }
    const SeenTile& tile = tiles_.at(static_cast<std::size_t>(index));
    return std::array<int, 2>{tile.left, tile.top};
}

// ---------------------------------------------------------------- when

std::vector<SpokenItem> SpokenField::itemsAfterTile(int index)
{
    if (index == 0) {
        return {{SpokenPart::NextPiece, 0}};
    }
    return wellItems();
}

std::vector<SpokenItem> SpokenField::wellItems()
{
    std::vector<SpokenItem> items{{SpokenPart::Falling, 0}};
    for (int row = 1; row <= SpokenRows; ++row) {
        items.push_back({SpokenPart::WellRow, row});
    }
    items.push_back({SpokenPart::Well, 0});
    return items;
}

bool SpokenField::heardChange(SpokenItem item)
{
    const int slot = slotOf(item);
    if (slot < 0 || slot >= SpokenSlots) {
        return false;
    }
    const std::string now = item.part == SpokenPart::Well ? stackHeightsText() : itemText(item);
    std::optional<std::string>& last = heard_.at(static_cast<std::size_t>(slot));
    const bool first = !last.has_value(); // what a reader finds when it first looks is no change
    if (!first && *last == now) {
        return false;
    }
    last = now;
    return !first;
}

// ---------------------------------------------------------------- the board as seen

SpokenField::Cell SpokenField::cellOf(const SeenTile& tile)
{
    const auto column = static_cast<int>(roundHalfEven(columnOf(static_cast<float>(tile.left))));
    const auto row = static_cast<int>(roundHalfEven(rowOf(static_cast<float>(tile.top))));
    return Cell{column, SpokenRows - row};
}

bool SpokenField::onGrid(const SeenTile& tile)
{
    const Cell cell = cellOf(tile);
    return tile.left == leftOfColumn(cell.column) && tile.top == topOfRow(SpokenRows - cell.rowFromFloor);
}

bool SpokenField::rests(std::size_t index) const
{
    const SeenTile& tile = tiles_.at(index);
    if (!onGrid(tile)) {
        return false;
    }
    if (tile.top == topOfRow(FloorRow)) {
        return true;
    }
    for (std::size_t i = 1; i < tiles_.size(); ++i) {
        const SeenTile& other = tiles_[i];
        if (i != index && other.visible && other.left == tile.left && other.top == tile.top + TileSize) {
            return true;
        }
    }
    return false;
}

int SpokenField::fallingIndex() const
{
    if (inPlay_ == 0 || inPlay_ >= tiles_.size() || !tiles_[inPlay_].visible || rests(inPlay_)) {
        return 0;
    }
    return static_cast<int>(inPlay_);
}

SpokenField::Grid SpokenField::grid() const
{
    Grid cells{};
    const auto falling = static_cast<std::size_t>(fallingIndex());
    for (std::size_t i = 1; i < tiles_.size(); ++i) {
        const SeenTile& tile = tiles_[i];
        if (i == falling || !tile.visible || tile.letter == 0) {
            continue;
        }
        const Cell cell = cellOf(tile);
        if (cell.column >= 0 && cell.column < Columns && cell.rowFromFloor >= 1 && cell.rowFromFloor <= SpokenRows) {
            cells.at(static_cast<std::size_t>((cell.rowFromFloor - 1) * Columns + cell.column)) = tile.letter;
        }
    }
    return cells;
}

} // namespace lexidrop::ui
