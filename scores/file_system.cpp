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

} // namespace

std::optional<PathNode> FileSystem::inspect(const std::filesystem::path& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? std::optional(PathNode{}) : std::nullopt;
    }
    return PathNode{kindOf(info.st_mode), info.st_uid, (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0};
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

int FileSystem::create(const std::filesystem::path& file)
{
    return retried(
        [&] { return ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644); });
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

bool FileSystem::holdExclusively(int handle) { return ::flock(handle, LOCK_EX | LOCK_NB) == 0; }

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

LockHandle FileSystem::lock(const std::filesystem::path& lockFile, std::chrono::milliseconds patience)
{
    // Read-only is enough for flock, and the file is never written.
    const int fd = retried(
        [&] { return ::open(lockFile.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644); });
    if (fd < 0 || !isRegular(fd)) {
        if (fd >= 0) {
            ::close(fd);
        }
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
