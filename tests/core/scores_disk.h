// What the tests of hs.txt on a real disk share: a directory of their own,
// whole-file reads and writes, a player's answer, a table loaded and
// games played on it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "scores/file_store.h"
#include "scores/high_scores.h"

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

// A prompt that answers name, whatever it asks.
inline NamePrompt answer(const std::string& name)
{
    return [name](const std::string&, const std::string&) { return name; };
}

// Loads the store into table as the game does at its start (a missing or
// short file is written whole), where the labels it fills are not looked at.
inline void loadTable(HighScores& table, HighScoreStore& store)
{
    PlaceLabels names;
    PlaceLabels scores;
    table.LoadHighScores(store, names, scores);
}

// A start of the game on the store, then two games ended with places (first
// at 300, "Bob" at 200), and what was said on stderr meanwhile.
struct GameRuns {
    HighScores table;
    std::string said;

    GameRuns(HighScoreStore& store, const std::string& first)
    {
        ::testing::internal::CaptureStderr();
        loadTable(table, store);
        table.UpdateHighScores(300, answer(first), store);
        table.UpdateHighScores(200, answer("Bob"), store);
        said = ::testing::internal::GetCapturedStderr();
    }
    long lines() const { return std::count(said.begin(), said.end(), '\n'); }
    // Whether exactly one line was said, and it says why.
    ::testing::AssertionResult saidOnce(const std::string& why) const
    {
        if (lines() != 1 || said.find(why) == std::string::npos) {
            return ::testing::AssertionFailure() << "wanted one line with \"" << why << "\", got: " << said;
        }
        return ::testing::AssertionSuccess();
    }
};

} // namespace lexidrop::testing
