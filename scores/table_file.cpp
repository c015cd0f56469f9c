#include "scores/table_file.h"

#include <optional>

namespace lexidrop {

namespace {

// Bytes of an item the reader keeps: a full name plus room for a UTF-8
// sequence that straddles the cut, so that cutting never makes a UTF-8 item
// look like a single-byte one.
constexpr std::size_t KeptItemBytes = MaxNameBytes + 3;

// One item as the reader found it.
struct Item {
    std::string kept; // its first KeptItemBytes bytes, quotes removed
    bool cut = false; // it was longer than that
};

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// Reads items one after another from the start of the bytes.
class ItemReader {
public:
    explicit ItemReader(std::string_view bytes) : in_(bytes) {}

    // The next item, or nothing once the bytes are used up.
    std::optional<Item> next()
    {
        while (at_ < in_.size() && in_[at_] == ' ') {
            ++at_;
        }
        if (at_ == in_.size()) {
            return std::nullopt;
        }
        Item item;
        if (in_[at_] == '"') {
            ++at_;
            while (at_ < in_.size() && in_[at_] != '"' && !isLineEnd(in_[at_])) {
                keep(item, in_[at_++]);
            }
            // Whatever stands between the closing quote and the delimiter is
            // not part of the item.
            while (at_ < in_.size() && in_[at_] != ',' && !isLineEnd(in_[at_])) {
                ++at_;
            }
        } else {
            while (at_ < in_.size() && in_[at_] != ',' && !isLineEnd(in_[at_])) {
                keep(item, in_[at_++]);
            }
            if (!item.cut) {
                while (!item.kept.empty() && item.kept.back() == ' ') {
                    item.kept.pop_back();
                }
            }
        }
        skipDelimiter();
        return item;
    }

private:
    static void keep(Item& item, char c)
    {
        if (item.kept.size() < KeptItemBytes) {
            item.kept.push_back(c);
        } else {
            item.cut = true;
        }
    }

    void skipDelimiter()
    {
        if (at_ == in_.size()) {
            return;
        }
        const char c = in_[at_++];
        if (c == '\r' && at_ < in_.size() && in_[at_] == '\n') {
            ++at_; // CR LF is one line end
        }
    }

    std::string_view in_;
    std::size_t at_ = 0;
};

// Plain decimal digits that fit 32 bits; anything else is no score at all.
std::int32_t scoreOf(const Item& item)
{
    if (item.cut || item.kept.empty()) {
        return 0;
    }
    std::int64_t value = 0;
    for (const char c : item.kept) {
        if (c < '0' || c > '9') {
            return 0;
        }
        value = value * 10 + (c - '0');
        if (value > INT32_MAX) {
            return 0;
        }
    }
    return static_cast<std::int32_t>(value);
}

// Length of the UTF-8 sequence that starts with this byte, 0 if none can.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// The length of the well-formed sequence at text[at], 0 if it is not one.
std::size_t validSequenceAt(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length = sequenceLength(lead);
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    if (length >= 3) {
        const unsigned char second = byte(at + 1);
        // Overlong forms, UTF-16 surrogates and code points above U+10FFFF.
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
            (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
            return 0;
        }
    }
    return length;
}

// Drops a UTF-8 sequence left incomplete at the end by a cut.
void dropIncompleteTail(std::string& text)
{
    for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        const auto c = static_cast<unsigned char>(text[text.size() - back]);
        if ((c & 0xC0) != 0x80) {
            const std::size_t length = sequenceLength(c);
            for (std::size_t i = 0; length > back && i < back; ++i) {
                text.pop_back();
            }
            return;
        }
    }
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// What bytes 0x80..0x9F stand for in Windows-1252.
constexpr std::array<char32_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// C0 controls (CR and LF among them), DEL, and the C1 controls U+0080..U+009F
// (two bytes in UTF-8, C2 80..C2 9F).
bool isControl(std::string_view sequence)
{
    const auto lead = static_cast<unsigned char>(sequence[0]);
    if (sequence.size() == 1) {
        return lead < 0x20 || lead == 0x7F;
    }
    return sequence.size() == 2 && lead == 0xC2 && static_cast<unsigned char>(sequence[1]) < 0xA0;
}

} // namespace

bool isValidUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = validSequenceAt(text, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

std::string windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        appendUtf8(out, b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char32_t{b});
    }
    return out;
}

std::string cleanName(std::string_view text)
{
    std::string converted;
    if (!isValidUtf8(text)) {
        converted = windows1252ToUtf8(text);
        text = converted;
    }
    std::string name;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = validSequenceAt(text, at);
        if (length == 0) {
            break; // cannot happen: the text is valid UTF-8 by now
        }
        const std::string_view sequence = text.substr(at, length);
        at += length;
        if (isControl(sequence)) {
            continue;
        }
        if (name.size() + length > MaxNameBytes) {
            break;
        }
        if (sequence == "\"") {
            name.push_back('\'');
        } else {
            name.append(sequence);
        }
    }
    return name;
}

ReadTable parseTable(std::string_view bytes)
{
    ReadTable table;
    ItemReader reader(bytes);
    for (int place = 0; place < Places; ++place) {
        const auto i = static_cast<std::size_t>(place);
        std::optional<Item> name = reader.next();
        if (!name) {
            break;
        }
        if (name->cut) {
            dropIncompleteTail(name->kept);
        }
        table.names[i] = cleanName(name->kept);
        ++table.items;
        const std::optional<Item> score = reader.next();
        if (!score) {
            break;
        }
        table.scores[i] = scoreOf(*score);
        ++table.items;
    }
    return table;
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
        out += std::to_string(scores[i]);
        out += "\r\n";
    }
    return out;
}

} // namespace lexidrop
