// Placeholder until the table and its file land: keeps the table in memory.
#include "scores/high_scores.h"

namespace lexidrop {

namespace {
class NullStore : public HighScoreStore {
public:
    std::optional<std::string> read() override { return std::nullopt; }
    bool write(std::string_view) override { return false; }
};
} // namespace

std::unique_ptr<HighScoreStore> makeFileStore(std::filesystem::path) { return std::make_unique<NullStore>(); }

void HighScores::LoadHighScores(HighScoreStore&, PlaceLabels&, PlaceLabels&) {}
void HighScores::ShowHighScores(PlaceLabels& names, PlaceLabels& scores) const
{
    for (int i = 0; i < Places; ++i) {
        names[static_cast<std::size_t>(i)] = HsNames[static_cast<std::size_t>(i)];
        const auto s = HsScores[static_cast<std::size_t>(i)];
        scores[static_cast<std::size_t>(i)] = s == 0 ? std::string() : std::to_string(s);
    }
}
void HighScores::UpdateHighScores(std::int32_t, const NamePrompt&, HighScoreStore&) {}

} // namespace lexidrop
