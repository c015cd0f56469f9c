// Two windows of the game on one hs.txt: whatever order their reads, name
// prompts and saves come in, every entry one of them saved stays; a lock
// another process holds makes a save wait, and a program that replaces the
// file without the lock has what it wrote taken in, never renamed over.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "scores/file_store.h"
#include "scores/table_file.h"
#include "scores_disk.h"

namespace lexidrop::testing {
namespace {

using Entries = std::vector<std::pair<std::string, std::int32_t>>;

std::string fileOf(const Entries& entries)
{
    std::array<std::string, Places> names;
    std::array<std::int32_t, Places> scores{};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        names.at(i) = entries[i].first;
        scores.at(i) = entries[i].second;
    }
    return formatTable(names, scores);
}

// One window: its table, its labels, and what its name prompt was asked.
struct Window {
    HighScores table;
    PlaceLabels names;
    PlaceLabels scores;
    std::vector<std::string> prompts;

    // A prompt that records its question, runs meanwhile (another window's
    // save, say) and answers name.
    NamePrompt answer(std::string name, std::function<void()> meanwhile = {})
    {
        return [this, name, meanwhile](const std::string& prompt, const std::string&) {
            prompts.push_back(prompt);
            if (meanwhile) {
                meanwhile();
            }
            return name;
        };
    }
};

// Two windows A and B on one file, and what the file holds after both saved.
struct Interleaving {
    const char* what;
    Entries start;
    std::int32_t a, b;                // the two windows' final scores
    bool bAsksWhileASaves;            // false: both read, A saves, then B saves
    std::string bPrompt;              // what B was asked
    Entries saved;                    // the file afterwards
};

std::vector<Interleaving> interleavings()
{
    const Entries full = {{"P1", 100}, {"P2", 90}, {"P3", 80}, {"P4", 70}, {"P5", 60},
                          {"P6", 50},  {"P7", 40}, {"P8", 30}, {"P9", 20}, {"P10", 10}};
    Entries fullWithA = full;
    fullWithA.insert(fullWithA.begin() + 5, {"Ann", 55});
    fullWithA.pop_back();
    return {
        {"both read, A saves, B saves a lower score", {{"Old", 50}}, 300, 200, false,
         std::string(placePrompt(1)), {{"Ann", 300}, {"Bob", 200}, {"Old", 50}}},
        {"both read, A saves, B saves a higher score", {{"Old", 50}}, 200, 300, false,
         std::string(placePrompt(0)), {{"Bob", 300}, {"Ann", 200}, {"Old", 50}}},
        {"B asks for its name while A saves a higher score", {{"Old", 50}}, 300, 200, true,
         std::string(placePrompt(0)), {{"Ann", 300}, {"Bob", 200}, {"Old", 50}}},
        {"B asks for its name while A saves a lower score", {{"Old", 50}}, 200, 300, true,
         std::string(placePrompt(0)), {{"Bob", 300}, {"Ann", 200}, {"Old", 50}}},
        {"A's save while B asks leaves B's score no place", full, 55, 15, true,
         std::string(placePrompt(9)), fullWithA},
        {"A saves the same score while B asks: an equal score takes no place", {{"Old", 50}}, 70, 70, true,
         std::string(placePrompt(0)), {{"Ann", 70}, {"Old", 50}}},
    };
}

// Plays one interleaving and checks B's prompt, the file and what B shows.
void expectBothEntriesKept(const Interleaving& c)
{
    TempDir dir;
    writeFile(dir.hs(), fileOf(c.start));
    const auto store = makeFileStore(dir.hs());
    Window a, b;
    a.table.LoadHighScores(*store, a.names, a.scores);
    b.table.LoadHighScores(*store, b.names, b.scores);
    const auto aSaves = [&] { a.table.UpdateHighScores(c.a, a.answer("Ann"), *store); };
    if (c.bAsksWhileASaves) {
        b.table.UpdateHighScores(c.b, b.answer("Bob", aSaves), *store);
    } else {
        aSaves();
        b.table.UpdateHighScores(c.b, b.answer("Bob"), *store);
    }
    EXPECT_EQ(b.prompts, std::vector<std::string>{c.bPrompt});
    EXPECT_EQ(readFile(dir.hs()), fileOf(c.saved));
    // The later window shows the file as it is now.
    b.table.ShowHighScores(b.names, b.scores);
    for (std::size_t i = 0; i < c.saved.size(); ++i) {
        EXPECT_EQ(b.names.at(i), c.saved[i].first);
        EXPECT_EQ(b.scores.at(i), std::to_string(c.saved[i].second));
    }
}

TEST(SharedHighScoreFile, TwoWindowsKeepBothEntriesHoweverTheirReadsPromptsAndSavesInterleave)
{
    for (const Interleaving& c : interleavings()) {
        SCOPED_TRACE(c.what);
        expectBothEntriesKept(c);
    }
}

TEST(SharedHighScoreFile, AnEntryWhoseSaveFailedIsSavedWithTheNextOneOverWhatOthersSaved)
{
    // A window whose save failed (a full disk, say) keeps its entry in
    // memory; its next save adds it to what the other window has saved.
    struct RefusingOnce : FileSystem {
        bool refuse = true;
        int create(const std::filesystem::path& file, unsigned mode) override
        {
            return std::exchange(refuse, false) ? -1 : FileSystem::create(file, mode);
        }
    };
    TempDir dir;
    RefusingOnce disk;
    const auto storeA = makeFileStore(dir.hs(), disk);
    const auto storeB = makeFileStore(dir.hs());
    Window a, b;
    writeFile(dir.hs(), fileOf({}));
    a.table.LoadHighScores(*storeA, a.names, a.scores);
    b.table.LoadHighScores(*storeB, b.names, b.scores);
    a.table.UpdateHighScores(300, a.answer("Ann"), *storeA); // refused
    EXPECT_EQ(readFile(dir.hs()), fileOf({}));
    b.table.UpdateHighScores(200, b.answer("Bob"), *storeB);
    a.table.UpdateHighScores(100, a.answer("Cy"), *storeA);
    EXPECT_EQ(readFile(dir.hs()), fileOf({{"Ann", 300}, {"Bob", 200}, {"Cy", 100}}));
}

// A disk on which another program replaces hs.txt, without the lock, while
// this window's file is being flushed, as on a slow disk: once, or at
// every flush.
struct Replaced : FileSystem {
    std::filesystem::path file;
    std::vector<std::string> replacements; // what the other program writes, one per flush
    int flushes = 0;
    bool sync(int handle) override
    {
        if (static_cast<std::size_t>(flushes) < replacements.size()) {
            const std::filesystem::path theirs = file.string() + ".theirs";
            writeFile(theirs, replacements.at(static_cast<std::size_t>(flushes)));
            std::filesystem::rename(theirs, file);
        }
        ++flushes;
        return FileSystem::sync(handle);
    }
};

// Ann saves 300 over a file of "Old 50", which another program replaces
// at her first flushes; what was said meanwhile.
struct ReplacedWhileSaving {
    TempDir dir;
    Replaced disk;
    std::unique_ptr<HighScoreStore> store;
    Window ann;
    std::string said;

