#include "scores/file_store.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace lexidrop {

namespace {

namespace fs = std::filesystem;

// The name of a save's temporary file: "." + the file's name + the mark +
// random hex digits.  Hidden, and long enough that no player's own file
// ("hs.txt.tmp", "hs.txt.backup") is ever taken for one.
constexpr std::string_view TemporaryMark = ".lexidrop-save-";
constexpr std::size_t TemporaryRandomChars = 16;
constexpr std::string_view NameChars = "0123456789abcdef";

// Fresh names to try for a new temporary file before giving up.
constexpr int TemporaryAttempts = 64;

// Modes: a temporary file stays the player's alone until it is given the
// old file's mode; a first file takes what the umask leaves of the usual.
constexpr unsigned PrivateMode = 0600;
constexpr unsigned NewFileMode = 0666;
constexpr unsigned PermissionBits = 0777;

// The things a store says on stderr, each at most once (a failed save each time).
enum class Notice { Refused, Lock, Waiting, SaveFailed, Count };

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
    StoreRead readPieces(const PieceReader& take) override;
    bool write(std::string_view contents) override;
    WriteResult replace(std::string_view contents, const std::string& seen) override;
    bool lock() override;
    void unlock() override;
    void saveFailed() override;

private:
    // The file the table is in: hs.txt, or where the player's links lead;
    // nothing when hs.txt must not be used or cannot be looked at.
    std::optional<fs::path> target();
    // Reads an open file of the given length into take, up to the bound;
    // false on a read error.
    bool readOpen(int handle, const fs::path& file, std::uint64_t size, const PieceReader& take);
    // Takes the folder's lock, waiting as long as it is held.
    int waitForLock(const fs::path& folder);
    // Replaces the locked file when it is still the version seen (any, when none).
    WriteResult replaceLocked(std::string_view contents, const std::optional<std::string>& seen);
    // Writes contents to a new temporary file for target, flushed to the
    // disk; made names it.  On failure nothing is left.
    bool writeTemporary(const fs::path& target, const std::optional<PathNode>& old, std::string_view contents,
                       fs::path& made);
    // A new temporary file for target with the old file's mode, or -1.
    int createTemporary(const fs::path& target, const std::optional<PathNode>& old, fs::path& made);
    // Removes the temporary files that killed saves of target left behind.
    void removeLeftovers(const fs::path& target);
    // False, saying why once, for a file the store must leave as it is.
    bool replaceable(const fs::path& file);
    // Marks the file as one never to replace, and says why once.
    void refuse(std::atomic<bool>& flag, const std::string& why);
    // Says what on stderr, unless this kind of thing was said before.
    void notice(Notice kind, const std::string& what);

    fs::path path_;                            // hs.txt as the game names it
    FileSystem& fs_;                           // the disk
    // The save's own: only the thread that saves touches these.
    int lockDepth_ = 0;                        // lock() calls not yet unlocked
    int lockHandle_ = -1;                      // the lock file while locked, -1 otherwise
    std::optional<fs::path> locked_;           // the file whose lock is held
    bool refusedQuietly_ = false;              // the last failure was a refusal said before
    std::mt19937 random_{std::random_device{}()}; // names of temporary files
    // Shared by the reads and the saves.
    std::atomic<bool> unreadable_ = false;     // hs.txt is there but could not be read: never replaced
    std::atomic<bool> oversized_ = false;      // hs.txt goes on past the most a load reads: never replaced
    std::mutex saying_;                        // one notice at a time
    std::array<bool, static_cast<std::size_t>(Notice::Count)> said_{}; // notices given
};

std::optional<std::string> FileStore::read()
{
    std::string bytes;
    const StoreRead got = readPieces([&](std::string_view piece) {
        bytes.append(piece);
        return true;
    });
    return got.status == ReadStatus::Read ? std::optional(std::move(bytes)) : std::nullopt;
}

