// The top-ten table and its file hs.txt.
//
// HighScores holds the ten places (index 0 is first place).  Its three
// operations are those of the main window: LoadHighScores runs once at
// start-up, ShowHighScores copies the table into the twenty labels, and
// UpdateHighScores takes a finished game's score into the table when it
// earns a place, asks for the name and saves.  The file is reached only
// through a HighScoreStore, so tests can fake the disk.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lexidrop {

constexpr int Places = 10;

// The labels of the table: names (left) and scores (right), place by place.
using PlaceLabels = std::array<std::string, Places>;

// Asks the player for a name: prompt and title in, the typed text out ("" on Cancel).
using NamePrompt = std::function<std::string(const std::string& prompt, const std::string& title)>;

// Where the table is kept between runs.
class HighScoreStore {
public:
    virtual ~HighScoreStore() = default;
    // The file's bytes (at most as many as a table can need), or nothing when
    // it cannot be read at all.
    virtual std::optional<std::string> read() = 0;
    // Replaces the whole file; false when the save failed and nothing changed.
    virtual bool write(std::string_view contents) = 0;
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
    // Enters score if it earns a place (asking the name), then saves.  A
    // save that fails leaves the table in memory as it is now.
    void UpdateHighScores(std::int32_t score, const NamePrompt& ask, HighScoreStore& store);
};

} // namespace lexidrop
