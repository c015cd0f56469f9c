#include "scores/high_scores.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <utility>

#include "scores/table_file.h"

namespace lexidrop {

namespace {

constexpr std::array<std::string_view, Places> PlacePrompts = {
    "Great Job!  First Place!  Please enter your name",
    "Good Job!  Second Place!  Please enter your name",
    "Way to go!  Third Place!  Please enter your name",
    "Alright!  Fourth Place!  Please enter your name",
    "That's the way to do it!  Fifth Place!  Please enter your name",
    "Not bad!  Sixth Place!  Please enter your name",
    "Woohoo!  Seventh Place!  Please enter your name",
    "Pretty Good!  Eighth Place!  Please enter your name",
    "Ok!  Ninth Place!  Please enter your name",
    "At least you placed!  Tenth Place!  Please enter your name",
};

std::size_t at(int index) { return static_cast<std::size_t>(index); }

// The most times one save reads and writes the file anew because another
// program replaced it, without the lock, while this save was on its way to
// the disk.  A file that changes under every try is left to that program:
// the save fails, and its entries wait in memory for the next one.
constexpr int RebuildRounds = 8;

// The store's table, read piece by piece, and how the read went.
std::pair<StoreRead, ReadTable> readTable(HighScoreStore& store)
{
    TableReader reader;
    const StoreRead read = store.readPieces([&](std::string_view piece) { return reader.take(piece); });
    return {read, reader.finish()};
}

// Holds the store's lock for as long as it lives.
class StoreLock {
public:
    explicit StoreLock(HighScoreStore& store) : store_(store), held_(store.lock()) {}
    ~StoreLock() { store_.unlock(); }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    bool held() const { return held_; }

private:
    HighScoreStore& store_; // the store locked
    bool held_;             // the lock is ours
};

// The entries as a player reads them: "Ann" 300, "Bob" 200.
std::string describe(const std::vector<Entry>& entries)
{
    std::string text;
    for (const Entry& entry : entries) {
        text += (text.empty() ? "\"" : ", \"") + entry.name + "\" " + std::to_string(entry.score);
    }
    return text;
}

} // namespace

std::optional<std::string> HighScoreStore::read() { return std::nullopt; }

StoreRead HighScoreStore::readPieces(const PieceReader& take)
{
    const std::optional<std::string> bytes = read();
    if (!bytes) {
        return {ReadStatus::Missing, ""};
    }
    take(*bytes);
    return {ReadStatus::Read, ""};
}

WriteResult HighScoreStore::replace(std::string_view contents, const std::string&)
{
    return write(contents) ? WriteResult::Written : WriteResult::Failed;
}

void HighScoreStore::save(SaveJob job) { job.done(job.run()); }

std::string_view placePrompt(int index) { return PlacePrompts.at(at(index)); }

void HighScores::LoadHighScores(HighScoreStore& store, PlaceLabels& LblName, PlaceLabels& LblHs)
{
    const auto [read, table] = readTable(store);
    adopt(table.names, table.scores);
    ShowHighScores(LblName, LblHs);
    if (read.status != ReadStatus::Read || !table.complete()) {
        // Missing, unreadable or short: keep what was read and write the
        // file whole.  A score of 0 takes no place, so nothing is asked.
        UpdateHighScores(0, NamePrompt(), store);
    }
}

void HighScores::ShowHighScores(PlaceLabels& LblName, PlaceLabels& LblHs) const
{
    // Every label is set, blank ones included, so that a name never stays
    // beside a score that is no longer its own.
    for (std::size_t i = 0; i < at(Places); ++i) {
        LblName.at(i) = HsNames.at(i);
        LblHs.at(i) = HsScores.at(i) == 0 ? std::string() : std::to_string(HsScores.at(i));
    }
}

void HighScores::UpdateHighScores(std::int32_t score, const NamePrompt& ask, HighScoreStore& store,
                                  const std::function<void()>& savedLater)
{
    std::optional<Entry> entry;
    if (score > 0) {
        refreshFrom(store);
        // Other windows may save while the box is open.
        const int place = placeFor(score);
        if (place >= 0) {
            const std::string typed = ask ? ask(std::string(placePrompt(place)), std::string(PromptTitle)) : std::string();
            entry = Entry{cleanName(typed), score};
        }
    }
    refreshFrom(store);
    if (entry && insert(*entry) < 0) {
        entry.reset(); // the scores saved meanwhile have left it no place
    }
    // Saved whether or not a place was taken; a failed save has changed
    // nothing on disk and the game goes on with the table in memory.
    save(store, entry, savedLater);
}

void HighScores::refreshFrom(HighScoreStore& store)
{
    const auto [read, table] = readTable(store);
    if (read.status != ReadStatus::Read) {
        return; // no file to read: the table in memory is the best there is
    }
    adopt(table.names, table.scores);
    const std::vector<Entry> pending = std::move(unsaved_);
    unsaved_.clear();
    for (const Entry& entry : pending) {
        if (insert(entry) >= 0) {
            unsaved_.push_back(entry);
        }
    }
}

void HighScores::adopt(const std::array<std::string, Places>& names, const std::array<std::int32_t, Places>& scores)
{
    // A hand-edited file may be out of order; the insertion rule needs the
    // table highest first, or one game could take two places.  Equal scores
    // keep the file's order.
    std::array<int, Places> order{};
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return scores.at(at(a)) > scores.at(at(b)); });
    for (int i = 0; i < Places; ++i) {
        HsNames.at(at(i)) = names.at(at(order.at(at(i))));
        HsScores.at(at(i)) = scores.at(at(order.at(at(i))));
    }
}