    explicit ReplacedWhileSaving(std::vector<std::string> replacements)
    {
        writeFile(dir.hs(), fileOf({{"Old", 50}}));
        disk.file = dir.hs();
        disk.replacements = std::move(replacements);
        store = makeFileStore(dir.hs(), disk);
        ann.table.LoadHighScores(*store, ann.names, ann.scores);
        ::testing::internal::CaptureStderr();
        ann.table.UpdateHighScores(300, ann.answer("Ann"), *store);
        said = ::testing::internal::GetCapturedStderr();
    }
};

TEST(SharedHighScoreFile, AProgramThatReplacesTheFileWithoutTheLockDuringASaveKeepsWhatItWrote)
{
    const ReplacedWhileSaving save({fileOf({{"Cy", 250}, {"Old", 50}}), fileOf({{"Cy", 250}, {"Di", 150}, {"Old", 50}})});
    EXPECT_EQ(readFile(save.dir.hs()), fileOf({{"Ann", 300}, {"Cy", 250}, {"Di", 150}, {"Old", 50}}));
    EXPECT_EQ(save.said, "");
    EXPECT_EQ(save.dir.entries(), std::vector<std::string>{"hs.txt"}) << "no temporary file is left";
}

TEST(SharedHighScoreFile, AFileReplacedAtEveryFlushIsLeftToItsWriterAndTheEntryWaitsInMemory)
{
    std::vector<std::string> everyFlush;
    for (int i = 0; i < 40; ++i) {
        everyFlush.push_back(fileOf({{"Cy", 250 + i}, {"Old", 50}}));
    }
    ReplacedWhileSaving save(everyFlush);
    EXPECT_EQ(readFile(save.dir.hs()).substr(0, 5), "\"Cy\"\r") << "never a stale table over what they wrote";
    EXPECT_NE(save.said.find("cannot save"), std::string::npos) << save.said;
    // Once the other program is done, the next save brings the entry in.
    save.disk.replacements.clear();
    save.ann.table.UpdateHighScores(100, save.ann.answer("Bo"), *save.store);
    EXPECT_EQ(readFile(save.dir.hs()).substr(0, 12), "\"Ann\"\r\n300\r\n");
}

// A process that takes the folder's lock and stops, lock in hand, until
// it is killed; -1 when it could not.
pid_t stoppedLockHolder(const std::filesystem::path& folder)
{
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0) {
            ::_exit(1);
        }
        ::raise(SIGSTOP);
        ::_exit(0);
    }
    int status = 0;
    if (holder < 0 || ::waitpid(holder, &status, WUNTRACED) != holder || !WIFSTOPPED(status)) {
        return -1;
    }
    return holder;
}

TEST(SharedHighScoreFile, ALockHeldByAStoppedProcessMakesTheSaveWaitNotGoOnWithoutIt)
{
    TempDir dir;
    writeFile(dir.hs(), fileOf({{"Old", 50}}));
    const pid_t holder = stoppedLockHolder(dir.path());
    ASSERT_GT(holder, 0) << "the holder could not take the lock";

    const auto store = makeFileStore(dir.hs());
    Window window;
    window.table.LoadHighScores(*store, window.names, window.scores);
    std::atomic<bool> saved = false;
    ::testing::internal::CaptureStderr();
    std::thread saver([&] {
        window.table.UpdateHighScores(300, window.answer("Ann"), *store);
        saved = true;
    });
    std::this_thread::sleep_for(LockPatience + std::chrono::milliseconds(500));
    const bool savedWhileHeld = saved;
    const std::string whileHeld = readFile(dir.hs());
    ::kill(holder, SIGKILL); // the system lets go of a dead holder's lock
    ::waitpid(holder, nullptr, 0);
    saver.join();
    const std::string said = ::testing::internal::GetCapturedStderr();

    EXPECT_FALSE(savedWhileHeld);
    EXPECT_EQ(whileHeld, fileOf({{"Old", 50}}));
    EXPECT_EQ(readFile(dir.hs()), fileOf({{"Ann", 300}, {"Old", 50}}));
    EXPECT_NE(said.find("waits for it"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << "said once: " << said;
}

} // namespace
} // namespace lexidrop::testing
