// The bytes of hs.txt: what the reader makes of every kind of file, and
// that whatever the writer puts out reads back as the same table.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "scores/table_file.h"

namespace lexidrop {
namespace {

std::string repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

// No control characters, valid UTF-8, not too long: a name the writer can
// put between quotes and read back.
void expectClean(const std::string& name)
{
    EXPECT_TRUE(isValidUtf8(name));
    EXPECT_LE(name.size(), MaxNameBytes);
    EXPECT_EQ(name.find('"'), std::string::npos);
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        EXPECT_FALSE(b < 0x20 || b == 0x7F) << "control byte " << int(b);
    }
    EXPECT_EQ(cleanName(name), name);
}

TEST(TableFileWriter, AFreshTableIsTenEmptyPairsInSeventyBytes)
{
    const std::string fresh = formatTable({}, {});
    EXPECT_EQ(fresh, repeat("\"\"\r\n0\r\n", 10));
    EXPECT_EQ(fresh.size(), 70u);
}

TEST(TableFileWriter, WritesQuotedNamesAndPlainScoresOnCrLfLines)
{
    std::array<std::string, Places> names;
    std::array<std::int32_t, Places> scores{};
    names[0] = "Ann";
    scores[0] = 412;
    EXPECT_EQ(formatTable(names, scores).substr(0, 12), "\"Ann\"\r\n412\r\n");
}

TEST(TableFileReader, ReadsEveryFormTheFormatAllows)
{
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> names;   // first places expected
        std::vector<std::int32_t> scores; // the same places
        int items;
    };
    const std::string rest = repeat("\"\"\r\n0\r\n", 8);
    const std::vector<Case> cases = {
        {"twenty CR LF lines", "\"Ann\"\r\n412\r\n\"Bob\"\r\n300\r\n" + rest, {"Ann", "Bob"}, {412, 300}, 20},
        {"name and score on one line", "\"Ann\",412\r\n\"Bob\",300\r\n" + rest, {"Ann", "Bob"}, {412, 300}, 20},
        {"LF line ends", "\"Ann\"\n412\n\"Bob\"\n300\n", {"Ann", "Bob"}, {412, 300}, 4},
        {"CR line ends", "\"Ann\"\r412\r\"Bob\"\r300\r", {"Ann", "Bob"}, {412, 300}, 4},
        {"spaces before items", "   \"Ann\",   412\r\n", {"Ann"}, {412}, 2},
        {"unquoted items", "Ann Lee  ,412  \r\n", {"Ann Lee"}, {412}, 2},
        {"a comma inside quotes", "\"Lee, Ann\",412\r\n", {"Lee, Ann"}, {412}, 2},
        {"text after the closing quote", "\"Ann\"xyz,412\r\n", {"Ann"}, {412}, 2},
        {"a quoted score", "\"Ann\"\r\n\"412\"\r\n", {"Ann"}, {412}, 2},
        {"a quote left open", "\"Ann\r\n412\r\n", {"Ann"}, {412}, 2},
        {"a quote inside an unquoted name", "Ann \"A\" Lee\r\n412\r\n", {"Ann 'A' Lee"}, {412}, 2},
        {"an empty file", "", {}, {}, 0},
        {"a name without its score", "\"Ann\"\r\n", {"Ann"}, {0}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ReadTable table = parseTable(c.bytes);
        EXPECT_EQ(table.items, c.items);
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            EXPECT_EQ(table.names[i], c.names[i]);
            EXPECT_EQ(table.scores[i], c.scores[i]);
        }
    }
}

TEST(TableFileReader, ABadScoreReadsAsZeroAndReadingGoesOn)
{
    for (const std::string& score : std::vector<std::string>{"abc", "12x", "x12", "+5", "-", "--5", "5-", "1 2", "", "4.5", "2147483648", "-2147483649",
                                     "99999999999999999999", "0x10", repeat("1", 2000)}) {
        SCOPED_TRACE(score.substr(0, 40));
        const ReadTable table = parseTable("\"Ann\"\r\n" + score + "\r\n\"Bob\"\r\n40\r\n" + repeat("\"\"\r\n0\r\n", 8));
        EXPECT_TRUE(table.complete());
        EXPECT_EQ(table.names[0], "Ann");
        EXPECT_EQ(table.scores[0], 0);
        EXPECT_EQ(table.names[1], "Bob");
        EXPECT_EQ(table.scores[1], 40);
    }
}

