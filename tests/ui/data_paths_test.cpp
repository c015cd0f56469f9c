// Where the program keeps its files: installed or in place, decided by
// the directories on disk.
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ui/paths.h"

namespace lexidrop::ui {
namespace {

namespace fs = std::filesystem;

class DataPathsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scratch.isValid()); }

    fs::path root() const { return fs::path(scratch.path().toStdString()); }

    // <root>/usr/games (where the package puts the program), and with
    // installed also <root>/usr/share/lexidrop.
    fs::path makeProgramDirectory(bool installed) const
    {
        const fs::path bin = root() / "usr" / "games";
        fs::create_directories(bin);
        if (installed) {
            fs::create_directories(root() / "usr" / "share" / "lexidrop");
        }
        return bin;
    }

    fs::path home() const { return root() / "home"; }

    QTemporaryDir scratch;
};

TEST_F(DataPathsTest, ProgramWithoutAnInstallDataDirectoryKeepsEverythingBesideItself)
{
    const fs::path bin = makeProgramDirectory(false);
    const DataPaths paths = locateDataPaths(bin, {std::nullopt, home().string()});
    EXPECT_EQ(paths.letters, bin);
    EXPECT_EQ(paths.highScores, bin / "hs.txt");
    EXPECT_FALSE(fs::exists(home())) << "nothing is made in the player's home";
}

TEST_F(DataPathsTest, InstalledProgramReadsBitmapsFromTheShareDirectory)
{
    const fs::path bin = makeProgramDirectory(true);
    const DataPaths paths = locateDataPaths(bin, {std::nullopt, home().string()});
    EXPECT_EQ(paths.letters, root() / "usr" / "share" / "lexidrop");
}

TEST_F(DataPathsTest, InstalledProgramKeepsTheTableInTheDefaultUserDataDirectory)
{
    const fs::path bin = makeProgramDirectory(true);
    const DataPaths paths = locateDataPaths(bin, {std::nullopt, home().string()});
    EXPECT_EQ(paths.highScores, home() / ".local" / "share" / "lexidrop" / "hs.txt");
    EXPECT_TRUE(fs::is_directory(home() / ".local" / "share" / "lexidrop")) << "created when missing";
    EXPECT_FALSE(fs::exists(bin / "hs.txt"));
}

TEST_F(DataPathsTest, InstalledProgramKeepsTheTableUnderXdgDataHome)
{
    const fs::path bin = makeProgramDirectory(true);
    const fs::path data = root() / "data";
    const DataPaths paths = locateDataPaths(bin, {data.string(), home().string()});
    EXPECT_EQ(paths.highScores, data / "lexidrop" / "hs.txt");
    EXPECT_TRUE(fs::is_directory(data / "lexidrop"));
    EXPECT_FALSE(fs::exists(home()));
}

TEST_F(DataPathsTest, EmptyOrRelativeXdgDataHomeFallsBackToHome)
{
    const fs::path bin = makeProgramDirectory(true);
    for (const char* ignored : {"", "relative/data", "."}) {
        const DataPaths paths = locateDataPaths(bin, {std::string(ignored), home().string()});
        EXPECT_EQ(paths.highScores, home() / ".local" / "share" / "lexidrop" / "hs.txt") << '"' << ignored << '"';
    }
}

TEST_F(DataPathsTest, ExistingUserDataDirectoryAndTableAreLeftAsTheyAre)
{
    const fs::path bin = makeProgramDirectory(true);
    const fs::path data = home() / ".local" / "share" / "lexidrop";
    fs::create_directories(data);
    std::ofstream(data / "hs.txt") << "kept";
    const DataPaths paths = locateDataPaths(bin, {std::nullopt, home().string()});
    EXPECT_EQ(paths.highScores, data / "hs.txt");
    std::ifstream table(data / "hs.txt");
    std::string contents;
    table >> contents;
    EXPECT_EQ(contents, "kept");
}

TEST_F(DataPathsTest, AFileNamedLikeTheShareDirectoryDoesNotMakeTheProgramInstalled)
{
    const fs::path bin = makeProgramDirectory(false);
    fs::create_directories(root() / "usr" / "share");
    std::ofstream(root() / "usr" / "share" / "lexidrop") << "not a directory";
    const DataPaths paths = locateDataPaths(bin, {std::nullopt, home().string()});
    EXPECT_EQ(paths.letters, bin);
    EXPECT_EQ(paths.highScores, bin / "hs.txt");
}

TEST_F(DataPathsTest, InstalledProgramWithNoHomeAtAllStillReadsTheShareDirectory)
{
    const fs::path bin = makeProgramDirectory(true);
    const DataPaths paths = locateDataPaths(bin, {std::nullopt, std::nullopt});
    EXPECT_EQ(paths.letters, root() / "usr" / "share" / "lexidrop");
    EXPECT_EQ(paths.highScores, bin / "hs.txt");
}

// --help names the table's place; asking must not make the directory.
TEST_F(DataPathsTest, FindingTheInstalledPathsCreatesNothing)
{
    const fs::path bin = makeProgramDirectory(true);
    const DataPaths paths = findDataPaths(bin, {std::nullopt, home().string()});
    EXPECT_EQ(paths.highScores, home() / ".local" / "share" / "lexidrop" / "hs.txt");
    EXPECT_FALSE(fs::exists(home()));
}

// Nothing rather than the working directory, whose hs.txt is someone else's.
TEST_F(DataPathsTest, AProgramThatCannotFindItsDirectoryKeepsNoFilesAndSaysWhy)
{
    testing::internal::CaptureStderr();
    const DataPaths paths = locateDataPaths(linkedProgramDirectory(root() / "missing"), {std::nullopt, std::nullopt});
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(paths.letters.empty() && paths.highScores.empty());
    EXPECT_EQ(said, "lexidrop: cannot find the program's own folder (" + (root() / "missing").string() +
                        ": No such file or directory); no tile pictures are read and the high scores are kept in "
                        "memory only\n");
}

TEST(UserDataDirectoryTest, FollowsXdgDataHomeThenHome)
{
    EXPECT_EQ(userDataDirectory({"/data", "/home/p"}), fs::path("/data/lexidrop"));
    EXPECT_EQ(userDataDirectory({std::nullopt, "/home/p"}), fs::path("/home/p/.local/share/lexidrop"));
    EXPECT_EQ(userDataDirectory({"data", "/home/p"}), fs::path("/home/p/.local/share/lexidrop"));
    EXPECT_EQ(userDataDirectory({std::nullopt, "home/p"}), std::nullopt);
    EXPECT_EQ(userDataDirectory({std::nullopt, std::nullopt}), std::nullopt);
}

} // namespace
} // namespace lexidrop::ui
