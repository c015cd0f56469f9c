// One window's worth of hs.txt, for tests that run several processes on one
// directory: loads the table as the game starts, then ends a game with the
// given score and answers the name prompt with the given name.
//
//   lexidrop_save_score HS_TXT SCORE NAME [MEETING_DIR]
//
// With MEETING_DIR the name prompt first leaves NAME.asked there and then
// waits (at most 60 s) for a file named go, so that a test can hold every
// process at its prompt, after each has read the table and before any has
// saved.  Exits 0 when the name was asked, 2 when the score took no place,
// 1 on bad arguments or a prompt that waited in vain.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

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

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5) {
        std::cerr << "usage: lexidrop_save_score HS_TXT SCORE NAME [MEETING_DIR]\n";
        return 1;
    }
    const std::string name = argv[3];
    const auto store = lexidrop::makeFileStore(argv[1]);
    lexidrop::HighScores table;
    lexidrop::PlaceLabels names;
    lexidrop::PlaceLabels scores;
    table.LoadHighScores(*store, names, scores);

    bool asked = false;
    bool met = true;
    table.UpdateHighScores(std::atoi(argv[2]), [&](const std::string&, const std::string&) {
        asked = true;
        met = argc == 4 || meet(argv[4], name);
        return name;
    }, *store);
    return !met ? 1 : asked ? 0 : 2;
}