TEST(TableFileReader, ScoresAreReadAsTheThirtyTwoBitDecimalIntegersTheyAre)
{
    for (const auto& [text, value] : std::vector<std::pair<std::string, std::int32_t>>{
             {"0", 0}, {"00057", 57}, {"32768", 32768}, {"2147483647", 2147483647}, {"-5", -5}, {"-0", 0},
             {"-2147483648", INT32_MIN}}) {
        EXPECT_EQ(parseTable("\"\"\r\n" + text + "\r\n").scores[0], value) << text;
    }
}

TEST(TableFileReader, ALongItemIsCutToItsFirstThousandBytesAndTheNextItemsStillRead)
{
    struct Case {
        const char* what;
        std::string name;
        std::string kept;
    };
    const std::string e = "\xC3\xA9";         // é, two bytes
    const std::string euro = "\xE2\x82\xAC";  // €, three bytes
    const std::vector<Case> cases = {
        {"ASCII", std::string(5000, 'x'), std::string(1000, 'x')},
        {"a two-byte letter across the cut", std::string(999, 'x') + e + "yyy", std::string(999, 'x')},
        {"a three-byte sign across the cut", std::string(998, 'x') + euro + "yyy", std::string(998, 'x')},
        {"two-byte letters only", repeat(e, 3000), repeat(e, 500)},
        {"single-byte letters", repeat("\xE9", 3000), repeat(e, 500)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ReadTable table = parseTable("\"" + c.name + "\"\r\n7\r\n\"Bob\"\r\n40\r\n");
        EXPECT_EQ(table.names[0], c.kept);
        EXPECT_EQ(table.scores[0], 7);
        EXPECT_EQ(table.names[1], "Bob");
        EXPECT_EQ(table.scores[1], 40);
    }
}

TEST(TableFileReader, AFileInPiecesReadsAsTheWholeFileAtOnce)
{
    const std::vector<std::string> files = {
        "\"Ann\"\r\n412\r\n\"Bob\"\r\n-30\r\n" + repeat("\"\"\r\n0\r\n", 8),
        "\"Ann\",412\r\"Lee, Bo\"x,7\n  Cy  ,9\r\r\n\"open\r\n",
        "\"" + std::string(1100, 'x') + "\xC3\xA9\"\r\n5\r\n\"Bob\"",
        repeat("\"A\"\r\n1\r\n", 12), // more than twenty items
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file.substr(0, 40));
        const ReadTable whole = parseTable(file);
        const auto expectSame = [&](const ReadTable& pieces) {
            EXPECT_EQ(pieces.items, whole.items);
            EXPECT_EQ(pieces.names, whole.names);
            EXPECT_EQ(pieces.scores, whole.scores);
        };
        for (std::size_t cut = 0; cut <= file.size(); ++cut) { // two pieces, cut anywhere
            TableReader reader;
            if (reader.take(std::string_view(file).substr(0, cut))) {
                reader.take(std::string_view(file).substr(cut));
            }
            expectSame(reader.finish());
        }
        TableReader bytewise;
        std::size_t taken = 0;
        while (taken < file.size() && bytewise.take(std::string_view(file).substr(taken, 1))) {
            ++taken;
        }
        expectSame(bytewise.finish());
        EXPECT_EQ(taken < file.size(), whole.complete() && file.size() > 0) << "twenty items end the read";
        if (HasFailure()) {
            break;
        }
    }
}

