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
// update never trusts the table it holds: it reads the file again, under
// the store's lock, to choose the place and the prompt; asks with the lock
// released; then locks, reads the file once more, inserts the entry by its
// score and saves, taking in, just before its file replaces the old one,
// whatever a window that saved without the lock put there meanwhile.  An
// entry whose save failed stays in memory and is inserted again into the
// file's table at the next update.  When the file cannot be read at all,
// the table in memory is kept as it stands.
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

// Builds the file's contents anew on the table the store holds now.
using Rebuild = std::function<std::string()>;

// Where the table is kept between runs.
//
// A store is read either whole (read) or in pieces (readPieces).  A store
// kept in memory overrides read, and readPieces hands that over in one
// piece; a store on disk overrides readPieces, and read as well.  The
// table is only ever read through readPieces.  Windows of the game running at once share the file: a save takes
// the store's lock, reads the file again, changes it and writes it before
// unlocking, so that no save is built on a table another one has replaced.
// The lock is never held while the player is asked something.
class HighScoreStore {
public:
    virtual ~HighScoreStore() = default;
    // The whole file, or nothing when it cannot be read at all (by default
    // nothing: a store overrides this or readPieces).
    virtual std::optional<std::string> read();
    // Hands the file to take piece by piece until the file ends or take
    // returns false; false when the file cannot be read at all.
    virtual bool readPieces(const PieceReader& take);
    // Replaces the whole file; false when the save failed and nothing changed.
    virtual bool write(std::string_view contents) = 0;
    // As write, for a save that another process may overtake: one that
    // gave up waiting for the lock can replace the file while this save is
    // on its way to the disk.  Just before the new file takes the old one's
    // place, the store asks rebuild for the contents once more, built on
    // the file as it is then, and writes those instead when they differ.
    // By default, write.
    virtual bool writeMerged(std::string_view contents, const Rebuild& rebuild);
    // Keeps the saves of other processes out until unlock().  Waits a
    // bounded time, and goes on without the lock when it cannot be had.
    virtual void lock() {}
    // Lets other processes save again.
    virtual void unlock() {}
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
    // goes into the file as it is when the player has answered, so that
    // what other windows saved meanwhile stays.  A save that fails leaves
    // the table in memory as it is now.
    void UpdateHighScores(std::int32_t score, const NamePrompt& ask, HighScoreStore& store);

private:
    // One entry of the table.
    struct Entry {
        std::string name;   // clean name
        std::int32_t score; // its score
    };

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
    // Writes the table; remembers the entries a failed save did not keep.
    void save(HighScoreStore& store, const std::optional<Entry>& entered);

    std::vector<Entry> unsaved_; // entries of this table that no save has kept yet
};

} // namespace lexidrop
