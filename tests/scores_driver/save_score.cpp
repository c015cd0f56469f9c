// One window's worth of hs.txt, for tests that run several processes on one
// directory: loads the table as the game starts, then ends a game with the
// given score and answers the name prompt with the given name.
//
//   lexidrop_save_score HS_TXT SCORE NAME [--meet DIR] [--slow-sync MS DIR] [--slow-rename MS]
//
// With --meet the name prompt first leaves NAME.asked in DIR and then waits
// (at most 60 s) for a file named go there, so that a test can hold every
// process at its prompt, after each has read the table and before any has
// saved.  With --slow-sync the first flush of a save to the disk leaves
// NAME.syncing in DIR and then takes MS milliseconds, as on a slow or
// network disk, so that a test can make one process outwait another's lock.
// With --slow-rename every rename takes MS milliseconds before it is made.
// Exits 0 when the name was asked, 2 when the score took no place, 1 on bad
// arguments or a prompt that waited in vain.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "scores/file_store.h"
#include "scores/high_scores.h"

namespace {

namespace fs = std::filesystem;

// Leaves name.asked in meeting and waits for go; false when it never came.
bool meet(const fs::path& meeting, const std::string& name)
{
    std::ofstream(meeting / (name + ".asked")) << name;
    for (int i = 0; i < 6000; ++i) {
        if (fs::exists(meeting / "go")) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The disk, its first flush slowed and marked by name.syncing in a folder.
class SlowDisk : public lexidrop::FileSystem {
public:
    SlowDisk(std::chrono::milliseconds delay, fs::path mark) : delay_(delay), mark_(std::move(mark)) {}
    void slowRenames(std::chrono::milliseconds delay) { renameDelay_ = delay; }
    bool rename(const fs::path& from, const fs::path& to) override
    {
        std::this_thread::sleep_for(renameDelay_);
        return FileSystem::rename(from, to);
    }
    bool sync(int handle) override
    {
        if (std::exchange(first_, false)) {
            std::ofstream(mark_) << "syncing";
            std::this_thread::sleep_for(delay_);
        }
        return FileSystem::sync(handle);
    }

private:
    std::chrono::milliseconds delay_; // how long the first flush takes
    fs::path mark_;                   // left there as it starts
    bool first_ = true;               // no flush yet
    std::chrono::milliseconds renameDelay_{0}; // how long each rename takes
};

struct Options {
    std::optional<fs::path> meeting;        // --meet DIR
    std::optional<SlowDisk> slowDisk;       // --slow-sync MS DIR
};

// The options after the three arguments; nothing when they are not understood.
std::optional<Options> parse(int argc, char** argv, const std::string& name)
{
    Options options;
    for (int i = 4; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--meet" && i + 1 < argc) {
            options.meeting = argv[++i];
        } else if (option == "--slow-sync" && i + 2 < argc && !options.slowDisk) {
            const std::chrono::milliseconds delay(std::atoi(argv[i + 1]));
            options.slowDisk.emplace(delay, fs::path(argv[i + 2]) / (name + ".syncing"));
            i += 2;
        } else if (option == "--slow-rename" && i + 1 < argc && options.slowDisk) {
            options.slowDisk->slowRenames(std::chrono::milliseconds(std::atoi(argv[++i])));
        } else {
            return std::nullopt;
        }
    }
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string name = argc >= 4 ? argv[3] : "";
    std::optional<Options> options = parse(argc, argv, name);
    if (argc < 4 || !options) {
        std::cerr << "usage: lexidrop_save_score HS_TXT SCORE NAME [--meet DIR] [--slow-sync MS DIR] "
                     "[--slow-rename MS]\n";
        return 1;
    }
    const auto store = options->slowDisk ? lexidrop::makeFileStore(argv[1], *options->slowDisk)
                                         : lexidrop::makeFileStore(argv[1]);
    lexidrop::HighScores table;
    lexidrop::PlaceLabels names;
    lexidrop::PlaceLabels scores;
    table.LoadHighScores(*store, names, scores);

    bool asked = false;
    bool met = true;
    table.UpdateHighScores(std::atoi(argv[2]), [&](const std::string&, const std::string&) {
        asked = true;
        met = !options->meeting || meet(*options->meeting, name);
        return name;
    }, *store);
    return !met ? 1 : asked ? 0 : 2;
}
