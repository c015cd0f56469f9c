// The file layer uses the POSIX calls directly: the standard library can
// neither flush a file to the disk, create a file exclusively, lock one, nor
// tell a directory or a pipe from a file before reading it.
#include "scores/file_system.h"

#include <cerrno>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lexidrop {

namespace {

// How often a waiting lock looks again.
constexpr std::chrono::milliseconds LockPoll{10};
// An empty temporary file younger than this may be one whose maker has
// created it and not yet marked it in use.
constexpr std::chrono::seconds JustMade{10};

// Repeats a call that a signal interrupted.
template <typename Call>
auto retried(Call call)
{
    auto result = call();
    while (result < 0 && errno == EINTR) {
        result = call();
    }
    return result;
}

PathNode::Kind kindOf(mode_t mode)
{
    if (S_ISLNK(mode)) {
        return PathNode::Kind::Link;
    }
    return S_ISREG(mode) ? PathNode::Kind::Regular : PathNode::Kind::Other;
}

bool isRegular(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

PathNode nodeOf(const struct stat& info)
{
    PathNode node;
    node.kind = kindOf(info.st_mode);
    node.owner = info.st_uid;
    node.group = info.st_gid;
    node.mode = info.st_mode & 07777;
    node.size = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    node.writable = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    // A rewrite in place keeps the inode but moves the change time; a
    // rename over the name brings another inode.
    node.version = std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
                   std::to_string(info.st_size) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
                   std::to_string(info.st_mtim.tv_nsec) + ":" + std::to_string(info.st_ctim.tv_sec) + "." +
                   std::to_string(info.st_ctim.tv_nsec);
    return node;
}

} // namespace

std::optional<PathNode> FileSystem::inspect(const std::filesystem::path& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? std::optional(PathNode{}) : std::nullopt;
    }
    return nodeOf(info);
}

std::optional<PathNode> FileSystem::inspectOpen(int handle)
{
    struct stat info {};
    return ::fstat(handle, &info) == 0 ? std::optional(nodeOf(info)) : std::nullopt;
}

std::optional<std::filesystem::path> FileSystem::linkTarget(const std::filesystem::path& link)
{
    std::error_code failed;
    std::filesystem::path target = std::filesystem::read_symlink(link, failed);
    return failed ? std::nullopt : std::optional(std::move(target));
}

unsigned FileSystem::player() { return ::geteuid(); }

int FileSystem::openToRead(const std::filesystem::path& file)
{
    const int fd = retried([&] { return ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW); });
    if (fd >= 0 && !isRegular(fd)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

long FileSystem::read(int handle, std::span<char> buffer)
{
    return retried([&] { return ::read(handle, buffer.data(), buffer.size()); });
}

int FileSystem::create(const std::filesystem::path& file, unsigned mode)
{
    return retried(
        [&] { return ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode); });
}

bool FileSystem::setModeAndGroup(int handle, unsigned mode, unsigned group)
{
    // The group first: a change of group may clear the set-group-ID bit,
    // which the mode then sets again where it may.  A group the player is
    // not in stays the player's own, as for any file the player makes.
    struct stat info {};
    if (::fstat(handle, &info) == 0 && info.st_gid != group &&
        ::fchown(handle, static_cast<uid_t>(-1), group) != 0) {
        // Not the player's to give: the new file keeps the player's group.
    }
    return ::fchmod(handle, mode) == 0;
}

bool FileSystem::write(int handle, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t written = retried([&] { return ::write(handle, data.data(), data.size()); });
        if (written < 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool FileSystem::sync(int handle) { return ::fsync(handle) == 0; }

bool FileSystem::close(int handle) { return ::close(handle) == 0; }

bool FileSystem::abandoned(const std::filesystem::path& file)
{
    const int fd = retried([&] { return ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW); });
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const auto age = std::chrono::system_clock::now() - std::chrono::system_clock::from_time_t(info.st_mtime);
    const bool newborn = info.st_size == 0 && age < JustMade;
    const bool unheld = regular && !newborn && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd); // the lock taken only to look goes with it
    return unheld;
}

bool FileSystem::rename(const std::filesystem::path& from, const std::filesystem::path& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void FileSystem::remove(const std::filesystem::path& file) { ::unlink(file.c_str()); }

void FileSystem::syncDirectory(const std::filesystem::path& directory)
{
    const int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::vector<std::string> FileSystem::list(const std::filesystem::path& directory)
{
    std::vector<std::string> names;
    std::error_code failed;
    std::filesystem::directory_iterator entry(directory.empty() ? "." : directory, failed);
    for (; !failed && entry != std::filesystem::directory_iterator(); entry.increment(failed)) {
        names.push_back(entry->path().filename().string());
    }
    return names;
}

LockHandle FileSystem::lock(const std::filesystem::path& directory, std::chrono::milliseconds patience)
{
    // The folder itself, not a file in it: nobody can plant a link or a
    // pipe in its place, and it is the same folder whatever path or link
    // leads to it.  Read-only is enough for flock.
    const int fd = retried(
        [&] { return ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (fd < 0) {
        return {};
    }
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK || errno == EINTR;
        if (!held || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return {-1, held};
        }
        std::this_thread::sleep_for(LockPoll);
    }
    return {fd, false};
}

FileSystem& realFileSystem()
{
    static FileSystem fileSystem;
    return fileSystem;
}

} // namespace lexidrop
