#include "scores/table_file.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <initializer_list>

namespace lexidrop {

namespace {

// Bytes of an item the reader keeps: a full name plus room for a UTF-8
// sequence that straddles the cut, so that cutting never makes a UTF-8 item
// look like a single-byte one.
constexpr std::size_t KeptItemBytes = MaxNameBytes + 3;

// The position of the first stop byte or line end in text from from on, or
// the size of text.  memchr runs through a 100 MB item in a few
// milliseconds, where a loop over the bytes takes a good part of a second.
std::size_t delimiterFrom(std::string_view text, std::size_t from, char stop)
{
    const char* const start = text.data() + from;
    std::size_t length = text.size() - from;
    for (const char delimiter : {stop, '\r', '\n'}) {
        if (const void* hit = std::memchr(start, delimiter, length)) {
            length = static_cast<std::size_t>(static_cast<const char*>(hit) - start);
        }
    }
    return from + length;
}

// A decimal integer of 32 bits, minus sign included; anything else is no
// score at all.
std::int32_t scoreOf(std::string_view text, bool cut)
{
    std::int32_t value = 0;
    const char* const end = text.data() + text.size();
    const auto [stopped, error] = std::from_chars(text.data(), end, value);
    return !cut && error == std::errc() && stopped == end ? value : 0;
}

} // namespace

bool TableReader::take(std::string_view piece)
{
    for (std::size_t at = 0; at < piece.size() && state_ != State::Done;) {
        at = step(piece, at);
    }
    return state_ != State::Done;
}

std::size_t TableReader::step(std::string_view piece, std::size_t at)
{
    switch (state_) {
    case State::BeforeItem:
        while (piece[at] == ' ') {
            if (++at == piece.size()) {
                return at;
            }
        }
        state_ = piece[at] == '"' ? State::Quoted : State::Unquoted;
        return piece[at] == '"' ? at + 1 : at;
    case State::Quoted: return scanItem(piece, at, '"', true);
    case State::AfterQuote: return scanItem(piece, at, ',', false);
    case State::Unquoted: return scanItem(piece, at, ',', true);
    case State::AfterCr:
        state_ = State::BeforeItem;
        return piece[at] == '\n' ? at + 1 : at; // CR LF is one line end
    case State::Done: break;
    }
    return piece.size();
}

std::size_t TableReader::scanItem(std::string_view piece, std::size_t at, char stop, bool keep)
{
    const std::size_t end = delimiterFrom(piece, at, stop);
    if (keep) {
        const std::size_t room = KeptItemBytes - kept_.size();
        kept_.append(piece.substr(at, std::min(room, end - at)));
        cut_ = cut_ || end - at > room;
    }
    if (end == piece.size()) {
        return end; // the item goes on in the next piece
    }
    if (piece[end] == '"' && state_ == State::Quoted) {
        // Whatever stands between the closing quote and the delimiter is
        // not part of the item.
        state_ = State::AfterQuote;
        return end + 1;
    }
    return endItemAt(piece, end);
}

std::size_t TableReader::endItemAt(std::string_view piece, std::size_t at)
{
    endItem();
    if (state_ != State::Done) {
        state_ = piece[at] == '\r' ? State::AfterCr : State::BeforeItem;
    }
    return at + 1;
}

void TableReader::endItem()
{
    if (state_ == State::Unquoted && !cut_) {
        while (!kept_.empty() && kept_.back() == ' ') {
            kept_.pop_back();
        }
    }
    const auto place = static_cast<std::size_t>(table_.items / 2);
    if (table_.items % 2 == 0) {
        if (cut_) {
            dropIncompleteTail(kept_);
        }
        table_.names.at(place) = cleanName(kept_);
    } else {
        table_.scores.at(place) = scoreOf(kept_, cut_);
    }
    ++table_.items;
    kept_.clear();
    cut_ = false;
    state_ = table_.complete() ? State::Done : State::BeforeItem;
}

ReadTable TableReader::finish()
{
    if (state_ == State::Quoted || state_ == State::AfterQuote || state_ == State::Unquoted) {
        endItem(); // the last item ends with the file
    }
    state_ = State::Done;
    return table_;
}

ReadTable parseTable(std::string_view bytes)
{
    TableReader reader;
    reader.take(bytes);
    return reader.finish();
}

std::string formatTable(const std::array<std::string, Places>& names,
                        const std::array<std::int32_t, Places>& scores)
{
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        // Cleaning again costs nothing and guarantees that the file reads
        // back as twenty items whatever a caller put into the table.
        out += '"';
        out += cleanName(names[i]);
        out += "\"\r\n";
        out += std::to_string(scores.at(i));
        out += "\r\n";
    }
    return out;
}

} // namespace lexidrop
