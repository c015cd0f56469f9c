// hs.txt on a real disk: the first run, the round trip, every bad file
// found at start-up and every way a save can fail.  Each test works in a
// temporary directory of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "fakes/fake_window.h"
#include "game/game.h"
#include "scores/file_store.h"
#include "scores/table_file.h"
#include "scores_disk.h"

namespace lexidrop::testing {
namespace {

namespace fs = std::filesystem;

const std::string Fresh = formatTable({}, {});

// The file's table with one entry, "Ann" at 100.
std::string annTable()
{
    std::array<std::string, Places> names;
    std::array<std::int32_t, Places> scores{};
    names[0] = "Ann";
    scores[0] = 100;
    return formatTable(names, scores);
}

// The real disk, except that one step of the save fails as the disk would
// make it fail.
class FailingFileSystem : public FileSystem {
public:
    enum class Step { Create, Write, Sync, Close, Rename };

    explicit FailingFileSystem(Step step) : step_(step) {}

    int create(const fs::path& file, unsigned mode) override
    {
        return step_ == Step::Create ? -1 : FileSystem::create(file, mode); // as EACCES in a read-only directory
    }
    bool write(int handle, std::string_view data) override
    {
        if (step_ == Step::Write) {
            FileSystem::write(handle, data.substr(0, data.size() / 2)); // the disk fills up half-way
            return false;
        }
        return FileSystem::write(handle, data);
    }
    bool sync(int handle) override { return step_ != Step::Sync && FileSystem::sync(handle); }
    bool close(int handle) override
    {
        const bool closed = FileSystem::close(handle);
        return step_ != Step::Close && closed;
    }
    bool rename(const fs::path& from, const fs::path& to) override
    {
        return step_ != Step::Rename && FileSystem::rename(from, to);
    }

private:
    Step step_;
};

// Counts what a load asks of the disk.
class CountingFileSystem : public FileSystem {
public:
    std::size_t largestRequest = 0; // the largest buffer a read filled
    std::size_t bytesRead = 0;      // all bytes read

    long read(int handle, std::span<char> buffer) override
    {
        largestRequest = std::max(largestRequest, buffer.size());
        const long got = FileSystem::read(handle, buffer);
        bytesRead += got > 0 ? static_cast<std::size_t>(got) : 0;
        return got;
    }
};

// ------------------------------------------------------------ first run and round trip

TEST(HighScoreFile, FirstRunWithoutTheFileCreatesTheFreshFileAndAsksNothing)
{
    TempDir dir;
    FakeWindow window;
    const auto store = makeFileStore(dir.hs());
    Game game(window, window, window, *store);
    game.Form_Load();

    EXPECT_TRUE(window.prompts.empty());
    for (std::size_t i = 0; i < Places; ++i) {
        EXPECT_EQ(game.state().LblName[i], "");
        EXPECT_EQ(game.state().LblHs[i], "");
    }
    EXPECT_EQ(fs::file_size(dir.hs()), 70u);
    EXPECT_EQ(readFile(dir.hs()), Fresh);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"hs.txt"}) << "no temporary file is left";
}

TEST(HighScoreFile, NamesOfEveryKindSurviveASaveAndTheNextStart)
{
    const std::vector<std::pair<std::string, std::string>> typedAndKept = {
        {"Ann \"Ace\" Lee", "Ann 'Ace' Lee"},
        {"Lee, Ann", "Lee, Ann"},
        {"two\r\nlines", "twolines"},
        {"\xC3\x85sa \xC3\x98stberg", "\xC3\x85sa \xC3\x98stberg"},
        {"\xE5\xA4\xAA\xE9\x83\x8E", "\xE5\xA4\xAA\xE9\x83\x8E"},
        {"Ren\xE9", "Ren\xC3\xA9"},
    };
    TempDir dir;
    const auto store = makeFileStore(dir.hs());
    HighScores table;
    PlaceLabels names;
    PlaceLabels scores;
    table.LoadHighScores(*store, names, scores);
    for (std::size_t i = 0; i < typedAndKept.size(); ++i) {
        table.UpdateHighScores(static_cast<std::int32_t>(10 * (i + 1)), answer(typedAndKept[i].first), *store);
    }

    HighScores next;
    next.LoadHighScores(*store, names, scores);
    for (std::size_t i = 0; i < typedAndKept.size(); ++i) {
        const std::size_t place = typedAndKept.size() - 1 - i; // later, higher scores come first
        EXPECT_EQ(names[place], typedAndKept[i].second);
        EXPECT_EQ(scores[place], std::to_string(10 * (i + 1)));
    }
    EXPECT_EQ(next.HsNames, table.HsNames);
}