StoreRead FileStore::readPieces(const PieceReader& take)
{
    const std::optional<fs::path> file = target();
    if (!file) {
        return {ReadStatus::Failed, ""};
    }
    const int handle = fs_.openToRead(*file);
    if (handle < 0) {
        const std::optional<PathNode> node = fs_.inspect(*file);
        if (node && node->kind == PathNode::Kind::Missing) {
            return {ReadStatus::Missing, ""};
        }
        if (node && node->kind == PathNode::Kind::Regular) {
            // There, and not ours to read (another user's, or a mode that
            // shuts us out): a save would replace a table we never saw.
            refuse(unreadable_, file->string() + " cannot be read; the high scores are kept in memory and "
                                                 "the file is left as it is");
        }
        return {ReadStatus::Failed, ""};
    }
    const std::optional<PathNode> opened = fs_.inspectOpen(handle);
    const bool read = opened && readOpen(handle, *file, opened->size, take);
    fs_.close(handle);
    return read ? StoreRead{ReadStatus::Read, opened->version} : StoreRead{ReadStatus::Failed, ""};
}

bool FileStore::readOpen(int handle, const fs::path& file, std::uint64_t size, const PieceReader& take)
{
    const std::string oversized = file.string() + " is larger than any table; only its first " +
                                  std::to_string(MaxTableFileBytes >> 20) + " MiB are read, and the file is left as it is";
    if (size > MaxTableFileBytes) {
        refuse(oversized_, oversized); // the reader may stop at its twentieth item, long before the end
    }
    std::vector<char> buffer(ReadPieceBytes);
    long got = 0;
    for (std::size_t left = MaxTableFileBytes; left > 0 && (got = fs_.read(handle, buffer)) > 0;) {
        const std::size_t piece = std::min(left, static_cast<std::size_t>(got));
        left -= piece;
        if (!take(std::string_view(buffer.data(), piece))) {
            break;
        }
        // A file whose length says less than it holds (a file of /proc, say).
        if (left == 0 && (static_cast<std::size_t>(got) > piece || fs_.read(handle, buffer) > 0)) {
            refuse(oversized_, oversized);
        }
    }
    return got >= 0;
}

bool FileStore::write(std::string_view contents)
{
    WriteResult written = WriteResult::Failed;
    if (lock()) {
        written = replaceLocked(contents, std::nullopt);
    }
    unlock();
    if (written != WriteResult::Written) {
        saveFailed();
    }
    return written == WriteResult::Written;
}

WriteResult FileStore::replace(std::string_view contents, const std::string& seen)
{
    return replaceLocked(contents, seen);
}

