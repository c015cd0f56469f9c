// hs.txt on disk.
//
// A FileStore reads hs.txt in pieces of ReadPieceBytes, however large the
// file, and replaces it atomically: a save writes the whole table to a new
// temporary file beside hs.txt, flushes it to the disk and renames it over
// hs.txt, so that a crash or a full disk at any moment leaves either the old
// file or the new one, whole.  A save that fails at any step removes its
// temporary file and leaves hs.txt as it was.
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
// Windows of the game at once: lock() takes an flock on the lock file
// hs.txt.lock beside hs.txt (hs.txt itself is replaced by every save, so its
// own lock would protect nothing).  A lock another process keeps for longer
// than LockPatience does not stop the game: the store goes on without it,
// says so once on stderr, and from then on only tries for the lock without
// waiting, until it gets it again.  Such a save, or the lock holder's own
// slow one, can be overtaken: so each save reads the file once more just
// before its rename and, when another has saved meanwhile, writes its table
// anew on top of what that one saved.  A save takes the lock itself when
// its caller has not, and while it holds it clears away what crashed saves
// left behind: only temporary files no live process holds (each save holds
// its own).
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
// file that never ends cannot hold up the start; such a file is never
// replaced (it is not the game's to cut) and that is said once.
constexpr std::size_t MaxTableFileBytes = 128 * 1024 * 1024;

// How long a save waits for another process's lock before it goes on without.
constexpr std::chrono::milliseconds LockPatience{2000};

// The most links followed from hs.txt to the file it stands for.
constexpr int MaxLinks = 8;

// The lock file beside hs.txt.
std::filesystem::path lockPathFor(const std::filesystem::path& file);

// True when candidate is named as the temporary file of a save of file
// (or as the one older versions used), in any directory.
bool isTemporaryFileOf(const std::filesystem::path& file, const std::filesystem::path& candidate);

// hs.txt at the given path, on the given file system.
std::unique_ptr<HighScoreStore> makeFileStore(std::filesystem::path path, FileSystem& fileSystem);

} // namespace lexidrop