TEST(HighScoreFile, AWindows1252NameLoadsAsUtf8AndIsSavedAsUtf8)
{
    TempDir dir;
    writeFile(dir.hs(), "\"Jos\xE9 M\xFCller\"\r\n300\r\n" + Fresh.substr(7));
    const auto store = makeFileStore(dir.hs());
    HighScores table;
    PlaceLabels names;
    PlaceLabels scores;
    table.LoadHighScores(*store, names, scores);
    EXPECT_EQ(names[0], "Jos\xC3\xA9 M\xC3\xBCller");
    table.UpdateHighScores(0, NamePrompt(), *store);
    const std::string firstPlace = "\"Jos\xC3\xA9 M\xC3\xBCller\"\r\n300\r\n";
    EXPECT_EQ(readFile(dir.hs()).substr(0, firstPlace.size()), firstPlace);
}

// ------------------------------------------------------------ bad files at start-up

using Shown = std::vector<std::pair<std::string, std::int32_t>>;

// A bad hs.txt, how to make it, and what a load makes of it.
struct BadFile {
    const char* what;
    std::function<void(const fs::path&)> make;
    Shown shown;    // first places after the load
    bool rewritten; // the load saved the table whole
};

// Writes count MiB of one byte after head and before tail.
void writeHuge(const fs::path& p, const std::string& head, char fill, int count, const std::string& tail = "")
{
    std::ofstream out(p, std::ios::binary);
    out << head;
    const std::string junk(1 << 20, fill);
    for (int i = 0; i < count; ++i) {
        out << junk;
    }
    out << tail;
}

// Files whose scores or order are out of the ordinary, or that end early.
std::vector<BadFile> badScoreFiles()
{
    const std::string rest8 = Fresh.substr(14);
    return {
        {"non-decimal scores",
         [rest8](const fs::path& p) { writeFile(p, "\"Ann\"\r\nlots\r\n\"Bob\"\r\n40\r\n" + rest8); },
         {{"Bob", 40}, {"Ann", 0}},
         false},
        {"scores beyond 32 bits",
         [rest8](const fs::path& p) { writeFile(p, "\"Ann\"\r\n4294967296\r\n\"Bob\"\r\n2147483647\r\n" + rest8); },
         {{"Bob", 2147483647}, {"Ann", 0}},
         false},
        {"an unsorted file",
         [rest8](const fs::path& p) { writeFile(p, "\"Ann\"\r\n10\r\n\"Bob\"\r\n40\r\n" + rest8); },
         {{"Bob", 40}, {"Ann", 10}},
         false},
        {"a short file",
         [](const fs::path& p) { writeFile(p, "\"Ann\"\r\n57\r\n\"Bo"); },
         {{"Ann", 57}, {"Bo", 0}},
         true},
        {"an empty file", [](const fs::path& p) { writeFile(p, ""); }, {}, true},
    };
}

// Files far larger than any table, where the reader must stop or skip.
std::vector<BadFile> hugeFiles()
{
    // Places 2 to 10, for files whose first place is out of the ordinary.
    std::string nineBelow;
    Shown below;
    for (int i = 2; i <= Places; ++i) {
        below.emplace_back("P" + std::to_string(i), 90 - i);
        nineBelow += "\"P" + std::to_string(i) + "\"\r\n" + std::to_string(90 - i) + "\r\n";
    }
    const auto withNineBelow = [&](std::pair<std::string, std::int32_t> first) {
        Shown all{std::move(first)};
        all.insert(all.end(), below.begin(), below.end());
        return all;
    };
    return {
        {"a table followed by 100 MB", [](const fs::path& p) { writeHuge(p, annTable(), 'j', 100); }, {{"Ann", 100}},
         false},
        {"100 MB on one line", [](const fs::path& p) { writeHuge(p, "", 'x', 100); },
         {{std::string(MaxNameBytes, 'x'), 0}}, true},
        {"100 MB of zero bytes",
         [](const fs::path& p) {
             writeFile(p, "");
             fs::resize_file(p, 100u << 20);
         },
         {},
         true},
        {"a first name of 70,000 bytes",
         [nineBelow](const fs::path& p) {
             writeFile(p, "\"" + std::string(70000, 'n') + "\"\r\n90\r\n" + nineBelow);
         },
         withNineBelow({std::string(MaxNameBytes, 'n'), 90}), false},
        {"100 MB of a first name before the other places",
         [nineBelow](const fs::path& p) { writeHuge(p, "\"", 'h', 100, "\"\r\n90\r\n" + nineBelow); },
         withNineBelow({std::string(MaxNameBytes, 'h'), 90}), false},
    };
}