void FileStore::saveFailed()
{
    // Every failed save is told: each is a score the player may believe
    // kept.  A refusal was told once, when it was found.
    const bool refused = std::exchange(refusedQuietly_, false) || unreadable_ || oversized_;
    if (!refused) {
        notice(Notice::SaveFailed, "cannot save the high scores to " + locked_.value_or(path_).string() +
                                       "; the table is kept in memory");
    }
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

void FileStore::refuse(std::atomic<bool>& flag, const std::string& why)
{
    flag = true;
    notice(Notice::Refused, why);
}

bool FileStore::lock()
{
    if (lockDepth_++ > 0) {
        return lockHandle_ >= 0;
    }
    locked_ = path_.empty() ? std::nullopt : target();
    if (!locked_) {
        refusedQuietly_ = true; // said when it was found
        return false;
    }
    const fs::path folder = lockedFolderOf(*locked_);
    lockHandle_ = waitForLock(folder);
    if (lockHandle_ >= 0) {
        return true;
    }
    notice(Notice::Lock, "cannot lock " + folder.string() + ", so no save could keep other windows out; "
                                                            "the high scores are kept in memory");
    refusedQuietly_ = true;
    return false;
}

int FileStore::waitForLock(const fs::path& folder)
{
    LockHandle got = fs_.lock(folder, LockPatience);
    while (got.timedOut) {
        // Slow or stopped, the holder may be a save on its way to the disk:
        // going on without it could lose what it saves.
        notice(Notice::Waiting, "another process has held the lock of " + folder.string() +
                                    " for more than 2 s; the save waits for it");
        got = fs_.lock(folder, LockPatience);
    }
    return got.handle;
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
    for (int links = 0; links <= MaxLinks && !path_.empty(); ++links) {
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
    if (!path_.empty()) {
        notice(Notice::Refused, path_.string() + " leads through too many links; the high scores are kept in memory");
    }
    return std::nullopt;
}

WriteResult FileStore::replaceLocked(std::string_view contents, const std::optional<std::string>& seen)
{
    if (lockHandle_ < 0 || !locked_ || target() != locked_) {
        return WriteResult::Failed; // not ours to write now: the links moved under the lock
    }
    const fs::path& file = *locked_;
    const std::optional<PathNode> old = fs_.inspect(file);
    if (!replaceable(file)) {
        refusedQuietly_ = true;
        return WriteResult::Failed;
    }
    if (seen && (!old || old->version != *seen)) {
        return WriteResult::Changed;
    }
    fs::path temporary;
    if (!writeTemporary(file, old, contents, temporary)) {
        return WriteResult::Failed;
    }
    // The flush may have taken long enough for a program that does not
    // lock to replace the file: what it wrote is read, not renamed over.
    const std::optional<PathNode> now = fs_.inspect(file);
    const bool changed = seen && (!now || now->version != *seen);
    if (changed || !fs_.rename(temporary, file)) {
        fs_.remove(temporary);
        return changed ? WriteResult::Changed : WriteResult::Failed;
    }
    fs_.syncDirectory(file.parent_path());
    removeLeftovers(file);
    return WriteResult::Written;
}

bool FileStore::writeTemporary(const fs::path& target, const std::optional<PathNode>& old, std::string_view contents,
                               fs::path& made)
{
    const int handle = createTemporary(target, old, made);
    if (handle < 0) {
        return false;
    }
    bool written = fs_.write(handle, contents);
    written = written && fs_.sync(handle);
    written = fs_.close(handle) && written; // a network disk may report a failed write only here
    if (!written) {
        fs_.remove(made);
    }
    return written;
}

int FileStore::createTemporary(const fs::path& target, const std::optional<PathNode>& old, fs::path& made)
{
    const bool replacing = old && old->kind == PathNode::Kind::Regular;
    std::uniform_int_distribution<std::size_t> pick(0, NameChars.size() - 1);
    for (int attempt = 0; attempt < TemporaryAttempts; ++attempt) {
        std::string name = "." + target.filename().string() + std::string(TemporaryMark);
        for (std::size_t i = 0; i < TemporaryRandomChars; ++i) {
            name += NameChars.at(pick(random_));
        }
        made = target.parent_path() / name;
        int handle = fs_.create(made, replacing ? PrivateMode : NewFileMode);
        if (handle >= 0 && replacing && !fs_.setModeAndGroup(handle, old->mode & PermissionBits, old->group)) {
            fs_.close(handle);
            fs_.remove(made);
            return -1;
        }
        if (handle >= 0) {
            return handle;
        }
        const std::optional<PathNode> there = fs_.inspect(made);
        if (!there || there->kind == PathNode::Kind::Missing) {
            return -1; // failed for a reason a new name cannot mend
        }
    }
    return -1;
}

void FileStore::removeLeftovers(const fs::path& target)
{
    for (const std::string& name : fs_.list(target.parent_path())) {
        // Only what a killed save left: a slow save still holds its file.
        const fs::path file = target.parent_path() / name;
        if (isTemporaryFileOf(target, name) && fs_.abandoned(file)) {
            fs_.remove(file);
        }
    }
}

void FileStore::notice(Notice kind, const std::string& what)
{
    const std::lock_guard<std::mutex> one(saying_);
    bool& said = said_.at(static_cast<std::size_t>(kind));
    if (!said || kind == Notice::SaveFailed) {
        said = true;
        // stdio, not <iostream>: its static set-up of the standard streams
        // and their locale costs the program about 250 KiB at every start.
        std::fprintf(stderr, "lexidrop: %s\n", what.c_str());
    }
}

} // namespace

fs::path lockedFolderOf(const fs::path& file)
{
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

bool isTemporaryFileOf(const fs::path& file, const fs::path& candidate)
{
    const std::string prefix = "." + file.filename().string() + std::string(TemporaryMark);
    const std::string name = candidate.filename().string();
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
