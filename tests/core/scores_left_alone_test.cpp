// hs.txt files the game must leave as they are: one it cannot read (it
// would replace a table it never saw), one marked read-only, one in a
// folder it cannot look into, one in a folder that cannot be locked.  Each
// is said once on stderr; every save that fails on a usable file is said.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "scores/file_store.h"
#include "scores/table_file.h"
#include "scores_disk.h"

namespace lexidrop::testing {
namespace {

namespace fs = std::filesystem;

constexpr uid_t Stranger = 54321; // a user who is not the one the tests run as

// A whole table: Ann at 100, the other places empty.
const std::string AnnsFile = [] {
    std::array<std::string, Places> names;
    std::array<std::int32_t, Places> scores{};
    names[0] = "Ann";
    scores[0] = 100;
    return formatTable(names, scores);
}();

// The real disk, but no file can be opened to read: as another user's 0600 file.
class ShutOut : public FileSystem {
public:
    int openToRead(const fs::path&) override { return -1; }
};

TEST(FilesLeftAlone, AnHsTxtThatCannotBeReadIsNeverReplacedAndSaidOnce)
{
    TempDir dir;
    writeFile(dir.hs(), AnnsFile);
    ShutOut disk;
    const auto store = makeFileStore(dir.hs(), disk);
    const GameRuns run(*store, "Zoe");
    EXPECT_EQ(readFile(dir.hs()), AnnsFile);
    EXPECT_EQ(run.table.HsNames[0], "Zoe") << "the game goes on with its table in memory";
    EXPECT_TRUE(run.saidOnce("cannot be read"));
}

// The same with a real second user: a table root left with mode 0600.
TEST(FilesLeftAlone, AnotherUsersPrivateHsTxtIsLeftAsItIsInASharedFolder)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "acting as a second user needs root";
    }
    TempDir dir;
    writeFile(dir.hs(), AnnsFile);
    fs::permissions(dir.hs(), fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(dir.path(), fs::perms::all);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(Stranger) != 0 || ::setuid(Stranger) != 0) {
            ::_exit(2);
        }
        const auto store = makeFileStore(dir.hs());
        const GameRuns run(*store, "Zoe");
        ::_exit(run.saidOnce("cannot be read") ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not said in one line why; 2: could not become the second user";
    EXPECT_EQ(readFile(dir.hs()), AnnsFile);
    struct stat info {};
    ASSERT_EQ(::stat(dir.hs().c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 0u) << "the file is still root's own";
}

TEST(FilesLeftAlone, AReadOnlyHsTxtIsShownButNeverReplaced)
{
    TempDir dir;
    writeFile(dir.hs(), AnnsFile);
    fs::permissions(dir.hs(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto store = makeFileStore(dir.hs());
    const GameRuns run(*store, "Zoe");
    EXPECT_EQ(readFile(dir.hs()), AnnsFile);
    EXPECT_EQ(run.table.HsNames[2], "Ann") << "read as always";
    EXPECT_TRUE(run.saidOnce("read-only"));
}

TEST(FilesLeftAlone, AFolderThatCannotBeLookedIntoIsSaidOnceAndNothingIsMade)
{
    // XDG_DATA_HOME or HOME naming a file leaves the table's folder under a file.
    TempDir dir;
    writeFile(dir.path() / "data", "a file, not a folder");
    const auto store = makeFileStore(dir.path() / "data" / "lexidrop" / "hs.txt");
    const GameRuns run(*store, "Zoe");
    EXPECT_TRUE(run.saidOnce("cannot look into"));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"data"});
    EXPECT_EQ(run.table.HsNames[0], "Zoe");
}

// Counts the bytes a load reads.
class Counting : public FileSystem {
public:
    std::size_t bytesRead = 0;
    long read(int handle, std::span<char> buffer) override
    {
        const long got = FileSystem::read(handle, buffer);
        bytesRead += got > 0 ? static_cast<std::size_t>(got) : 0;
        return got;
    }
};

TEST(FilesLeftAlone, AHugeFileIsReadNoFurtherThanABoundFarAboveAnyTableAndLeftAsItIs)
{
    TempDir dir;
    writeFile(dir.hs(), "\"Ann\"\r\n100\r\n\"Bo");
    const auto size = MaxTableFileBytes + 4 * ReadPieceBytes; // a name that never ends, as zero bytes
    fs::resize_file(dir.hs(), size);
    Counting disk;
    const auto store = makeFileStore(dir.hs(), disk);
    std::size_t handed = 0;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(store->readPieces([&](std::string_view piece) {
        handed += piece.size();
        return true;
    }).status, ReadStatus::Read);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(handed, MaxTableFileBytes);
    EXPECT_LE(disk.bytesRead, MaxTableFileBytes + 2 * ReadPieceBytes);
    const auto fresh = makeFileStore(dir.hs());
    const GameRuns run(*fresh, "Zoe");
    EXPECT_EQ(run.table.HsNames[0], "Zoe");
    EXPECT_EQ(run.table.HsNames[2], "Ann") << "what lies within the bound is read";
    EXPECT_EQ(fs::file_size(dir.hs()), size) << "and the file is not replaced";
    EXPECT_TRUE(run.saidOnce("larger than any table"));
}

// The real disk, but every read after the first few fails, as a failing
// disk's EIO: the load at the start reads, the re-read of a save does not.
class ReadsFailLater : public FileSystem {
public:
    int goodReads = 0;
    long read(int handle, std::span<char> buffer) override
    {
        return goodReads-- > 0 ? FileSystem::read(handle, buffer) : -1;
    }
};

TEST(FilesLeftAlone, ARereadThatFailsIsAFailedSaveNeverAMissingFile)
{
    // Taken as "no file", the save would rename the table in memory over
    // entries other windows have saved meanwhile.
    TempDir dir;
    writeFile(dir.hs(), AnnsFile);
    ReadsFailLater disk;
    disk.goodReads = 2; // the load: the table, then the end of the file
    const auto store = makeFileStore(dir.hs(), disk);
    HighScores table;
    loadTable(table, *store);
    writeFile(dir.hs(), "\"Cy\"\r\n250\r\n" + AnnsFile.substr(0, AnnsFile.size() - 5)); // another window's save
    ::testing::internal::CaptureStderr();
    table.UpdateHighScores(300, answer("Zoe"), *store);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(dir.hs()).substr(0, 11), "\"Cy\"\r\n250\r\n") << "the file is left as it is";
    EXPECT_NE(said.find("cannot save"), std::string::npos) << said;
    EXPECT_EQ(table.HsNames[0], "Zoe") << "the entry is kept in memory";
    // The disk mends: the entry goes in beside what the other window saved.
    disk.goodReads = 1000;
    table.UpdateHighScores(1, answer("x"), *store);
    EXPECT_EQ(readFile(dir.hs()).substr(0, 23), "\"Zoe\"\r\n300\r\n\"Cy\"\r\n250\r\n");
}

TEST(FilesLeftAlone, AFileThatGrowsPastTheBoundWhileTheNameIsAskedIsNeverCut)
{
    TempDir dir;
    writeFile(dir.hs(), AnnsFile);
    const auto store = makeFileStore(dir.hs());
    HighScores table;
    loadTable(table, *store);
    const auto grown = MaxTableFileBytes + 1;
    ::testing::internal::CaptureStderr();
    table.UpdateHighScores(300, [&](const std::string&, const std::string&) {
        fs::resize_file(dir.hs(), grown); // the table at its head, and then much more
        return "Zoe";
    }, *store);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(fs::file_size(dir.hs()), grown);
    EXPECT_EQ(readFile(dir.hs()).substr(0, AnnsFile.size()), AnnsFile);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("larger than any table"), std::string::npos) << said;
    EXPECT_EQ(table.HsNames[0], "Zoe") << "the entry is kept in memory";
}

