#include "ui/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace lexidrop::ui {

namespace {

constexpr const char* DataDirectoryName = "lexidrop";
constexpr const char* HighScoreFile = "hs.txt";

std::optional<std::string> variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

bool usableDirectory(const std::optional<std::string>& value)
{
    return value.has_value() && !value->empty() && std::filesystem::path(*value).is_absolute();
}

// The account's home from the password database, for a process started
// without HOME.
std::optional<std::string> accountHome()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr) {
        return std::nullopt;
    }
    return std::string(found->pw_dir);
}

} // namespace

ProgramPlace linkedProgramDirectory(const std::filesystem::path& link)
{
    // The bytes go straight into the path: decoding them (as a QString
    // would, as UTF-8) loses a name in another encoding.
    std::error_code error;
    const std::filesystem::path file = std::filesystem::read_symlink(link, error);
    if (error) {
        return {std::nullopt, link.string() + ": " + error.message()};
    }
    if (!file.is_absolute()) {
        return {std::nullopt, link.string() + " names " + file.string() + ", not an absolute path"};
    }
    // A file replaced while it runs is named "<file> (deleted)": its
    // directory is still the right one.
    return {file.parent_path(), {}};
}

ProgramPlace programDirectory() { return linkedProgramDirectory(ExecutableLink); }

std::filesystem::path installedDataDirectory(const std::filesystem::path& programDir)
{
    return (programDir / ".." / "share" / DataDirectoryName).lexically_normal();
}

std::optional<std::filesystem::path> userDataDirectory(const UserEnvironment& environment)
{
    if (usableDirectory(environment.xdgDataHome)) {
        return std::filesystem::path(*environment.xdgDataHome) / DataDirectoryName;
    }
    if (usableDirectory(environment.home)) {
        return std::filesystem::path(*environment.home) / ".local" / "share" / DataDirectoryName;
    }
    return std::nullopt;
}

DataPaths findDataPaths(const std::filesystem::path& programDir, const UserEnvironment& environment)
{
    const std::filesystem::path share = installedDataDirectory(programDir);
    std::error_code error;
    if (!std::filesystem::is_directory(share, error)) {
        return dataPathsIn(programDir);
    }
    const std::optional<std::filesystem::path> user = userDataDirectory(environment);
    if (!user) {
        // Nowhere of the player's own: the table cannot be kept, and a save
        // beside the program fails and is reported like any other.
        return DataPaths{share, programDir / HighScoreFile};
    }
    return DataPaths{share, *user / HighScoreFile};
}

DataPaths locateDataPaths(const std::filesystem::path& programDir, const UserEnvironment& environment)
{
    DataPaths paths = findDataPaths(programDir, environment);
    if (paths.letters == installedDataDirectory(programDir)) {
        std::error_code error;
        std::filesystem::create_directories(paths.highScores.parent_path(), error);
    }
    return paths;
}

UserEnvironment processEnvironment()
{
    UserEnvironment environment{variable("XDG_DATA_HOME"), variable("HOME")};
    if (!usableDirectory(environment.home)) {
        environment.home = accountHome();
    }
    return environment;
}

DataPaths locateDataPaths(const ProgramPlace& place, const UserEnvironment& environment)
{
    if (place.directory) {
        return locateDataPaths(*place.directory, environment);
    }
    // Not the working directory instead: a hs.txt there is someone else's.
    // stdio, not iostream: no file of the program sets up the streams.
    std::fprintf(stderr,
                 "lexidrop: cannot find the program's own folder (%s); no tile pictures are read and "
                 "the high scores are kept in memory only\n",
                 place.failure.c_str());
    return DataPaths{};
}

DataPaths defaultDataPaths() { return locateDataPaths(programDirectory(), processEnvironment()); }

DataPaths dataPathsIn(const std::filesystem::path& directory)
{
    return DataPaths{directory, directory / HighScoreFile};
}

} // namespace lexidrop::ui