TEST(TableFileReader, ANameThatIsNotUtf8IsReadAsWindows1252)
{
    struct Case {
        std::string bytes;
        std::string name;
    };
    const std::vector<Case> cases = {
        {"Ren\xE9", "Ren\xC3\xA9"},                           // é
        {"M\xFCller \x80", "M\xC3\xBCller \xE2\x82\xAC"},     // ü and €
        {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"}, // curly quotes stay
        {"a\x81" "b", "ab"},                                  // undefined byte: a control, dropped
        {"Ren\xC3\xA9", "Ren\xC3\xA9"},                       // already UTF-8: kept
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseTable("\"" + c.bytes + "\"\r\n1\r\n").names[0], c.name);
    }
}

TEST(TableFileReader, RecognisesOnlyWellFormedUtf8)
{
    struct Case {
        std::string bytes;
        bool valid;
    };
    for (const Case& c : std::vector<Case>{{"", true},
                                           {"plain", true},
                                           {"\xC3\xA9", true},
                                           {"\xF0\x9F\x98\x80", true},
                                           {"\xEF\xBF\xBF", true},
                                           {"\xC3", false},              // cut short
                                           {"\xC0\x80", false},          // overlong NUL
                                           {"\xE0\x80\xAF", false},      // overlong
                                           {"\xED\xA0\x80", false},      // surrogate
                                           {"\xF4\x90\x80\x80", false},  // above U+10FFFF
                                           {"\x80", false},              // lone continuation
                                           {"\xFF", false}}) {
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid);
    }
}

// A C1 control (U+0080..U+009F) moves a terminal's cursor or switches
// its modes as surely as a C0 one: none of the thirty-two survives, the
// last of them included.
TEST(NameCleaning, DropsEveryC1ControlAndKeepsTheLettersAroundIt)
{
    for (int second = 0x80; second <= 0x9F; ++second) {
        const std::string name = std::string("An") + '\xC2' + static_cast<char>(second) + "na";
        EXPECT_EQ(cleanName(name), "Anna") << "U+00" << std::hex << second;
    }
    EXPECT_EQ(cleanName("\xC2\xA0x"), "\xC2\xA0x") << "the no-break space is no control";
}

TEST(TableFileRoundTrip, CleanNamesOfEveryKindReadBackUnchanged)
{
    const std::vector<std::string> typed = {
        "Ann",
        "Ann \"Ace\" Lee",
        "Lee, Ann",
        ",,,",
        "line\r\nbreak",
        "  leading and trailing  ",
        "\xC3\x85sa \xC3\x98stberg",          // Åsa Østberg
        "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD",   // Иван
        "\xE5\xA4\xAA\xE9\x83\x8E",           // 太郎
        "\xF0\x9F\x8E\xAE",                   // 🎮
        "Ren\xE9",
        std::string(1200, 'n'),
        "",
    };
    std::array<std::string, Places> names;
    std::array<std::int32_t, Places> scores{};
    for (std::size_t start = 0; start < typed.size(); start += Places) {
        for (std::size_t i = 0; i < Places; ++i) {
            names[i] = start + i < typed.size() ? cleanName(typed[start + i]) : std::string();
            scores[i] = static_cast<std::int32_t>(1000 - i);
        }
        const ReadTable back = parseTable(formatTable(names, scores));
        EXPECT_TRUE(back.complete());
        EXPECT_EQ(back.names, names);
        EXPECT_EQ(back.scores, scores);
        for (const std::string& name : back.names) {
            expectClean(name);
        }
    }
}

TEST(TableFileRoundTrip, RandomBytesReadAsCleanNamesThatSurviveASave)
{
    std::mt19937 random(20240511);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 3000);
    for (int round = 0; round < 300; ++round) {
        std::string bytes(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : bytes) {
            // Half of the rounds favour the format's own bytes, so items get longer and stranger.
            const int b = byte(random);
            c = static_cast<char>(round % 2 == 0 || b < 200 ? b : ",\"\r\n "[b % 5]);
        }
        const ReadTable table = parseTable(bytes);
        for (const std::string& name : table.names) {
            expectClean(name);
        }
        const ReadTable back = parseTable(formatTable(table.names, table.scores));
        EXPECT_TRUE(back.complete());
        EXPECT_EQ(back.names, table.names);
        EXPECT_EQ(back.scores, table.scores);
        if (HasFailure()) {
            break;
        }
    }
}

} // namespace
} // namespace lexidrop
