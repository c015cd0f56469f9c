// hs.txt on disk.
//
// FileStore reads the start of the file and replaces it atomically: a save
// writes the whole table to a temporary file beside hs.txt, flushes it to
// the disk and renames it over hs.txt, so that a crash or a full disk at any
// moment leaves either the old file or the new one, whole.  A save that
// fails at any step removes the temporary file and leaves hs.txt as it was.
//
// Every disk operation goes through a FileSystem, so that tests can make
// any single step fail (a read-only directory, a full disk, a failed
// rename), which the real disk cannot be made to do on demand.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "scores/high_scores.h"

namespace lexidrop {

// The disk operations a FileStore needs, each reporting failure by its result.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // At most limit bytes from the start of a regular file; nothing when it
    // is missing, not a regular file, or cannot be read.
    virtual std::optional<std::string> readStart(const std::filesystem::path& file, std::size_t limit) = 0;
    // Creates or truncates the file for writing; a handle, or -1.
    virtual int create(const std::filesystem::path& file) = 0;
    // Writes all of data to the handle.
    virtual bool write(int handle, std::string_view data) = 0;
    // Waits until what was written is on the disk.
    virtual bool sync(int handle) = 0;
    // Closes the handle (always released, even when this reports a failure).
    virtual bool close(int handle) = 0;
    // Renames from over to, replacing to in one step.
    virtual bool rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    // Removes a file if it is there.
    virtual void remove(const std::filesystem::path& file) = 0;
    // Makes a rename in the directory durable; best effort.
    virtual void syncDirectory(const std::filesystem::path& directory) = 0;
};

// The machine's own file system.
FileSystem& realFileSystem();

// The temporary file a save of this hs.txt writes before the rename.
std::filesystem::path temporaryPathFor(const std::filesystem::path& file);

// hs.txt at the given path, on the given file system.
std::unique_ptr<HighScoreStore> makeFileStore(std::filesystem::path path, FileSystem& fileSystem);

} // namespace lexidrop
