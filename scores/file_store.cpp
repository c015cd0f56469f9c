#include "scores/file_store.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace lexidrop {

namespace {

namespace fs = std::filesystem;

// What follows the file's name in the name of a save's temporary file.
constexpr std::string_view TemporaryInfix = ".tmp";
constexpr std::string_view TemporaryMark = ".tmp-";
constexpr std::size_t TemporaryRandomChars = 8;
constexpr std::string_view NameChars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// Fresh names to try for a new temporary file before giving up.
constexpr int TemporaryAttempts = 64;

// The most times a save writes its file anew because another window saved
// meanwhile without the lock; after that its latest file is renamed as is.
constexpr int RebuildRounds = 8;

// The things a store says on stderr, each at most once.
enum class Notice { Refused, Unlocked, SaveFailed, Count };

class FileStore : public HighScoreStore {
public:
    FileStore(fs::path path, FileSystem& fileSystem) : path_(std::move(path)), fs_(fileSystem) {}
    ~FileStore() override
    {
        if (lockHandle_ >= 0) {
            fs_.close(lockHandle_);
        }
    }
    FileStore(const FileStore&) = delete;
    FileStore& operator=(const FileStore&) = delete;

    std::optional<std::string> read() override;
    bool readPieces(const PieceReader& take) override;
    bool write(std::string_view contents) override;
    bool writeMerged(std::string_view contents, const Rebuild& rebuild) override;
    void lock() override;
    void unlock() override;

private:
    // The file the table is in: hs.txt, or where the player's links lead;
    // nothing when hs.txt must not be used or cannot be looked at.
    std::optional<fs::path> target();
    // Writes a temporary file in target's directory and renames it over
    // target, with what rebuild gives at the last moment when that differs.
    bool replace(const fs::path& target, std::string_view contents, const Rebuild& rebuild);
    // Writes contents to a new temporary file for target, flushed to the
    // disk; made names it.  On failure nothing is left.
    bool writeTemporary(const fs::path& target, std::string_view contents, fs::path& made);
    // A new temporary file for target, its handle or -1; made names it.
    int createTemporary(const fs::path& target, fs::path& made);
    // Removes the temporary files that killed saves of target left behind.
    void removeLeftovers(const fs::path& target);
    // False, saying why once, for a file the store must leave as it is.
    bool replaceable(const fs::path& file);
    // Says what on stderr, unless this kind of thing was said before.
    void notice(Notice kind, const std::string& what);