int HighScores::placeFor(std::int32_t score) const
{
    // Only a positive score can take a place, even beside the negative
    // scores a hand-edited file may hold.  Strict on both sides: a score
    // equal to one in the table takes no place, and as the table is highest
    // first, at most one test can hold.
    for (int p = 0; p < Places && score > 0; ++p) {
        if (p == 0 ? score > HsScores.at(0) : HsScores.at(at(p)) < score && score < HsScores.at(at(p - 1))) {
            return p;
        }
    }
    return -1;
}

int HighScores::insert(const Entry& entry)
{
    const int p = placeFor(entry.score);
    if (p < 0) {
        return p;
    }
    for (int i = Places - 1; i > p; --i) {
        HsNames.at(at(i)) = std::move(HsNames.at(at(i - 1)));
        HsScores.at(at(i)) = HsScores.at(at(i - 1));
    }
    HsNames.at(at(p)) = entry.name;
    HsScores.at(at(p)) = entry.score;
    return p;
}

void HighScores::save(HighScoreStore& store, const std::optional<Entry>& entered,
                      const std::function<void()>& savedLater)
{
    if (entered) {
        unsaved_.push_back(*entered);
    }
    // The save works on copies: it may run on another thread, and end after
    // this table has changed again.
    const auto returned = std::make_shared<bool>(false);
    SaveJob job;
    job.run = [&store, base = *this, entries = unsaved_] { return saveMerged(store, base, entries); };
    job.done = [this, entries = unsaved_, returned, savedLater](const SaveOutcome& outcome) {
        settle(outcome, entries);
        if (*returned && savedLater) {
            savedLater();
        }
    };
    job.entries = describe(unsaved_);
    store.save(std::move(job));
    *returned = true;
}

SaveOutcome HighScores::saveMerged(HighScoreStore& store, const HighScores& base, const std::vector<Entry>& entries)
{
    const StoreLock locked(store);
    for (int round = 0; locked.held() && round < RebuildRounds; ++round) {
        const auto [read, table] = readTable(store);
        if (read.status == ReadStatus::Failed) {
            break; // a file we cannot read is never replaced by one we made up
        }
        HighScores merged = base;
        if (read.status == ReadStatus::Read) {
            merged.adopt(table.names, table.scores);
            for (const Entry& entry : entries) {
                merged.insert(entry);
            }
        }
        const WriteResult written = store.replace(formatTable(merged.HsNames, merged.HsScores), read.version);
        if (written != WriteResult::Changed) {
            if (written == WriteResult::Written) {
                return {true, merged.HsNames, merged.HsScores};
            }
            break;
        }
    }
    store.saveFailed();
    return {};
}

void HighScores::settle(const SaveOutcome& outcome, const std::vector<Entry>& entries)
{
    if (outcome.saved) {
        // These are in the file now, or have no place in it; the entries of
        // saves still on their way go back into what the file holds.
        for (const Entry& done : entries) {
            const auto it = std::find_if(unsaved_.begin(), unsaved_.end(), [&](const Entry& e) {
                return e.name == done.name && e.score == done.score;
            });
            if (it != unsaved_.end()) {
                unsaved_.erase(it);
            }
        }
        std::vector<Entry> pending = std::move(unsaved_);
        unsaved_.clear();
        adopt(outcome.names, outcome.scores);
        for (const Entry& entry : pending) {
            if (insert(entry) >= 0) {
                unsaved_.push_back(entry);
            }
        }
        return;
    }
    // Only what is still in the table needs keeping for the next save.
    std::erase_if(unsaved_, [&](const Entry& e) {
        for (std::size_t i = 0; i < at(Places); ++i) {
            if (HsNames.at(i) == e.name && HsScores.at(i) == e.score) {
                return false;
            }
        }
        return true;
    });
}

} // namespace lexidrop
