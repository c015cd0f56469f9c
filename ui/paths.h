// Where the program finds its files.
//
// The letter bitmaps and hs.txt live in the directory that holds the
// executable.  Every path the window uses comes from here, so an installed
// layout (bitmaps in a share directory, the table in the user's data
// directory) only has to change these functions.
#pragma once

#include <filesystem>

namespace lexidrop::ui {

// The files one window reads and writes.
struct DataPaths {
    std::filesystem::path letters;    // directory of a.bmp .. z.bmp
    std::filesystem::path highScores; // the top-ten file
};

// The directory of the running executable.
std::filesystem::path programDirectory();

// The layout of a program run from its build or unpacked directory.
DataPaths defaultDataPaths();

// The same layout rooted at another directory (tests use a scratch one).
DataPaths dataPathsIn(const std::filesystem::path& directory);

} // namespace lexidrop::ui
