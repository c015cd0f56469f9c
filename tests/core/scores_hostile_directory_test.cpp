// hs.txt in a directory that someone else can write: nothing planted there
// makes the game write to a file of the player's, and a link the player made
// is followed.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "scores/file_store.h"
#include "scores/table_file.h"
#include "scores_disk.h"

namespace lexidrop::testing {
namespace {

namespace fs = std::filesystem;

constexpr uid_t Stranger = 54321; // a user who is not the player

const std::string PlayersBytes = "the player's own file, not a table\n";

// Everything below a directory, name and bytes, to see that nothing changed.
std::vector<std::string> snapshot(const fs::path& root)
{
    std::vector<std::string> seen;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        seen.push_back(entry.path().string() + (entry.is_regular_file() ? "=" + readFile(entry.path()) : ""));
    }
    std::sort(seen.begin(), seen.end());
    return seen;
}

TEST(HostileDirectory, APlantedLinkForTheTemporaryOrLockFileLeavesWhatItPointsToUntouched)
{
    struct Case {
        const char* what;
        std::string planted; // name in the game's directory
        std::function<fs::path(const fs::path& victims)> victim; // made in the player's directory
    };
    const auto file = [](const fs::path& v) { writeFile(v / "notes.txt", PlayersBytes); return v / "notes.txt"; };
    const auto directory = [](const fs::path& v) {
        fs::create_directory(v / "docs");
        writeFile(v / "docs" / "hs.txt", PlayersBytes);
        return v / "docs";
    };
    const auto dangling = [](const fs::path& v) { return v / "not-there"; };
    const std::vector<Case> cases = {
        {"temporary file to a file", ".hs.txt.lexidrop-save-0123456789abcdef", file},
        {"temporary file to a directory", ".hs.txt.lexidrop-save-0123456789abcdef", directory},
        {"temporary file dangling", ".hs.txt.lexidrop-save-0123456789abcdef", dangling},
        {"lock file to a file", "hs.txt.lock", file},
        {"lock file dangling", "hs.txt.lock", dangling},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir game, player;
        const fs::path victim = c.victim(player.path());
        fs::create_symlink(victim, game.path() / c.planted);
        const auto before = snapshot(player.path());

        const GameRuns run(*makeFileStore(game.hs()), "Ann");
        EXPECT_EQ(snapshot(player.path()), before);
        EXPECT_FALSE(fs::exists(player.path() / "not-there"));
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(game.hs())));
        EXPECT_EQ(readFile(game.hs()), formatTable(run.table.HsNames, run.table.HsScores));
        EXPECT_EQ(run.table.HsNames[1], "Bob");
    }
}

// An hs.txt that is not the player's own regular file, and how to make it.
struct ForeignHsTxt {
    const char* what;
    std::function<void(const fs::path& hs, const fs::path& victims)> make;
};

std::vector<ForeignHsTxt> foreignHsTxts()
{
    return {
        {"another user's link to a file",
         [](const fs::path& hs, const fs::path& v) {
             writeFile(v / "notes.txt", PlayersBytes);
             fs::create_symlink(v / "notes.txt", hs);
             ASSERT_EQ(::lchown(hs.c_str(), Stranger, Stranger), 0);
         }},
        {"another user's link to a missing file",
         [](const fs::path& hs, const fs::path& v) {
             fs::create_symlink(v / "new.txt", hs);
             ASSERT_EQ(::lchown(hs.c_str(), Stranger, Stranger), 0);
         }},
        {"the player's link to another user's link",
         [](const fs::path& hs, const fs::path& v) {
             writeFile(v / "notes.txt", PlayersBytes);
             fs::create_symlink(v / "notes.txt", v / "theirs");
             ASSERT_EQ(::lchown((v / "theirs").c_str(), Stranger, Stranger), 0);
             fs::create_symlink(v / "theirs", hs);
         }},
        {"a pipe", [](const fs::path& hs, const fs::path&) { ASSERT_EQ(::mkfifo(hs.c_str(), 0600), 0); }},
        {"a directory", [](const fs::path& hs, const fs::path&) { fs::create_directory(hs); }},
    };
}

TEST(HostileDirectory, AnHsTxtOfAnotherUsersLinkOrNotAFileIsNeitherReadNorWrittenNorReplaced)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a link to another user needs root";
    }
    for (const ForeignHsTxt& c : foreignHsTxts()) {
        SCOPED_TRACE(c.what);
        TempDir game, player;
        ASSERT_NO_FATAL_FAILURE(c.make(game.hs(), player.path()));
        const auto before = snapshot(player.path());
        const auto hsBefore = fs::symlink_status(game.hs()).type();

        const GameRuns run(*makeFileStore(game.hs()), "Ann");
        EXPECT_EQ(snapshot(player.path()), before);
        EXPECT_EQ(fs::symlink_status(game.hs()).type(), hsBefore) << "hs.txt is not replaced";
        EXPECT_EQ(run.table.HsNames[0], "Ann") << "the table goes on in memory";
        EXPECT_EQ(run.table.HsNames[1], "Bob");
        EXPECT_EQ(std::count(run.said.begin(), run.said.end(), '\n'), 1) << "said once: " << run.said;
        EXPECT_NE(run.said.find("kept in memory"), std::string::npos) << run.said;
        EXPECT_EQ(game.entries(), std::vector<std::string>{"hs.txt"});
    }
}

TEST(HostileDirectory, AnHsTxtLinkOfThePlayersOwnGetsTheTableAtItsTargetAndStaysALink)
{
    struct Case {
        const char* what;
        bool relative;
        bool targetExists;
    };
    for (const Case c : {Case{"absolute link", false, true}, Case{"relative link", true, true},
                         Case{"link to a file still to be made", false, false}}) {
        SCOPED_TRACE(c.what);
        TempDir game, player;
        const fs::path target = player.path() / "scores.txt";
        if (c.targetExists) {
            writeFile(target, "\"Old\"\r\n50\r\n" + formatTable({}, {}).substr(0, 63));
        }
        fs::create_symlink(c.relative ? fs::relative(target, game.path()) : target, game.hs());

        const GameRuns run(*makeFileStore(game.hs()), "Ann");
        EXPECT_TRUE(fs::is_symlink(game.hs()));
        EXPECT_EQ(readFile(target), formatTable(run.table.HsNames, run.table.HsScores));
        EXPECT_EQ(run.table.HsScores[2], c.targetExists ? 50 : 0) << "read through the link";
        EXPECT_EQ(run.said, "");
        EXPECT_EQ(player.entries(), std::vector<std::string>{"scores.txt"}) << "no temporary file left";
        EXPECT_EQ(game.entries(), std::vector<std::string>{"hs.txt"});
    }
}

} // namespace
} // namespace lexidrop::testing