// Loads the bad file, checks what the table shows and what became of the
// file, then that the next save leaves a whole table that reads back the same.
void expectLoadedWhole(const BadFile& c)
{
    TempDir dir;
    c.make(dir.hs());
    const auto sizeBefore = fs::is_regular_file(dir.hs()) ? fs::file_size(dir.hs()) : 0;
    CountingFileSystem disk;
    const auto store = makeFileStore(dir.hs(), disk);
    HighScores table;
    loadTable(table, *store);

    EXPECT_LE(disk.largestRequest, ReadPieceBytes) << "a load holds the file a piece at a time";
    if (std::string_view(c.what).starts_with("a table followed")) {
        EXPECT_LE(disk.bytesRead, ReadPieceBytes) << "a complete table ends the read";
    }
    for (std::size_t i = 0; i < Places; ++i) {
        const std::pair<std::string, std::int32_t> none{"", 0};
        const auto& want = i < c.shown.size() ? c.shown.at(i) : none;
        EXPECT_EQ(table.HsNames.at(i), want.first);
        EXPECT_EQ(table.HsScores.at(i), want.second);
    }
    if (c.rewritten) {
        EXPECT_EQ(readFile(dir.hs()), formatTable(table.HsNames, table.HsScores));
    } else {
        EXPECT_EQ(fs::file_size(dir.hs()), sizeBefore) << "a complete file is left as it is";
    }
    table.UpdateHighScores(0, NamePrompt(), *store);
    HighScores again;
    loadTable(again, *store);
    EXPECT_EQ(again.HsNames, table.HsNames);
    EXPECT_EQ(again.HsScores, table.HsScores);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"hs.txt"});
}

TEST(HighScoreFile, EveryBadFileLoadsWhatItCanAndLeavesAWholeTable)
{
    std::vector<BadFile> cases = badScoreFiles();
    for (BadFile& huge : hugeFiles()) {
        cases.push_back(std::move(huge));
    }
    for (const BadFile& c : cases) {
        SCOPED_TRACE(c.what);
        expectLoadedWhole(c);
    }
}

TEST(HighScoreFile, RandomBytesLoadAndTheNextSaveReadsBackTheSame)
{
    std::mt19937 random(7);
    for (const std::size_t size : {std::size_t{1} << 10, std::size_t{1} << 16, std::size_t{1} << 20}) {
        SCOPED_TRACE(size);
        TempDir dir;
        std::string bytes(size, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random());
        }
        writeFile(dir.hs(), bytes);
        const auto store = makeFileStore(dir.hs());
        HighScores table;
        loadTable(table, *store);
        table.UpdateHighScores(0, NamePrompt(), *store);
        EXPECT_EQ(readFile(dir.hs()), formatTable(table.HsNames, table.HsScores));
        for (std::size_t i = 1; i < Places; ++i) {
            EXPECT_GE(table.HsScores[i - 1], table.HsScores[i]);
        }
    }
}

// ------------------------------------------------------------ failed saves

// A save that fails at one step, or on a disk that refuses by itself.
struct FailedSave {
    const char* what;
    std::optional<FailingFileSystem::Step> failing; // none: the real disk, which fails by itself
    bool hsIsDirectory;
};