// The real disk, but a save's rename always fails.
class RenameFails : public FileSystem {
public:
    bool rename(const fs::path&, const fs::path&) override { return false; }
};

TEST(FilesLeftAlone, EveryFailedSaveIsSaid)
{
    TempDir dir;
    writeFile(dir.hs(), AnnsFile);
    RenameFails disk;
    const auto store = makeFileStore(dir.hs(), disk);
    const GameRuns run(*store, "Zoe");
    EXPECT_EQ(run.lines(), 2) << run.said;
    EXPECT_EQ(readFile(dir.hs()), AnnsFile);
}

// The real disk, but the folder cannot be locked (its lock is not to be had).
class LockShut : public FileSystem {
public:
    LockHandle lock(const fs::path&, std::chrono::milliseconds) override { return {}; }
};

TEST(FilesLeftAlone, AFolderThatCannotBeLockedIsSaidOnceAndTheFileIsLeftAsItIs)
{
    // A save without the lock could be overtaken by another window's and
    // lose its entries, or lose the other's.
    TempDir dir;
    writeFile(dir.hs(), AnnsFile);
    LockShut disk;
    const auto store = makeFileStore(dir.hs(), disk);
    const GameRuns run(*store, "Zoe");
    EXPECT_TRUE(run.saidOnce("cannot lock"));
    EXPECT_EQ(readFile(dir.hs()), AnnsFile);
    EXPECT_EQ(run.table.HsNames[0], "Zoe") << "the game goes on with its table in memory";
}

// A save clears away what killed saves left: only a file no live process
// holds may go, and not one just made.
TEST(FilesLeftAlone, OnlyTemporaryFilesNoLiveSaveHoldsAreClearedAway)
{
    TempDir dir;
    const fs::path held = leftoverOf(dir.hs(), "00000000000be1d0");
    const fs::path newborn = leftoverOf(dir.hs(), "00000000000b0000");
    const fs::path left = leftoverOf(dir.hs(), "000000000001ef70");
    writeFile(held, "half a table, still being written");
    writeFile(newborn, "");
    writeFile(left, "half a table from a killed save");
    const int holder = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    const auto store = makeFileStore(dir.hs());
    EXPECT_TRUE(store->write(AnnsFile));
    ::close(holder);
    EXPECT_TRUE(fs::exists(held)) << "a live process holds it";
    EXPECT_TRUE(fs::exists(newborn)) << "just made: its save may not have marked it yet";
    EXPECT_FALSE(fs::exists(left));
    EXPECT_EQ(readFile(dir.hs()), AnnsFile);
}

} // namespace
} // namespace lexidrop::testing
