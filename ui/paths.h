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
// Every path the window uses comes from here.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace lexidrop::ui {

// The files one window reads and writes.
struct DataPaths {
    std::filesystem::path letters;    // directory of a.bmp .. z.bmp
    std::filesystem::path highScores; // the top-ten file
};

// The environment the per-user data directory is derived from; an unset
// variable is nullopt.
struct UserEnvironment {
    std::optional<std::string> xdgDataHome; // $XDG_DATA_HOME
    std::optional<std::string> home;        // $HOME
};

// The directory of the running executable.
std::filesystem::path programDirectory();

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

// The layout of the running program.
DataPaths defaultDataPaths();

// The in-place layout rooted at a directory (tests use a scratch one).
DataPaths dataPathsIn(const std::filesystem::path& directory);

} // namespace lexidrop::ui
