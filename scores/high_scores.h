// The top-ten table and its file hs.txt.
//
// HighScores holds the ten places (index 0 is first place).  Its three
// operations are those of the main window: LoadHighScores runs once at
// start-up, ShowHighScores copies the table into the twenty labels, and
// UpdateHighScores takes a finished game's score into the table when it
// earns a place, asks for the name and saves.  The file is reached only
// through a HighScoreStore, so tests can fake the disk.
//
// Other windows of the game may save to the same file at any time, so an
// update never trusts the table it holds: it reads the file again to choose
// the place and the prompt, asks, and hands the entry to the store, whose
// save puts it into the file as the file is then, under the lock.  An entry
// whose save failed stays in memory and goes into the file with the next
// save.  When the file cannot be read at all, the table in memory is kept
// as it stands, and nothing replaces the file.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lexidrop {

constexpr int Places = 10;

// The labels of the table: names (left) and scores (right), place by place.
using PlaceLabels = std::array<std::string, Places>;

// Asks the player for a name: prompt and title in, the typed text out ("" on Cancel).
using NamePrompt = std::function<std::string(const std::string& prompt, const std::string& title)>;

// Receives the bytes of the file in order, one piece at a time; returns
// false when it needs no more of them.
using PieceReader = std::function<bool(std::string_view piece)>;

// What a read of the store found.
enum class ReadStatus {
    Read,    // the file was read (as far as the reader wanted)
    Missing, // there is no file: a save makes it
    Failed,  // there is a file that could not be read: a save must not replace it
};

// A read, and which version of the file it saw.
struct StoreRead {
    ReadStatus status = ReadStatus::Missing;
    std::string version; // which file and contents were read; "" when none, or a store that cannot tell
};

// How a replace went.
enum class WriteResult {
    Written, // the file holds the new contents
    Changed, // nothing written: the file is no longer the version read
    Failed,  // nothing written
};

// One place of the table.
struct Entry {
    std::string name;   // clean name
    std::int32_t score; // its score
};

// What a save leaves: whether it was written, and the table the file then holds.
struct SaveOutcome {
    bool saved = false;
    std::array<std::string, Places> names;
    std::array<std::int32_t, Places> scores{};
};

// One save handed to a store.
struct SaveJob {
    std::function<SaveOutcome()> run;             // the save, on whichever thread the store runs it
    std::function<void(const SaveOutcome&)> done; // its outcome, on the game's thread
    std::string entries;                          // its new entries, as a player reads them
};

// Where the table is kept between runs.
//
// A store is read either whole (read) or in pieces (readPieces).  A store
// kept in memory overrides read, and readPieces hands that over in one
// piece; a store on disk overrides readPieces, and read as well.  The
// table is only ever read through readPieces.
//
// Windows of the game running at once share the file, and a reader always
// finds a whole file, so reading needs no lock.  Saving does: a save takes
// the lock, reads the file, puts its entries into what it read, and
// replaces the file with that before it unlocks, so that no save is built
// on a table another one has replaced meanwhile.  The lock is never held
// while the player is asked something.  save() runs a save: at once by
// default; a store may run it on a thread of its own and tell the outcome
// later, on the game's thread.
class HighScoreStore {
public:
    virtual ~HighScoreStore() = default;
    // The whole file, or nothing when there is none (by default nothing: a
    // store overrides this or readPieces).
    virtual std::optional<std::string> read();
    // Hands the file to take piece by piece until the file ends or take
    // returns false.
    virtual StoreRead readPieces(const PieceReader& take);
    // Replaces the whole file; false when the save failed and nothing changed.
    virtual bool write(std::string_view contents) = 0;
    // Replaces the whole file while it is still the version seen, with the
    // lock held.  By default write, for a store that cannot tell versions.
    virtual WriteResult replace(std::string_view contents, const std::string& seen);
    // Keeps the saves of every other window of this table out until
    // unlock(), waiting as long as that takes; false when no lock can be
    // had here at all, and then nothing may be saved.
    virtual bool lock() { return true; }
    // Lets other windows save again.
    virtual void unlock() {}
    // A save through this store failed: the store tells the player, as it tells things.
    virtual void saveFailed() {}
    // Runs a save, by default at once.
    virtual void save(SaveJob job);
};

// hs.txt at the given path, replaced atomically on every save.
std::unique_ptr<HighScoreStore> makeFileStore(std::filesystem::path path);

// Title of the name prompt.
inline constexpr std::string_view PromptTitle = "Lexidrop";

// The name prompt for the place with this index (0 = first place, ..9).
std::string_view placePrompt(int index);

class HighScores {
public:
    std::array<std::string, Places> HsNames;   // names of places 1..10
    std::array<std::int32_t, Places> HsScores{}; // scores of places 1..10, 0 = none

    // Start-up: read the store; show the table, and save it whole if reading failed.
    // The table keeps what was read, sorted by score, highest first.
    void LoadHighScores(HighScoreStore& store, PlaceLabels& LblName, PlaceLabels& LblHs);
    // Copies the table into the labels; an empty name or a 0 gives an empty label.
    void ShowHighScores(PlaceLabels& LblName, PlaceLabels& LblHs) const;
    // Enters score if it earns a place (asking the name), then saves.  The
    // place and the prompt come from the file as it is now, and the entry
    // goes into the file as it is when the store saves, so that what other
    // windows saved meanwhile stays.  A save that fails leaves the table in
    // memory as it is.  When the store tells a save's outcome after this
    // has returned, the table takes in what the file then holds and
    // savedLater is called, for the labels to follow.
    void UpdateHighScores(std::int32_t score, const NamePrompt& ask, HighScoreStore& store,
                          const std::function<void()>& savedLater = {});

    // One save, whole, under the store's lock: reads the file, puts entries
    // into it (into base when there is no file), and replaces it, again when
    // another program replaced it meanwhile.  Any thread.
    static SaveOutcome saveMerged(HighScoreStore& store, const HighScores& base, const std::vector<Entry>& entries);

private:
    // The table as the store holds it now, with this table's unsaved
    // entries inserted again; the table in memory stays when the store
    // cannot be read.
    void refreshFrom(HighScoreStore& store);
    // Puts the read table in place, sorted highest first.
    void adopt(const std::array<std::string, Places>& names, const std::array<std::int32_t, Places>& scores);
    // The index of the place score takes, or -1.
    int placeFor(std::int32_t score) const;
    // Enters the entry at the place its score takes, if any; the index or -1.
    int insert(const Entry& entry);
    // Hands the table's unsaved entries to the store to save.
    void save(HighScoreStore& store, const std::optional<Entry>& entered, const std::function<void()>& savedLater);
    // Takes in a save's outcome: what the file holds, or on failure keeps
    // the entries for the next save.
    void settle(const SaveOutcome& outcome, const std::vector<Entry>& entries);

    std::vector<Entry> unsaved_; // entries of this table that no save has written yet
};

} // namespace lexidrop
