// The file layer uses the POSIX calls directly: the standard library can
// neither flush a file to the disk nor tell a directory or a pipe from a
// file before reading it.
#include "scores/file_store.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "scores/table_file.h"

namespace lexidrop {

namespace {

class PosixFileSystem : public FileSystem {
public:
    std::optional<std::string> readStart(const std::filesystem::path& file, std::size_t limit) override
    {
        // Non-blocking, so that a pipe put in the file's place cannot hang the start-up.
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            return std::nullopt;
        }
        std::optional<std::string> bytes;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
            bytes = readUpTo(fd, limit);
        }
        ::close(fd);
        return bytes;
    }

    int create(const std::filesystem::path& file) override
    {
        int fd = -1;
        do {
            fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        } while (fd < 0 && errno == EINTR);
        return fd;
    }

    bool write(int handle, std::string_view data) override
    {
        while (!data.empty()) {
            const ssize_t written = ::write(handle, data.data(), data.size());
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return false;
            }
            data.remove_prefix(static_cast<std::size_t>(written));
        }
        return true;
    }

    bool sync(int handle) override { return ::fsync(handle) == 0; }

    bool close(int handle) override { return ::close(handle) == 0; }

    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override
    {
        return ::rename(from.c_str(), to.c_str()) == 0;
    }

    void remove(const std::filesystem::path& file) override { ::unlink(file.c_str()); }

    void syncDirectory(const std::filesystem::path& directory) override
    {
        const int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }

private:
    static std::optional<std::string> readUpTo(int fd, std::size_t limit)
    {
        std::string bytes(limit, '\0');
        std::size_t filled = 0;
        while (filled < limit) {
            const ssize_t got = ::read(fd, bytes.data() + filled, limit - filled);
            if (got < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return std::nullopt;
            }
            if (got == 0) {
                break;
            }
            filled += static_cast<std::size_t>(got);
        }
        bytes.resize(filled);
        return bytes;
    }
};

class FileStore : public HighScoreStore {
public:
    FileStore(std::filesystem::path path, FileSystem& fileSystem)
        : path_(std::move(path)), temporary_(temporaryPathFor(path_)), fs_(fileSystem)
    {
    }

    std::optional<std::string> read() override { return fs_.readStart(path_, MaxTableFileBytes); }

    bool write(std::string_view contents) override
    {
        const int handle = fs_.create(temporary_);
        if (handle < 0) {
            fs_.remove(temporary_); // a failed create may still have left the file behind
            return false;
        }
        bool written = fs_.write(handle, contents);
        written = written && fs_.sync(handle);
        written = fs_.close(handle) && written;
        if (!written || !fs_.rename(temporary_, path_)) {
            fs_.remove(temporary_);
            return false;
        }
        fs_.syncDirectory(path_.parent_path());
        return true;
    }

private:
    std::filesystem::path path_;
    std::filesystem::path temporary_;
    FileSystem& fs_;
};

} // namespace

FileSystem& realFileSystem()
{
    static PosixFileSystem fileSystem;
    return fileSystem;
}

std::filesystem::path temporaryPathFor(const std::filesystem::path& file)
{
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    return temporary;
}

std::unique_ptr<HighScoreStore> makeFileStore(std::filesystem::path path, FileSystem& fileSystem)
{
    return std::make_unique<FileStore>(std::move(path), fileSystem);
}

std::unique_ptr<HighScoreStore> makeFileStore(std::filesystem::path path)
{
    return makeFileStore(std::move(path), realFileSystem());
}

} // namespace lexidrop
