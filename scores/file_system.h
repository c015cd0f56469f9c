// The disk as the high-score file store sees it.
//
// FileSystem is the machine's own file system, reached through the POSIX
// calls, with every operation a virtual function: a test overrides the one
// step it wants to fail (a read-only directory, a full disk, a failed
// rename), which the real disk cannot be made to do on demand, and inherits
// the rest.  Every operation reports failure by its result and never
// throws.  Handles are file descriptors; whoever opens one closes it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lexidrop {

// What stands at a path, the final link not followed.
struct PathNode {
    // The kinds the store tells apart.
    enum class Kind { Missing, Regular, Link, Other };
    Kind kind = Kind::Missing; // what it is
    unsigned owner = 0;        // the user who owns it (a link's own owner)
    unsigned group = 0;        // its group
    unsigned mode = 0;         // its permission bits
    std::uint64_t size = 0;    // its length in bytes
    bool writable = true;      // some write permission is set: not marked read-only
    // Which file stands there and which of its contents: device, inode,
    // size and change times.  Two looks that give the same version saw the
    // same bytes; "" when nothing stands there.
    std::string version;
};

// A lock taken, or why not.
struct LockHandle {
    int handle = -1;        // the locked directory's handle, -1 when not locked
    bool timedOut = false;  // another process held the lock for the whole wait
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // What stands at the path; nothing when that cannot be found out.
    virtual std::optional<PathNode> inspect(const std::filesystem::path& path);
    // What an open handle reads from; nothing when that cannot be found out.
    virtual std::optional<PathNode> inspectOpen(int handle);
    // What a symbolic link points to, as written in it.
    virtual std::optional<std::filesystem::path> linkTarget(const std::filesystem::path& link);
    // The user the game runs as.
    virtual unsigned player();
    // Opens a regular file for reading, never through a final link and
    // never blocking on a pipe; a handle, or -1.
    virtual int openToRead(const std::filesystem::path& file);
    // Reads the next bytes into buffer: how many, 0 at the end, -1 on failure.
    virtual long read(int handle, std::span<char> buffer);
    // Creates a new file for writing, only where nothing stands yet (not
    // even a link or a dangling one), with the mode bits given less the
    // player's umask; a handle, or -1.
    virtual int create(const std::filesystem::path& file, unsigned mode);
    // Gives the file of the handle these permission bits and, where the
    // player may, this group; false when the mode could not be set.
    virtual bool setModeAndGroup(int handle, unsigned mode, unsigned group);
    // Writes all of data to the handle.
    virtual bool write(int handle, std::string_view data);
    // Waits until what was written is on the disk.
    virtual bool sync(int handle);
    // Closes the handle (always released, even when this reports a failure).
    virtual bool close(int handle);
    // Whether a file left by a save is abandoned: a regular file no live
    // process holds (an flock), and not one just made and still empty.
    virtual bool abandoned(const std::filesystem::path& file);
    // Renames from over to, replacing to in one step.
    virtual bool rename(const std::filesystem::path& from, const std::filesystem::path& to);
    // Removes a file or link (never a directory) if it is there.
    virtual void remove(const std::filesystem::path& file);
    // Makes a rename in the directory durable; best effort.
    virtual void syncDirectory(const std::filesystem::path& directory);
    // The names in a directory; none when it cannot be read.
    virtual std::vector<std::string> list(const std::filesystem::path& directory);
    // Takes the exclusive lock of a directory, waiting at most patience for
    // another process to let go of it.  Closing the handle releases the
    // lock, and the system releases it when its holder dies.
    virtual LockHandle lock(const std::filesystem::path& directory, std::chrono::milliseconds patience);
};

// The machine's own file system.
FileSystem& realFileSystem();

} // namespace lexidrop
