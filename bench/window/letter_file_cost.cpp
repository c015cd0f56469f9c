// letter_file_cost: what a spawn costs when a letter file is huge, measured
// through the window's own loader (LetterPictures, with the part of a
// picture a tile can show).
//
// Four letter files, each as a.bmp in its own scratch directory:
//   shown   a 24-bit bitmap of 2000 x 2000 pixels, 12 MB, the largest kind shown
//   valid   a 24-bit bitmap of 9000 x 9300 pixels, 251 MB, every byte written
//   sparse  a 256 MiB file of nothing but a hole
//   proc    a link to /proc/self/pagemap, which says it is empty and reads on
// Each is loaded `loads` times, as that many spawns of the letter would.
// Printed per file: the mean time per load and the peak resident memory
// while loading (the kernel's high-water mark, reset before each file when
// it allows).
//
// Usage: letter_file_cost [loads] [scratch directory]   (defaults 5 and $TMPDIR or /tmp)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ui/pictures.h"
#include "ui/surface.h"

namespace lexidrop::ui::measure {

namespace {

constexpr int DefaultLoads = 5;
constexpr std::int64_t SparseBytes = 256LL * 1024 * 1024;

void put(std::vector<char>& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

// A plain 24-bit bitmap, bottom-up, its rows a gradient (sides below 100,000).
bool writeValid(const std::filesystem::path& file, std::int64_t width, std::int64_t height)
{
    const std::int64_t stride = (width * 3 + 3) / 4 * 4;
    std::vector<char> header;
    put(header, 0x4d42, 2);
    put(header, static_cast<std::uint64_t>(54 + stride * height), 4);
    put(header, 0, 4);
    put(header, 54, 4);
    put(header, 40, 4);
    put(header, static_cast<std::uint64_t>(width), 4);
    put(header, static_cast<std::uint64_t>(height), 4);
    put(header, 1, 2);
    put(header, 24, 2);
    for (int i = 0; i < 6; ++i) {
        put(header, 0, 4);
    }
    std::vector<char> row(static_cast<std::size_t>(stride));
    for (std::size_t i = 0; i < row.size(); ++i) {
        row[i] = static_cast<char>(i % 251);
    }
    std::ofstream out(file, std::ios::binary);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    for (std::int64_t y = 0; y < height && out; ++y) {
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    return static_cast<bool>(out);
}

bool writeSparse(const std::filesystem::path& file)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool made = ::ftruncate(fd, SparseBytes) == 0;
    ::close(fd);
    return made;
}

// A line of /proc/self/status in KiB, or -1.
long statusKiB(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0) {
            return std::strtol(line.c_str() + field.size(), nullptr, 10);
        }
    }
    return -1;
}

// Resets the peak resident memory to the present (Linux 4.0 and later).
bool resetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

void measure(const char* name, const std::filesystem::path& directory, int loads)
{
    const bool reset = resetPeak();
    const long before = statusKiB("VmRSS:");
    LetterPictures pictures(directory, TileShownAtMost);
    bool shown = false;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < loads; ++i) {
        const PicturePtr picture = pictures.loadLetter("a");
        shown = !dynamic_cast<const TilePicture&>(*picture).image.isNull();
    }
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    std::printf("%-7s %s, %d loads: %.3f ms per load; resident %.1f MiB before, peak %.1f MiB%s\n", name,
                shown ? "picture" : "plain tile", loads, spent.count() / loads, before / 1024.0,
                statusKiB("VmHWM:") / 1024.0, reset ? "" : " (peak since start: not resettable here)");
}

} // namespace

int run(int loads, const std::filesystem::path& scratch)
{
    const std::filesystem::path root = scratch / ("letter_file_cost." + std::to_string(::getpid()));
    std::error_code error;
    for (const char* name : {"shown", "valid", "sparse", "proc"}) {
        std::filesystem::create_directories(root / name, error);
    }
    const bool written = !error && writeValid(root / "shown" / "a.bmp", 2000, 2000) &&
                         writeValid(root / "valid" / "a.bmp", 9000, 9300) && writeSparse(root / "sparse" / "a.bmp");
    std::filesystem::create_symlink("/proc/self/pagemap", root / "proc" / "a.bmp", error);
    if (written && !error) {
        for (const char* name : {"shown", "valid", "sparse", "proc"}) {
            measure(name, root / name, loads);
        }
    } else {
        std::printf("cannot write the letter files in %s\n", root.c_str());
    }
    std::filesystem::remove_all(root, error);
    return written ? 0 : 1;
}

} // namespace lexidrop::ui::measure

int main(int argc, char* argv[])
{
    const int loads = argc > 1 ? std::max(1, std::atoi(argv[1])) : lexidrop::ui::measure::DefaultLoads;
    const char* tmp = std::getenv("TMPDIR");
    const std::filesystem::path scratch = argc > 2 ? argv[2] : (tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
    return lexidrop::ui::measure::run(loads, scratch);
}