    fs::path path_;                    // hs.txt as the game names it
    FileSystem& fs_;                   // the disk
    int lockDepth_ = 0;                // lock() calls not yet unlocked
    int lockHandle_ = -1;              // the lock file while locked, -1 otherwise
    bool stuck_ = false;               // another process kept the lock past the patience
    bool unreadable_ = false;          // hs.txt is there but could not be read: never replaced
    bool oversized_ = false;           // hs.txt goes on past the most a load reads: never replaced
    std::array<bool, static_cast<std::size_t>(Notice::Count)> said_{}; // notices given
    std::mt19937 random_{std::random_device{}()}; // names of temporary files
};

std::optional<std::string> FileStore::read()
{
    std::string bytes;
    if (!readPieces([&](std::string_view piece) {
            bytes.append(piece);
            return true;
        })) {
        return std::nullopt;
    }
    return bytes;
}

bool FileStore::readPieces(const PieceReader& take)
{
    const std::optional<fs::path> file = target();
    const int handle = file ? fs_.openToRead(*file) : -1;
    if (handle < 0) {
        const std::optional<PathNode> node = file ? fs_.inspect(*file) : std::nullopt;
        if (node && node->kind == PathNode::Kind::Regular) {
            // There, and not ours to read (another user's, or a mode that
            // shuts us out): a save would replace a table we never saw.
            unreadable_ = true;
            notice(Notice::Refused, file->string() + " cannot be read; the high scores are kept in memory and "
                                                     "the file is left as it is");
        }
        return false;
    }
    std::vector<char> buffer(ReadPieceBytes);
    long got = 0;
    for (std::size_t left = MaxTableFileBytes; left > 0 && (got = fs_.read(handle, buffer)) > 0;) {
        const std::size_t piece = std::min(left, static_cast<std::size_t>(got));
        left -= piece;
        if (!take(std::string_view(buffer.data(), piece))) {
            break;
        }
        if (left == 0 && (static_cast<std::size_t>(got) > piece || fs_.read(handle, buffer) > 0)) {
            oversized_ = true;
            notice(Notice::Refused, file->string() + " is larger than any table; only its first " +
                                        std::to_string(MaxTableFileBytes >> 20) +
                                        " MiB are read, and the file is left as it is");
        }
    }
    fs_.close(handle);
    return got >= 0;
}

bool FileStore::write(std::string_view contents) { return writeMerged(contents, Rebuild()); }

bool FileStore::writeMerged(std::string_view contents, const Rebuild& rebuild)
{
    const std::optional<fs::path> file = target();
    if (!file || !replaceable(*file)) {
        return false; // said once, when it was found
    }
    lock();
    const bool saved = replace(*file, contents, rebuild);
    if (saved && lockHandle_ >= 0) {
        removeLeftovers(*file);
    }
    unlock();
    if (!saved) {
        notice(Notice::SaveFailed, "cannot save the high scores to " + file->string() +
                                       "; the table is kept in memory");
    }
    return saved;
}

bool FileStore::replaceable(const fs::path& file)
{
    if (unreadable_ || oversized_) {
        return false;
    }
    const std::optional<PathNode> node = fs_.inspect(file);
    if (node && node->kind == PathNode::Kind::Regular && !node->writable) {
        notice(Notice::Refused, file.string() + " is marked read-only; the high scores are kept in memory and "
                                                "the file is left as it is");
        return false;
    }
    return true;
}

void FileStore::lock()
{
    if (lockDepth_++ > 0) {
        return;
    }
    const fs::path lockFile = lockPathFor(path_);
    // Once another process has kept the lock past the patience, it is
    // taken to be stuck: later saves only try for it, and wait no more.
    const LockHandle got = fs_.lock(lockFile, stuck_ ? std::chrono::milliseconds(0) : LockPatience);
    lockHandle_ = got.handle;
    stuck_ = got.timedOut || (stuck_ && got.handle < 0);
    const std::optional<PathNode> node = got.handle < 0 ? fs_.inspect(lockFile) : std::nullopt;
    if (got.timedOut) {
        notice(Notice::Unlocked, "another process has held " + lockFile.string() +
                                     " for more than 2 s; saving without waiting for it");
    } else if (node && node->kind != PathNode::Kind::Regular && node->kind != PathNode::Kind::Missing) {
        notice(Notice::Unlocked, lockFile.string() + " is not a regular file; saving without the lock");
    } else if (node && node->kind == PathNode::Kind::Regular) {
        notice(Notice::Unlocked, "cannot open the lock file " + lockFile.string() + "; saving without the lock");
    }
}

void FileStore::unlock()
{
    if (lockDepth_ == 0 || --lockDepth_ > 0) {
        return;
    }
    if (lockHandle_ >= 0) {
        fs_.close(lockHandle_);
        lockHandle_ = -1;
    }
}

std::optional<fs::path> FileStore::target()
{
    fs::path at = path_;
    for (int links = 0; links <= MaxLinks; ++links) {
        const std::optional<PathNode> node = fs_.inspect(at);
        if (!node) {
            // A folder on the way is a file, or shuts us out.
            notice(Notice::Refused, "cannot look into " + at.parent_path().string() + " for " +
                                        at.filename().string() + "; the high scores are kept in memory and not saved");
            return std::nullopt;
        }
        if (node->kind == PathNode::Kind::Missing || node->kind == PathNode::Kind::Regular) {
            return at;
        }
        if (node->kind == PathNode::Kind::Other) {
            notice(Notice::Refused, at.string() + " is not a regular file; the high scores are kept in memory");
            return std::nullopt;
        }
        const std::optional<fs::path> next = fs_.linkTarget(at);
        if (node->owner != fs_.player() || !next) {
            notice(Notice::Refused, at.string() + " is a link that is not the player's own; the high scores "
                                                  "are kept in memory");
            return std::nullopt;
        }
        at = next->is_absolute() ? *next : at.parent_path() / *next;
    }
    notice(Notice::Refused, path_.string() + " leads through too many links; the high scores are kept in memory");
    return std::nullopt;
}

bool FileStore::replace(const fs::path& target, std::string_view contents, const Rebuild& rebuild)
{
    std::string now(contents);
    fs::path temporary;
    for (int round = 0;; ++round) {
        if (!writeTemporary(target, now, temporary)) {
            return false;
        }
        // The flush may have taken long enough for a window that gave up
        // on the lock to save: its entries are taken in, not renamed over.
        std::string again = rebuild && round < RebuildRounds ? rebuild() : now;
        if (!replaceable(target)) {
            fs_.remove(temporary); // it has become a file not ours to replace
            return false;
        }
        if (again == now) {
            break;
        }
        fs_.remove(temporary);
        now = std::move(again);
    }
    if (!fs_.rename(temporary, target)) {
        fs_.remove(temporary);
        return false;
    }
    fs_.syncDirectory(target.parent_path());
    return true;
}

bool FileStore::writeTemporary(const fs::path& target, std::string_view contents, fs::path& made)
{
    const int handle = createTemporary(target, made);
    if (handle < 0) {
        return false;
    }
    bool written = fs_.write(handle, contents);
    written = written && fs_.sync(handle);
    written = fs_.close(handle) && written;
    if (!written) {
        fs_.remove(made);
    }
    return written;
}

int FileStore::createTemporary(const fs::path& target, fs::path& made)
{
    std::uniform_int_distribution<std::size_t> pick(0, NameChars.size() - 1);
    for (int attempt = 0; attempt < TemporaryAttempts; ++attempt) {
        std::string name = target.filename().string();
        name += TemporaryMark;
        for (std::size_t i = 0; i < TemporaryRandomChars; ++i) {
            name += NameChars.at(pick(random_));
        }
        made = target.parent_path() / name;
        const int handle = fs_.create(made);
        if (handle >= 0) {
            // In use until closed: another window's clean-up leaves it be.
            fs_.holdExclusively(handle);
        }
        const std::optional<PathNode> there = handle < 0 ? fs_.inspect(made) : std::nullopt;
        if (handle >= 0 || !there || there->kind == PathNode::Kind::Missing) {
            return handle; // made, or failed for a reason a new name cannot mend
        }
    }
    return -1;
}

void FileStore::removeLeftovers(const fs::path& target)
{
    for (const std::string& name : fs_.list(target.parent_path())) {
        // Only what a killed save left: a slow save of another window
        // still holds its file.
        const fs::path file = target.parent_path() / name;
        if (isTemporaryFileOf(target, name) && fs_.abandoned(file)) {
            fs_.remove(file);
        }
    }
}

void FileStore::notice(Notice kind, const std::string& what)
{
    // Every failed save is told: each is a score the player may believe kept.
    bool& said = said_.at(static_cast<std::size_t>(kind));
    if (!said || kind == Notice::SaveFailed) {
        said = true;
        // stdio, not <iostream>: its static set-up of the standard streams
        // and their locale costs the program about 250 KiB at every start.
        std::fprintf(stderr, "lexidrop: %s\n", what.c_str());
    }
}

} // namespace

fs::path lockPathFor(const fs::path& file)
{
    fs::path lockFile = file;
    lockFile += ".lock";
    return lockFile;
}

bool isTemporaryFileOf(const fs::path& file, const fs::path& candidate)
{
    const std::string base = file.filename().string();
    const std::string name = candidate.filename().string();
    if (name == base + std::string(TemporaryInfix)) {
        return true; // the fixed name older versions wrote
    }
    const std::string prefix = base + std::string(TemporaryMark);
    return name.size() == prefix.size() + TemporaryRandomChars && name.starts_with(prefix) &&
           name.find_first_not_of(NameChars, prefix.size()) == std::string::npos;
}

std::unique_ptr<HighScoreStore> makeFileStore(fs::path path, FileSystem& fileSystem)
{
    return std::make_unique<FileStore>(std::move(path), fileSystem);
}

std::unique_ptr<HighScoreStore> makeFileStore(fs::path path)
{
    return makeFileStore(std::move(path), realFileSystem());
}

} // namespace lexidrop
