// Where the program finds its files.
//
// Two layouts, told apart by what is on disk and never by trying to write
// (a root user can write anywhere, so write permission says nothing):
// - installed: <exe dir>/../share/lexidrop exists.  The letter bitmaps are
//   read from there, and hs.txt lives in the player's own data directory,
//   $XDG_DATA_HOME/lexidrop (by default ~/.local/share/lexidrop), because
//   the program's directory (/usr/games) is not the player's to write;
// - in place (a build tree, a copied folder): the bitmaps and hs.txt beside
//   the executable.
// The executable's directory is the one the kernel names, as bytes: a folder
// whose name is not UTF-8 is still found.  When it cannot be found at all,
// the program has no place of its own and keeps nothing anywhere, rather
// than take the working directory for its own.
// Every path the window uses comes from here.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace lexidrop::ui {

// The files one window reads and writes.  An empty path means none: no
// pictures are read, and the table is kept in memory only.
struct DataPaths {
    std::filesystem::path letters;    // directory of a.bmp .. z.bmp
    std::filesystem::path highScores; // the top-ten file
};

// Where an executable is, or why that cannot be told.
struct ProgramPlace {
    std::optional<std::filesystem::path> directory; // absolute; nullopt when not found
    std::string failure;                             // why not, when not found
};

// The environment the per-user data directory is derived from; an unset
// variable is nullopt.
struct UserEnvironment {
    std::optional<std::string> xdgDataHome; // $XDG_DATA_HOME
    std::optional<std::string> home;        // $HOME
};

// The kernel's link to the running executable.
constexpr const char* ExecutableLink = "/proc/self/exe";

// The directory of the file the link names, read as bytes and never
// decoded.  The kernel's link names the real file, whatever symbolic link
// the program was started through.
ProgramPlace linkedProgramDirectory(const std::filesystem::path& link);

// The directory of the running executable: linkedProgramDirectory(ExecutableLink).
ProgramPlace programDirectory();

// The install's data directory for a program in programDir, whether or not
// it exists.
std::filesystem::path installedDataDirectory(const std::filesystem::path& programDir);

// The player's data directory for this game: $XDG_DATA_HOME/lexidrop, or
// $HOME/.local/share/lexidrop when XDG_DATA_HOME is unset, empty or not
// absolute; nullopt when neither gives an absolute directory.
std::optional<std::filesystem::path> userDataDirectory(const UserEnvironment& environment);

// The layout for a program in programDir, as it stands: nothing is created.
DataPaths findDataPaths(const std::filesystem::path& programDir, const UserEnvironment& environment);

// The layout for a program in programDir.  When it is installed, the
// player's data directory is created if it is missing (quietly: a failure
// shows up later as a table that cannot be saved, which the store reports).
DataPaths locateDataPaths(const std::filesystem::path& programDir, const UserEnvironment& environment);

// The environment of this process.
UserEnvironment processEnvironment();

// The layout for a program at place, as locateDataPaths makes it.  When
// its directory was not found, says so on stderr and gives empty paths.
DataPaths locateDataPaths(const ProgramPlace& place, const UserEnvironment& environment);

// The layout of the running program.
DataPaths defaultDataPaths();

// The in-place layout rooted at a directory (tests use a scratch one).
DataPaths dataPathsIn(const std::filesystem::path& directory);

} // namespace lexidrop::ui
