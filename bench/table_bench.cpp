// Start-up reading of hs.txt on the real disk: a whole table, and a huge
// file whose first item never ends (the size in MiB is the argument).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "scores/file_store.h"
#include "scores/table_file.h"

namespace {

namespace fs = std::filesystem;

// A file of its own in the temporary directory, removed afterwards.
class ScratchFile {
public:
    ScratchFile()
        : path_(fs::temp_directory_path() / ("lexidrop-bench-" + std::to_string(std::random_device{}()) + ".txt"))
    {
    }
    ~ScratchFile() { fs::remove(path_); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void loadTable(benchmark::State& state, const fs::path& file)
{
    const auto store = lexidrop::makeFileStore(file);
    for (auto _ : state) {
        // What start-up reads before it shows the table.
        lexidrop::TableReader reader;
        store->readPieces([&](std::string_view piece) { return reader.take(piece); });
        auto read = reader.finish();
        benchmark::DoNotOptimize(read);
    }
}

void BM_ReadWholeTable(benchmark::State& state)
{
    const ScratchFile file;
    std::ofstream(file.path(), std::ios::binary) << lexidrop::formatTable({}, {});
    loadTable(state, file.path());
}
BENCHMARK(BM_ReadWholeTable)->Unit(benchmark::kMicrosecond);

// A name that opens and never closes: the file as a sparse run of "a"-less
// zero bytes after the opening quote.
void BM_ReadHugeFileWithAnEndlessItem(benchmark::State& state)
{
    const ScratchFile file;
    std::ofstream(file.path(), std::ios::binary) << "\"";
    fs::resize_file(file.path(), static_cast<std::uintmax_t>(state.range(0)) * 1024 * 1024);
    loadTable(state, file.path());
}
BENCHMARK(BM_ReadHugeFileWithAnEndlessItem)->Arg(1024)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
