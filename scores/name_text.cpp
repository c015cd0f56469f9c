// Cleaning of names: UTF-8 validation, the Windows-1252 fallback and the
// removal of what could break an hs.txt line.
#include "scores/name_text.h"

#include <array>

namespace lexidrop {

namespace {

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
        appendUtf8(out, b >= 0x80 && b < 0xA0 ? Cp1252High.at(b - 0x80u) : char32_t{b});
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

} // namespace lexidrop
