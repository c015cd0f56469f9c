// Feeds arbitrary bytes to the hs.txt reader and to the start-up load and
// checks what must hold for every file: names clean and bounded, the same
// table whether the file arrives whole or in pieces of any sizes (through
// the file store's own streamed read), the loaded table highest first, and
// whatever is saved reading back as the same table.  Any broken rule aborts, so libFuzzer
// reports it together with the input.
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "scores/file_store.h"
#include "scores/high_scores.h"
#include "scores/table_file.h"

namespace {

using namespace lexidrop;

void check(bool rule)
{
    if (!rule) {
        std::abort();
    }
}

// The file kept in memory, as the start-up sees it.
class BytesStore : public HighScoreStore {
public:
    explicit BytesStore(std::string bytes) : bytes_(std::move(bytes)) {}
    std::optional<std::string> read() override { return bytes_; }
    bool write(std::string_view contents) override
    {
        bytes_ = std::string(contents);
        ++writes;
        return true;
    }
    const std::string& bytes() const { return bytes_; }
    int writes = 0;

private:
    std::string bytes_;
};

// A disk holding one regular file, which it reads out in short pieces of
// sizes drawn from the input, as a pipe-like disk or a signal may cut reads.
class PieceDisk : public FileSystem {
public:
    PieceDisk(std::string_view bytes, std::uint32_t seed) : bytes_(bytes), random_(seed) {}
    std::optional<PathNode> inspect(const std::filesystem::path&) override
    {
        PathNode node;
        node.kind = PathNode::Kind::Regular;
        node.owner = player();
        node.size = bytes_.size();
        return node;
    }
    std::optional<PathNode> inspectOpen(int) override { return inspect({}); }
    int openToRead(const std::filesystem::path&) override { return 3; }
    long read(int, std::span<char> buffer) override
    {
        const std::size_t size = std::min({buffer.size(), bytes_.size(), std::size_t{1} + random_() % 300});
        std::copy_n(bytes_.data(), size, buffer.data());
        bytes_.remove_prefix(size);
        return static_cast<long>(size);
    }
    bool close(int) override { return true; }

private:
    std::string_view bytes_;
    std::minstd_rand random_;
};

void checkSameTable(const ReadTable& a, const ReadTable& b)
{
    check(a.items == b.items);
    check(a.names == b.names);
    check(a.scores == b.scores);
}

// The file read through the store in pieces reads as the file at once.
void checkStreamedRead(const std::string& bytes, const ReadTable& whole)
{
    PieceDisk disk(bytes, static_cast<std::uint32_t>(bytes.size() * 2654435761u));
    const auto store = makeFileStore("hs.txt", disk);
    TableReader reader;
    check(store->readPieces([&](std::string_view piece) {
        check(!piece.empty() && piece.size() <= ReadPieceBytes);
        return reader.take(piece);
    }).status == ReadStatus::Read);
    checkSameTable(reader.finish(), whole);
}

void checkClean(const std::string& name)
{
    check(name.size() <= MaxNameBytes);
    check(isValidUtf8(name));
    check(name.find('"') == std::string::npos);
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        check(b >= 0x20 && b != 0x7F);
    }
    check(cleanName(name) == name);
}

void checkSavedReadsBack(const HighScores& table, const std::string& saved)
{
    const ReadTable back = parseTable(saved);
    check(back.complete());
    check(back.names == table.HsNames);
    check(back.scores == table.HsScores);
}

// The reader on the bytes: a table of at most twenty items with clean
// names, and the same whether read whole or streamed.
ReadTable checkRead(const std::string& bytes)
{
    const ReadTable read = parseTable(bytes);
    check(read.items >= 0 && read.items <= 2 * Places);
    for (std::size_t i = 0; i < Places; ++i) {
        checkClean(read.names[i]);
    }
    checkStreamedRead(bytes, read);
    return read;
}

// The table as a start-up loads it: in order, rewritten only when the file
// was not whole, and then whole itself.
void checkLoaded(const HighScores& table, const ReadTable& read, const BytesStore& store)
{
    for (std::size_t i = 1; i < Places; ++i) {
        check(table.HsScores[i - 1] >= table.HsScores[i]);
    }
    check(store.writes == (read.complete() ? 0 : 1));
    if (store.writes > 0) {
        checkSavedReadsBack(table, store.bytes());
    }
}

// After one game: at most one place changes hands, the table stays in
// order with clean names, and the save reads back the same.
void checkUpdated(const HighScores& before, const HighScores& table, std::int32_t score, const BytesStore& store)
{
    std::size_t p = 0;
    while (p < Places && table.HsScores[p] == before.HsScores[p] && table.HsNames[p] == before.HsNames[p]) {
        ++p;
    }
    if (p < Places) {
        check(table.HsScores[p] == score);
        for (std::size_t i = p + 1; i < Places; ++i) {
            check(table.HsScores[i] == before.HsScores[i - 1] && table.HsNames[i] == before.HsNames[i - 1]);
        }
    }
    for (std::size_t i = 0; i < Places; ++i) {
        check(i == 0 || table.HsScores[i - 1] >= table.HsScores[i]);
        checkClean(table.HsNames[i]);
    }
    checkSavedReadsBack(table, store.bytes());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const ReadTable read = checkRead(bytes);

    BytesStore store(bytes);
    HighScores table;
    PlaceLabels names;
    PlaceLabels scores;
    table.LoadHighScores(store, names, scores);
    checkLoaded(table, read, store);

    // A game whose score and name come from the input.
    const std::int32_t score = size == 0 ? 1 : static_cast<std::int32_t>(data[0]) * 131 + static_cast<std::int32_t>(size);
    const HighScores before = table;
    table.UpdateHighScores(score, [&](const std::string&, const std::string&) { return bytes.substr(0, 64); }, store);
    checkUpdated(before, table, score, store);
    return 0;
}
