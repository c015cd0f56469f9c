// Membership in the word lists: the index behind contains() against a scan
// of the same list entry by entry, the way a plain lookup would compare.
//
// Run (Release build, from the repository root):
//   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DLEXIDROP_BUILD_UI=OFF
//   cmake --build build/release --target dictionary_bench && build/release/bin/dictionary_bench
//
// Each benchmark cycles through a fixed set of probe words, so one iteration
// is one membership test.  "Hit" probes are 256 entries spread evenly over
// the list; "Miss" probes are entries with the last letter replaced so that
// they are in no list, which is the scan's worst case: it compares every
// entry, and most of them share the probe's length.
// Targets: every contains() test under 30 ns, and on misses of the
// five-letter a-r list at least 100 times faster than the scan.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary/dictionary.h"

namespace {

using lexidrop::WordList;

constexpr std::size_t ProbeCount = 256;

std::vector<std::string> hitProbes(WordList list)
{
    const auto entries = lexidrop::words(list);
    std::vector<std::string> probes;
    for (std::size_t i = 0; i < ProbeCount; ++i) {
        probes.emplace_back(entries[i * entries.size() / ProbeCount]);
    }
    return probes;
}

bool inAnyList(std::string_view word)
{
    for (const WordList list :
         {WordList::Three, WordList::Four, WordList::FiveFirst, WordList::FiveSecond}) {
        if (lexidrop::contains(list, word)) {
            return true;
        }
    }
    return false;
}

// Entries of the list changed in one letter so that they are no word at all;
// they start like real words, so the scan cannot reject them early.
std::vector<std::string> missProbes(WordList list)
{
    const auto entries = lexidrop::words(list);
    std::vector<std::string> probes;
    for (std::size_t i = 0; probes.size() < ProbeCount; ++i) {
        std::string word(entries[(i * 7) % entries.size()]);
        for (char ch = 'a'; ch <= 'z'; ++ch) {
            word.back() = ch;
            if (!inAnyList(word)) {
                probes.push_back(word);
                break;
            }
        }
    }
    return probes;
}

// The reference: compare with every entry until one is equal.
bool scanContains(WordList list, std::string_view word)
{
    const auto entries = lexidrop::words(list);
    return std::find(entries.begin(), entries.end(), word) != entries.end();
}

template <bool (*Member)(WordList, std::string_view)>
void run(benchmark::State& state, WordList list, bool hits)
{
    const std::vector<std::string> probes = hits ? hitProbes(list) : missProbes(list);
    std::size_t next = 0;
    std::size_t found = 0;
    for (auto _ : state) {
        const std::string& probe = probes[next];
        next = (next + 1) % probes.size();
        // Not const: Google Benchmark 1.9 deprecates DoNotOptimize of a const value.
        bool member = Member(list, probe);
        benchmark::DoNotOptimize(member);
        found += member ? 1 : 0;
    }
    if (found != (hits ? static_cast<std::size_t>(state.iterations()) : 0)) {
        state.SkipWithError("a probe was answered wrongly");
    }
    state.counters["list_size"] = static_cast<double>(lexidrop::words(list).size());
}

void Index(benchmark::State& state, WordList list, bool hits)
{
    run<lexidrop::contains>(state, list, hits);
}

void Scan(benchmark::State& state, WordList list, bool hits)
{
    run<scanContains>(state, list, hits);
}

BENCHMARK_CAPTURE(Index, Three_Hit, WordList::Three, true);
BENCHMARK_CAPTURE(Index, Three_Miss, WordList::Three, false);
BENCHMARK_CAPTURE(Index, Four_Hit, WordList::Four, true);
BENCHMARK_CAPTURE(Index, Four_Miss, WordList::Four, false);
BENCHMARK_CAPTURE(Index, FiveFirst_Hit, WordList::FiveFirst, true);
BENCHMARK_CAPTURE(Index, FiveFirst_Miss, WordList::FiveFirst, false);
BENCHMARK_CAPTURE(Index, FiveSecond_Hit, WordList::FiveSecond, true);
BENCHMARK_CAPTURE(Index, FiveSecond_Miss, WordList::FiveSecond, false);

BENCHMARK_CAPTURE(Scan, Three_Hit, WordList::Three, true);
BENCHMARK_CAPTURE(Scan, Three_Miss, WordList::Three, false);
BENCHMARK_CAPTURE(Scan, Four_Hit, WordList::Four, true);
BENCHMARK_CAPTURE(Scan, Four_Miss, WordList::Four, false);
BENCHMARK_CAPTURE(Scan, FiveFirst_Hit, WordList::FiveFirst, true);
BENCHMARK_CAPTURE(Scan, FiveFirst_Miss, WordList::FiveFirst, false);
BENCHMARK_CAPTURE(Scan, FiveSecond_Hit, WordList::FiveSecond, true);
BENCHMARK_CAPTURE(Scan, FiveSecond_Miss, WordList::FiveSecond, false);

} // namespace