// Saves over the file through the failing step; the table goes on in
// memory and the file is as it was, with nothing beside it.
void expectOldFileKept(const FailedSave& c)
{
    TempDir dir;
    if (c.hsIsDirectory) {
        fs::create_directory(dir.hs());
    } else {
        writeFile(dir.hs(), annTable());
    }
    FailingFileSystem failing(c.failing.value_or(FailingFileSystem::Step::Create));
    const auto store = c.failing ? makeFileStore(dir.hs(), failing) : makeFileStore(dir.hs());
    HighScores table;
    loadTable(table, *store);

    EXPECT_FALSE(store->write(formatTable({}, {})));
    table.UpdateHighScores(500, answer("Zoe"), *store); // the game goes on

    EXPECT_EQ(table.HsNames[0], "Zoe");
    EXPECT_EQ(table.HsScores[0], 500);
    if (c.hsIsDirectory) {
        EXPECT_TRUE(fs::is_directory(dir.hs()));
        EXPECT_TRUE(fs::is_empty(dir.hs()));
    } else {
        EXPECT_EQ(readFile(dir.hs()), annTable());
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"hs.txt"});
}

TEST(HighScoreFile, AFailedSaveLeavesTheOldFileWholeAndNoTemporaryFile)
{
    using Step = FailingFileSystem::Step;
    const std::vector<FailedSave> cases = {
        {"a read-only directory", Step::Create, false},
        {"a full disk while writing", Step::Write, false},
        {"the flush to the disk fails", Step::Sync, false},
        {"the close reports a failure", Step::Close, false},
        {"a failure between writing and renaming", Step::Rename, false},
        {"hs.txt is a directory", std::nullopt, true},
    };
    for (const FailedSave& c : cases) {
        SCOPED_TRACE(c.what);
        expectOldFileKept(c);
    }
}

TEST(HighScoreFile, ASaveKeepsTheModeAndGroupOfTheFileItReplaces)
{
    for (const fs::perms mode : {fs::perms(0600), fs::perms(0660), fs::perms(0644), fs::perms(0664)}) {
        SCOPED_TRACE(static_cast<int>(mode));
        TempDir dir;
        writeFile(dir.hs(), annTable());
        fs::permissions(dir.hs(), mode);
        // As root, a group the file's owner is not in; otherwise the player's own.
        const gid_t group = ::geteuid() == 0 ? 54321 : ::getegid();
        ASSERT_EQ(::chown(dir.hs().c_str(), static_cast<uid_t>(-1), group), 0);
        const auto store = makeFileStore(dir.hs());
        ASSERT_TRUE(store->write(formatTable({}, {})));
        struct stat info {};
        ASSERT_EQ(::stat(dir.hs().c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, static_cast<unsigned>(mode));
        EXPECT_EQ(info.st_gid, group);
        EXPECT_EQ(readFile(dir.hs()), formatTable({}, {}));
    }
}

TEST(HighScoreFile, AFirstFileIsMadeAsThePlayersUmaskSays)
{
    TempDir dir;
    const mode_t before = ::umask(027);
    const auto store = makeFileStore(dir.hs());
    const bool written = store->write(Fresh);
    ::umask(before);
    ASSERT_TRUE(written);
    struct stat info {};
    ASSERT_EQ(::stat(dir.hs().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(HighScoreFile, ALeftoverTemporaryFileIsClearedAwayAndThePlayersOwnFilesAreKept)
{
    TempDir dir;
    const fs::path leftover = leftoverOf(dir.hs(), "0123456789abcdef");
    writeFile(leftover, "half a table from a crash");
    // Names a player gives backups, and the names older saves used.
    const std::vector<std::string> players = {"hs.txt.tmp", "hs.txt.tmp-backup01", "hs.txt.tmp-AbCd1234",
                                              ".hs.txt.lexidrop-save-0123456789abcdeX", "hs.txt.bak"};
    for (const std::string& name : players) {
        writeFile(dir.path() / name, "the player's own");
        ASSERT_FALSE(isTemporaryFileOf(dir.hs(), dir.path() / name)) << name;
    }
    const auto store = makeFileStore(dir.hs());
    HighScores table;
    loadTable(table, *store);
    EXPECT_EQ(readFile(dir.hs()), Fresh);
    std::vector<std::string> left = dir.entries();
    std::vector<std::string> expected = players;
    expected.push_back("hs.txt");
    std::sort(left.begin(), left.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
}

} // namespace
} // namespace lexidrop::testing
