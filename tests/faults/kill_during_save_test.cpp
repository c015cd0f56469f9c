// hs.txt survives the program being killed at any moment of a save.
//
// A child process saves a new table through a file system that writes one
// byte at a time with a pause after each, so that a save lasts long enough
// to be cut anywhere: before the temporary file is made, half written,
// after the flush, around the rename.  The parent kills it with SIGKILL at
// a random moment and then finds hs.txt exactly as it was before or
// exactly as the save meant it to be, never anything in between.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "scores/file_store.h"
#include "scores/table_file.h"

namespace lexidrop {
namespace {

constexpr long PausePerByteNs = 150'000; // a 300-byte table takes about 45 ms to write

// The disk, one byte a pause; it tells a pipe when it starts writing.
class SlowFileSystem : public FileSystem {
public:
    explicit SlowFileSystem(int started) : started_(started) {}

    int create(const std::filesystem::path& file, unsigned mode) override { return real().create(file, mode); }
    bool write(int handle, std::string_view data) override
    {
        const char go = 'w';
        if (::write(started_, &go, 1) != 1) {
            return false;
        }
        for (const char byte : data) {
            if (!real().write(handle, std::string_view(&byte, 1))) {
                return false;
            }
            const timespec pause{0, PausePerByteNs};
            ::nanosleep(&pause, nullptr);
        }
        return true;
    }
    bool sync(int handle) override { return real().sync(handle); }
    bool close(int handle) override { return real().close(handle); }
    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override
    {
        return real().rename(from, to);
    }
    void remove(const std::filesystem::path& file) override { real().remove(file); }
    void syncDirectory(const std::filesystem::path& directory) override { real().syncDirectory(directory); }

private:
    static FileSystem& real() { return realFileSystem(); }
    int started_; // write end of the pipe to the parent
};

std::string contentsOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The temporary file a killed save left beside file, if any.
std::optional<std::filesystem::path> leftoverOf(const std::filesystem::path& file)
{
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
        if (isTemporaryFileOf(file, entry.path())) {
            return entry.path();
        }
    }
    return std::nullopt;
}

std::string table(const std::string& who, std::int32_t best)
{
    std::array<std::string, Places> names;
    std::array<std::int32_t, Places> scores{};
    for (int i = 0; i < Places; ++i) {
        names[static_cast<std::size_t>(i)] = who + " number " + std::to_string(i + 1);
        scores[static_cast<std::size_t>(i)] = best - 10 * i;
    }
    return formatTable(names, scores);
}

class KillDuringSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/lexidrop-kill-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        file = dir / "hs.txt";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Starts a child that saves contents; returns its pid once it writes its first byte.
    pid_t startSave(const std::string& contents)
    {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0) {
            ADD_FAILURE() << "pipe";
            return -1;
        }
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeEnds[0]);
            SlowFileSystem slow(pipeEnds[1]);
            const bool saved = makeFileStore(file, slow)->write(contents);
            ::_exit(saved ? 0 : 1);
        }
        ::close(pipeEnds[1]);
        char go = 0;
        if (child < 0 || ::read(pipeEnds[0], &go, 1) != 1) {
            ADD_FAILURE() << "the saving child did not start writing";
        }
        ::close(pipeEnds[0]);
        return child;
    }

    // Puts before in hs.txt, starts the save of after, kills it delayNs
    // later and gives what hs.txt then holds.
    void killSaveAfter(const std::string& before, const std::string& after, long delayNs, std::string& now)
    {
        {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out << before;
        }
        const pid_t child = startSave(after);
        ASSERT_GT(child, 0);
        const timespec wait{delayNs / 1'000'000'000, delayNs % 1'000'000'000};
        ::nanosleep(&wait, nullptr);
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        now = contentsOf(file);
    }

    std::filesystem::path dir;
    std::filesystem::path file;
};

TEST_F(KillDuringSave, LeavesTheOldFileOrTheNewOneWholeNeverAPart)
{
    std::mt19937 random(20240607u);
    const std::string before = table("old", 900);
    const std::string after = table("new", 1900);
    const long writeNs = static_cast<long>(after.size()) * PausePerByteNs;
    int old = 0, replaced = 0, cutMidWrite = 0;
    constexpr int Iterations = 16;
    for (int i = 0; i < Iterations; ++i) {
        // Most kills land while the bytes go out; every fourth one after
        // them, in the flush, the rename or the exit.
        std::uniform_int_distribution<long> during(0, writeNs), late(writeNs, writeNs + 30'000'000);
        const long delay = i % 4 == 3 ? late(random) : during(random);
        std::string now;
        ASSERT_NO_FATAL_FAILURE(killSaveAfter(before, after, delay, now));
        ASSERT_TRUE(now == before || now == after)
            << "iteration " << i << ", killed after " << delay / 1000 << " us: hs.txt has " << now.size()
            << " bytes:\n" << now;
        (now == before ? old : replaced) += 1;
        if (const auto temporary = leftoverOf(file)) {
            cutMidWrite += std::filesystem::file_size(*temporary) < after.size() ? 1 : 0;
            std::filesystem::remove(*temporary); // so that the next round finds only its own
        }
        // What the reader makes of it is a whole table either way.
        EXPECT_TRUE(parseTable(now).complete());
    }
    RecordProperty("kept_old", old);
    RecordProperty("replaced", replaced);
    RecordProperty("cut_mid_write", cutMidWrite);
    std::printf("kill -9 during a save, %d times: old file kept %d, new file whole %d, temporary cut short %d\n",
                Iterations, old, replaced, cutMidWrite);
    // The kills really did cut saves short, and the file stayed whole.
    EXPECT_GE(cutMidWrite, Iterations / 2);
}

TEST_F(KillDuringSave, TheNextSaveAfterAKillReplacesTheFileAndTheLeftOver)
{
    const std::string before = table("old", 900);
    {
        std::ofstream out(file, std::ios::binary);
        out << before;
    }
    const pid_t child = startSave(table("lost", 1500));
    ASSERT_GT(child, 0);
    const timespec wait{0, 10'000'000};
    ::nanosleep(&wait, nullptr);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_EQ(contentsOf(file), before);
    ASSERT_TRUE(leftoverOf(file)) << "the kill came after the save";

    const std::string after = table("new", 1900);
    ASSERT_TRUE(makeFileStore(file, realFileSystem())->write(after));
    EXPECT_EQ(contentsOf(file), after);
    EXPECT_FALSE(leftoverOf(file));
}

} // namespace
} // namespace lexidrop
