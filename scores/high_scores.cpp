#include "scores/high_scores.h"

#include <algorithm>
#include <numeric>

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

// The store's table, read piece by piece; nothing when there is no file to read.
std::optional<ReadTable> readTable(HighScoreStore& store)
{
    TableReader reader;
    if (!store.readPieces([&](std::string_view piece) { return reader.take(piece); })) {
        return std::nullopt;
    }
    return reader.finish();
}

// Holds the store's lock for as long as it lives.
class StoreLock {
public:
    explicit StoreLock(HighScoreStore& store) : store_(store) { store_.lock(); }
    ~StoreLock() { store_.unlock(); }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    HighScoreStore& store_; // the store locked
};

} // namespace

std::optional<std::string> HighScoreStore::read() { return std::nullopt; }

bool HighScoreStore::readPieces(const PieceReader& take)
{
    const std::optional<std::string> bytes = read();
    if (!bytes) {
        return false;
    }
    take(*bytes);
    return true;
}

bool HighScoreStore::writeMerged(std::string_view contents, const Rebuild&) { return write(contents); }

std::string_view placePrompt(int index) { return PlacePrompts.at(at(index)); }

void HighScores::LoadHighScores(HighScoreStore& store, PlaceLabels& LblName, PlaceLabels& LblHs)
{
    const std::optional<ReadTable> read = readTable(store);
    const ReadTable table = read.value_or(ReadTable{});
    adopt(table.names, table.scores);
    ShowHighScores(LblName, LblHs);
    if (!read || !read->complete()) {
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

void HighScores::UpdateHighScores(std::int32_t score, const NamePrompt& ask, HighScoreStore& store)
{
    std::optional<Entry> entry;
    if (score > 0) {
        {
            const StoreLock locked(store);
            refreshFrom(store);
        }
        // The box is open without the lock: other windows may save meanwhile.
        const int place = placeFor(score);
        if (place >= 0) {
            const std::string typed = ask ? ask(std::string(placePrompt(place)), std::string(PromptTitle)) : std::string();
            entry = Entry{cleanName(typed), score};
        }
    }
    const StoreLock locked(store);
    refreshFrom(store);
    if (entry && insert(*entry) < 0) {
        entry.reset(); // the scores saved meanwhile have left it no place
    }
    // Saved whether or not a place was taken; a failed save has changed
    // nothing on disk and the game goes on with the table in memory.
    save(store, entry);
}

void HighScores::refreshFrom(HighScoreStore& store)
{
    const std::optional<ReadTable> read = readTable(store);
    if (!read) {
        return; // no file to read: the table in memory is the best there is
    }
    adopt(read->names, read->scores);
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

void HighScores::save(HighScoreStore& store, const std::optional<Entry>& entered)
{
    if (entered) {
        unsaved_.push_back(*entered);
    }
    // The file as it is just before ours replaces it, with our entries in:
    // the same bytes, unless another window has saved meanwhile.
    const Rebuild rebuild = [this, &store] {
        refreshFrom(store);
        return formatTable(HsNames, HsScores);
    };
    if (store.writeMerged(formatTable(HsNames, HsScores), rebuild)) {
        unsaved_.clear();
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
