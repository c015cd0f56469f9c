// hs.txt on disk.
//
// A FileStore reads hs.txt in pieces of ReadPieceBytes, however large the
// file, and replaces it atomically: a save writes the whole table to a new
// temporary file beside hs.txt, flushes it to the disk and renames it over
// hs.txt, so that a crash or a full disk at any moment leaves either the old
// file or the new one, whole.  A save that fails at any step removes its
// temporary file and leaves hs.txt as it was.  The new file keeps the
// permission bits (and, where the player may give it, the group) of the
// one it replaces, so a table kept private stays private; a first file is
// made as the player's umask says.
//
// The directory may be shared with someone hostile.  The temporary file is
// made exclusively under a fresh random name, never by opening a name that
// may already stand there as a link.  hs.txt itself is used only when it is
// a regular file or missing, or a symbolic link of the player's own, which
// is followed (to at most MaxLinks further links, each the player's own) and
// saved over in its target's directory.  A link of anyone else's, or
// anything that is not a regular file, is neither read, written through nor
// replaced: the game keeps its table in memory and says so once on stderr.
// The same for an hs.txt that is there but cannot be read (another user's,
// or a mode that shuts the player out), one marked read-only (it is still
// read), one beyond MaxTableFileBytes, and a folder on the way that cannot
// be looked into.  Every other save that fails is said, each time.
//
// Windows of the game at once: every save holds the lock of the table's
// own folder, an flock on the folder the table's file really is in
// (whatever link led there), which the system lets go of when its holder
// dies.  A folder, unlike a lock file, cannot be replaced by a planted link.  Under it a save reads the file, puts its entries in and renames
// its new file over the old, so no other window's save comes between.  A
// holder that is slow or stopped makes the save wait (said once, after
// LockPatience); the store never writes without the lock.  Another program
// that replaces hs.txt without the lock is noticed just before the rename
// (the file is no longer the version read), and the save starts over on
// what that program wrote.  While it holds the lock a save clears away
// what crashed saves left behind: only files named as its own temporary
// files, and only those no live process holds.
//
// The reads and the saves of one store may run on two threads at once.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>

#include "scores/file_system.h"
#include "scores/high_scores.h"

namespace lexidrop {

// The size of the pieces in which hs.txt is read: all a load ever holds of it.
constexpr std::size_t ReadPieceBytes = 64 * 1024;

// The most of hs.txt a load reads: a whole table of ten names at their
// longest is under 11 KiB, and a table hidden behind 100 MB of one name
// is still read whole.  Whatever lies beyond is taken as not there, so a
// file that never ends cannot hold up the start; a file that goes on past
// it, whether it was so at the start or grew so during play, is never
// replaced (it is not the game's to cut) and that is said once.
constexpr std::size_t MaxTableFileBytes = 128 * 1024 * 1024;

// How long a save waits for another process's lock before it says it waits.
constexpr std::chrono::milliseconds LockPatience{2000};

// The most links followed from hs.txt to the file it stands for.
constexpr int MaxLinks = 8;

// The folder whose lock a save of file holds: the one file is in.
std::filesystem::path lockedFolderOf(const std::filesystem::path& file);

// True when candidate is named as the temporary file of a save of file, in
// any directory: a name no player gives a file by chance.
bool isTemporaryFileOf(const std::filesystem::path& file, const std::filesystem::path& candidate);

// hs.txt at the given path, on the given file system.  An empty path is no
// file at all: nothing is read, and saves fail without a word (whoever gave
// it has said why).
std::unique_ptr<HighScoreStore> makeFileStore(std::filesystem::path path, FileSystem& fileSystem);

} // namespace lexidrop
