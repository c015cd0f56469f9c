// What the tests of hs.txt on a real disk share: a directory of their own
// and whole-file reads and writes.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "scores/file_store.h"

namespace lexidrop::testing {

// A directory of its own, removed with everything in it.
class TempDir {
public:
    TempDir()
    {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() /
                ("lexidrop-scores-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path hs() const { return path_ / "hs.txt"; }
    // The names in the directory.
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

private:
    std::filesystem::path path_;
};

// Where a save of file would have its temporary file, for these sixteen
// hex digits: what a killed save leaves behind.
inline std::filesystem::path leftoverOf(const std::filesystem::path& file, const std::string& hex)
{
    const std::filesystem::path name = file.parent_path() / ("." + file.filename().string() + ".lexidrop-save-" + hex);
    return isTemporaryFileOf(file, name) ? name : std::filesystem::path();
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace lexidrop::testing
