#include "ui/accessibility.h"

#include <QAccessible>
#include <QLabel>
#include <QWidget>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "game/geometry.h"
#include "ui/layout.h"
#include "ui/pictures.h"
#include "ui/surface.h"

namespace lexidrop::ui {

namespace {

// Each item that is no widget has a slot: its place in the root's list
// of items and in the readout's list of announced texts.
constexpr int FirstWellRowSlot = 4;
constexpr int FirstTableRowSlot = FirstWellRowSlot + SpokenRows;
constexpr int SlotCount = FirstTableRowSlot + SpokenPlaces;

int slotOf(SpokenPart part, int number)
{
    switch (part) {
    case SpokenPart::Falling:
        return 0;
    case SpokenPart::Well:
        return 1;
    case SpokenPart::NextPiece:
        return 2;
    case SpokenPart::Table:
        return 3;
    case SpokenPart::WellRow:
        return number >= 1 && number <= SpokenRows ? FirstWellRowSlot + number - 1 : -1;
    case SpokenPart::TableRow:
        return number >= 0 && number < SpokenPlaces ? FirstTableRowSlot + number : -1;
    }
    return -1;
}

struct PartKey {
    SpokenPart part;
    int number;
};

PartKey partOfSlot(int slot)
{
    if (slot >= FirstTableRowSlot) {
        return {SpokenPart::TableRow, slot - FirstTableRowSlot};
    }
    if (slot >= FirstWellRowSlot) {
        return {SpokenPart::WellRow, slot - FirstWellRowSlot + 1};
    }
    constexpr std::array<SpokenPart, 4> first{SpokenPart::Falling, SpokenPart::Well, SpokenPart::NextPiece,
                                              SpokenPart::Table};
    return {first.at(static_cast<std::size_t>(slot)), 0};
}

QString trimmed(const std::string& text) { return QString::fromStdString(text).trimmed(); }

QChar capital(char letter) { return QChar(static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))); }

// The labels whose text the readout's items already speak.
bool foldedIntoItems(const QString& objectName)
{
    return objectName == QLatin1String(layout::ScoreCaption.name) ||
           objectName == QLatin1String(layout::TableCaption.name) ||
           objectName == QLatin1String(layout::LastWordCaption.name) ||
           objectName.startsWith(QLatin1String(layout::TableNamePrefix)) ||
           objectName.startsWith(QLatin1String(layout::TableScorePrefix));
}

AnnouncementListener listener = nullptr; // see listenToAnnouncements()

QWidget* childNamed(const QWidget* field, const QString& name)
{
    return field->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
}

// The readout's items that are no widget: a row, a table, the falling tile.
class PartItem : public QAccessibleInterface {
public:
    PartItem(const PlayFieldAccessible* root, SpokenPart part, int number) : root_(root), part_(part), number_(number) {}

    SpokenPart part() const { return part_; }
    int number() const { return number_; }

    bool isValid() const override { return root_->isValid() && root_->readout() != nullptr; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return root_->window(); }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

    QAccessibleInterface* parent() const override
    {
        switch (part_) {
        case SpokenPart::WellRow:
            return root_->part(SpokenPart::Well);
        case SpokenPart::TableRow:
            return root_->part(SpokenPart::Table);
        default:
            return const_cast<PlayFieldAccessible*>(root_);
        }
    }

    int childCount() const override
    {
        return part_ == SpokenPart::Well ? SpokenRows : part_ == SpokenPart::Table ? SpokenPlaces : 0;
    }

    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount()) {
            return nullptr;
        }
        // The well's rows from the floor up; the table's from first place down.
        return part_ == SpokenPart::Well ? root_->part(SpokenPart::WellRow, index + 1)
                                         : root_->part(SpokenPart::TableRow, index);
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const auto* item = dynamic_cast<const PartItem*>(child);
        if (item == nullptr || item->root_ != root_) {
            return -1;
        }
        if (part_ == SpokenPart::Well && item->part_ == SpokenPart::WellRow) {
            return item->number_ - 1;
        }
        if (part_ == SpokenPart::Table && item->part_ == SpokenPart::TableRow) {
            return item->number_;
        }
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        for (int i = 0; i < childCount(); ++i) {
            QAccessibleInterface* row = child(i);
            if (row != nullptr && row->rect().contains(x, y)) {
                return row;
            }
        }
        return nullptr;
    }

    QString text(QAccessible::Text t) const override
    {
        const PlayFieldReadout* readout = isValid() ? root_->readout() : nullptr;
        if (readout == nullptr) {
            return {};
        }
        if (t == QAccessible::Name) {
            return readout->partText(part_, number_);
        }
        if (t == QAccessible::Description && part_ == SpokenPart::Well) {
            return readout->stackHeightsText() +
                   QStringLiteral(". Rows count up from the floor, columns 1 to 8 from the left.");
        }
        return {};
    }

    QRect rect() const override
    {
        const QRect local = root_->partRect(part_, number_);
        if (local.isNull() || !root_->isValid()) {
            return {};
        }
        const auto* field = static_cast<const QWidget*>(root_->object());
        return QRect(field->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::Role role() const override
    {
        switch (part_) {
        case SpokenPart::Well:
        case SpokenPart::Table:
            return QAccessible::List;
        case SpokenPart::WellRow:
        case SpokenPart::TableRow:
            return QAccessible::ListItem;
        default:
            return QAccessible::StaticText;
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.readOnly = true;
        state.invisible = !root_->isValid() || !static_cast<const QWidget*>(root_->object())->isVisible();
        return state;
    }

private:
    const PlayFieldAccessible* root_; // owns this item
    SpokenPart part_;
    int number_; // the row from the floor, or the table's place
};

// Gives the client area (the widget a readout belongs to) its accessible object.
QAccessibleInterface* playFieldFactory(const QString& className, QObject* object)
{
    // Asked once per class of the object's ancestry: answer at the first.
    if (object == nullptr || !object->isWidgetType() ||
        className != QLatin1String(object->metaObject()->className())) {
        return nullptr;
    }
    auto* readout = object->findChild<PlayFieldReadout*>(QString(), Qt::FindDirectChildrenOnly);
    if (readout == nullptr) {
        return nullptr;
    }
    return new PlayFieldAccessible(static_cast<QWidget*>(object), readout);
}

} // namespace

// ---------------------------------------------------------------- spoken forms

void listenToAnnouncements(AnnouncementListener heard) { listener = heard; }

QString spokenScore(const std::string& shown) { return QStringLiteral("Score: ") + trimmed(shown); }

QString spokenLastWord(const std::string& word, int points)
{
    if (word.empty()) {
        return QStringLiteral("Last word: none");
    }
    // The label spaces the word from its points; read out, a pause says the same.
    return QStringLiteral("Last word: %1, %2 points").arg(QString::fromStdString(word)).arg(points);
}

QString spokenTableRow(int place, const std::string& name, const std::string& score)
{
    const QString who = trimmed(name);
    const QString points = trimmed(score);
    QString row = QString::number(place + 1) + QStringLiteral(". ");
    if (who.isEmpty() && points.isEmpty()) {
        return row + QStringLiteral("empty");
    }
    row += who.isEmpty() ? QStringLiteral("no name") : who;
    if (!points.isEmpty()) {
        row += QStringLiteral(", ") + points;
    }
    return row;
}

// ---------------------------------------------------------------- readout

PlayFieldReadout::PlayFieldReadout(QWidget* field)
    : QObject(field), field_(field), announced_(static_cast<std::size_t>(SlotCount))
{
    static const bool installed = [] {
        QAccessible::installFactory(&playFieldFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setObjectName(QStringLiteral("readout"));
}

void PlayFieldReadout::labelChanged(Label label, int place, const std::string& text)
{
    if (place < 0 || place >= SpokenPlaces) {
        return;
    }
    const auto at = static_cast<std::size_t>(place);
    switch (label) {
    case Label::Score:
        score_ = text;
        setLabelName(layout::Score.name, scoreText());
        return;
    case Label::Last:
        // The label shows the word told just before; empty, it shows none.
        if (text.empty()) {
            lastWord_.clear();
        }
        setLabelName(layout::LastWord.name, lastWordText());
        return;
    case Label::Name:
        names_.at(at) = text;
        break;
    case Label::HighScore:
        scores_.at(at) = text;
        break;
    }
    if (announcing()) {
        announce(SpokenPart::TableRow, place, slotOf(SpokenPart::TableRow, place));
    }
}

void PlayFieldReadout::tileChanged(const Tile& tile)
{
    if (tile.Index < 0) {
        return;
    }
    const auto index = static_cast<std::size_t>(tile.Index);
    if (index >= tiles_.size()) {
        tiles_.resize(index + 1);
        if (index >= 1) {
            spawned_ = index; // a new tile comes into play
        }
    }
    SeenTile& seen = tiles_[index];
    seen.letter = 'a'; // a null picture is the stored letter-A tile
    if (!tile.Tag.empty()) {
        seen.letter = tile.Tag.front();
    } else if (const auto* picture = dynamic_cast<const TilePicture*>(tile.Picture.get());
               picture != nullptr && !picture->letter.empty()) {
        seen.letter = picture->letter.front();
    }
    seen.left = static_cast<int>(std::lround(tile.Left));
    seen.top = static_cast<int>(std::lround(tile.Top));
    seen.visible = tile.Visible;
    if (!announcing()) {
        return;
    }
    if (index == 0) {
        announce(SpokenPart::NextPiece, 0, slotOf(SpokenPart::NextPiece, 0));
    } else {
        announceWell();
    }
}

void PlayFieldReadout::tileUnloaded(int index)
{
    if (index < 1 || static_cast<std::size_t>(index) >= tiles_.size()) {
        return;
    }
    tiles_[static_cast<std::size_t>(index)] = SeenTile{};
    while (tiles_.size() > 1 && !tiles_.back().visible && tiles_.back().letter == 0) {
        tiles_.pop_back();
    }
    // A word or a game has ended: whatever is left stands still.
    spawned_ = 0;
    if (announcing()) {
        announceWell();
    }
}

QString PlayFieldReadout::scoreText() const { return spokenScore(score_); }

QString PlayFieldReadout::lastWordText() const { return spokenLastWord(lastWord_, lastPoints_); }

void PlayFieldReadout::wordScored(const std::string& word, int points)
{
    // Spoken when the last-word label shows it, next.
    lastWord_ = word;
    lastPoints_ = points;
}

QString PlayFieldReadout::nextPieceText() const
{
    const char letter = tiles_.empty() ? 'a' : tiles_.front().letter;
    return QStringLiteral("Next piece: ") + capital(letter == 0 ? 'a' : letter);
}

QString PlayFieldReadout::fallingText() const
{
    const int index = fallingIndex();
    if (index == 0) {
        return QStringLiteral("Falling: none");
    }
    const SeenTile& tile = tiles_.at(static_cast<std::size_t>(index));
    const Cell cell = cellOf(tile);
    const QString where = cell.rowFromFloor > SpokenRows ? QStringLiteral("above the well")
                                                         : QStringLiteral("row %1").arg(cell.rowFromFloor);
    return QStringLiteral("Falling: %1, column %2, %3").arg(capital(tile.letter)).arg(cell.column + 1).arg(where);
}

QString PlayFieldReadout::tableRowText(int place) const
{
    if (place < 0 || place >= SpokenPlaces) {
        return {};
    }
    const auto at = static_cast<std::size_t>(place);
    return spokenTableRow(place, names_.at(at), scores_.at(at));
}

QString PlayFieldReadout::wellRowText(int rowFromFloor) const
{
    if (rowFromFloor < 1 || rowFromFloor > SpokenRows) {
        return {};
    }
    const Grid cells = grid();
    QString row = QStringLiteral("Row %1:").arg(rowFromFloor);
    for (int column = 0; column < Columns; ++column) {
        const char letter = cells.at(static_cast<std::size_t>((rowFromFloor - 1) * Columns + column));
        row += QLatin1Char(' ');
        row += letter == 0 ? QChar(u'.') : capital(letter);
    }
    return row;
}

QString PlayFieldReadout::stackHeightsText() const
{
    const Grid cells = grid();
    QString heights = QStringLiteral("Stack heights:");
    for (int column = 0; column < Columns; ++column) {
        int height = 0;
        for (int row = 1; row <= SpokenRows; ++row) {
            if (cells.at(static_cast<std::size_t>((row - 1) * Columns + column)) != 0) {
                height = row;
            }
        }
        heights += QLatin1Char(' ') + QString::number(height);
    }
    return heights;
}

QString PlayFieldReadout::partText(SpokenPart part, int number) const
{
    switch (part) {
    case SpokenPart::Falling:
        return fallingText();
    case SpokenPart::Well:
        return QStringLiteral("Well");
    case SpokenPart::NextPiece:
        return nextPieceText();
    case SpokenPart::Table:
        return QStringLiteral("High Scores");
    case SpokenPart::WellRow:
        return wellRowText(number);
    case SpokenPart::TableRow:
        return tableRowText(number);
    }
    return {};
}

QRect PlayFieldReadout::fallingRect() const
{
    const int index = fallingIndex();
    if (index == 0) {
        return {};
    }
    const SeenTile& tile = tiles_.at(static_cast<std::size_t>(index));
    return QRect(tile.left, tile.top, TileSize, TileSize);
}

PlayFieldReadout::Cell PlayFieldReadout::cellOf(const SeenTile& tile)
{
    const auto column = static_cast<int>(roundHalfEven(columnOf(static_cast<float>(tile.left))));
    const auto row = static_cast<int>(roundHalfEven(rowOf(static_cast<float>(tile.top))));
    return Cell{column, SpokenRows - row};
}

bool PlayFieldReadout::onGrid(const SeenTile& tile) const
{
    const Cell cell = cellOf(tile);
    return tile.left == leftOfColumn(cell.column) && tile.top == topOfRow(SpokenRows - cell.rowFromFloor);
}

bool PlayFieldReadout::rests(std::size_t index) const
{
    const SeenTile& tile = tiles_.at(index);
    if (!onGrid(tile)) {
        return false;
    }
    if (tile.top == topOfRow(FloorRow)) {
        return true;
    }
    for (std::size_t i = 1; i < tiles_.size(); ++i) {
        const SeenTile& other = tiles_[i];
        if (i != index && other.visible && other.left == tile.left && other.top == tile.top + TileSize) {
            return true;
        }
    }
    return false;
}

int PlayFieldReadout::fallingIndex() const
{
    if (spawned_ == 0 || spawned_ >= tiles_.size() || !tiles_[spawned_].visible || rests(spawned_)) {
        return 0;
    }
    return static_cast<int>(spawned_);
}

PlayFieldReadout::Grid PlayFieldReadout::grid() const
{
    Grid cells{};
    const auto falling = static_cast<std::size_t>(fallingIndex());
    for (std::size_t i = 1; i < tiles_.size(); ++i) {
        const SeenTile& tile = tiles_[i];
        if (i == falling || !tile.visible || tile.letter == 0) {
            continue;
        }
        const Cell cell = cellOf(tile);
        if (cell.column >= 0 && cell.column < Columns && cell.rowFromFloor >= 1 && cell.rowFromFloor <= SpokenRows) {
            cells.at(static_cast<std::size_t>((cell.rowFromFloor - 1) * Columns + cell.column)) = tile.letter;
        }
    }
    return cells;
}

void PlayFieldReadout::setLabelName(const char* objectName, const QString& name)
{
    // The label's own accessible name; Qt tells the listeners it changed.
    QWidget* label = childNamed(field_, QLatin1String(objectName));
    if (label == nullptr || label->accessibleName() == name) {
        return;
    }
    label->setAccessibleName(name); // Qt announces this itself
    if (listener != nullptr) {
        QAccessibleEvent event(label, QAccessible::NameChanged);
        listener(&event);
    }
}

bool PlayFieldReadout::announcing() { return listener != nullptr || QAccessible::isActive(); }

void PlayFieldReadout::send(QAccessibleEvent& event)
{
    if (listener != nullptr) {
        listener(&event);
    } else {
        QAccessible::updateAccessibility(&event);
    }
}

void PlayFieldReadout::announce(SpokenPart part, int number, int slot)
{
    if (slot < 0 || slot >= SlotCount) {
        return;
    }
    const bool description = part == SpokenPart::Well;
    const QString now = description ? stackHeightsText() : partText(part, number);
    QString& last = announced_.at(static_cast<std::size_t>(slot));
    const bool first = last.isNull(); // what a reader finds when it first looks is no change
    if (last == now && !first) {
        return;
    }
    last = now;
    if (first) {
        return;
    }
    auto* root = dynamic_cast<PlayFieldAccessible*>(QAccessible::queryAccessibleInterface(field_));
    QAccessibleInterface* item = root != nullptr ? root->part(part, number) : nullptr;
    if (item == nullptr) {
        return;
    }
    QAccessibleEvent event(item, description ? QAccessible::DescriptionChanged : QAccessible::NameChanged);
    send(event);
}

void PlayFieldReadout::announceWell()
{
    announce(SpokenPart::Falling, 0, slotOf(SpokenPart::Falling, 0));
    for (int row = 1; row <= SpokenRows; ++row) {
        announce(SpokenPart::WellRow, row, slotOf(SpokenPart::WellRow, row));
    }
    announce(SpokenPart::Well, 0, slotOf(SpokenPart::Well, 0));
}

// ---------------------------------------------------------------- the client area's object

PlayFieldAccessible::PlayFieldAccessible(QWidget* field, PlayFieldReadout* readout)
    : QAccessibleWidget(field, QAccessible::Pane, QStringLiteral("Play field")), readout_(readout)
{
}

PlayFieldAccessible::~PlayFieldAccessible()
{
    for (QAccessible::Id id : parts_) {
        QAccessible::deleteAccessibleInterface(id);
    }
}

PlayFieldReadout* PlayFieldAccessible::readout() const { return readout_.data(); }

void PlayFieldAccessible::ensureParts() const
{
    if (!parts_.empty()) {
        return;
    }
    parts_.reserve(static_cast<std::size_t>(SlotCount));
    for (int slot = 0; slot < SlotCount; ++slot) {
        const PartKey key = partOfSlot(slot);
        parts_.push_back(QAccessible::registerAccessibleInterface(new PartItem(this, key.part, key.number)));
    }
}

QAccessibleInterface* PlayFieldAccessible::part(SpokenPart part, int number) const
{
    const int slot = slotOf(part, number);
    if (slot < 0) {
        return nullptr;
    }
    ensureParts();
    return QAccessible::accessibleInterface(parts_.at(static_cast<std::size_t>(slot)));
}

std::vector<QAccessibleInterface*> PlayFieldAccessible::children() const
{
    std::vector<QAccessibleInterface*> list;
    const QWidget* field = widget();
    if (field == nullptr) {
        return list;
    }
    const auto add = [&list](QAccessibleInterface* iface) {
        if (iface != nullptr) {
            list.push_back(iface);
        }
    };
    const auto addLabel = [&](const char* name) {
        if (QWidget* label = childNamed(field, QLatin1String(name))) {
            add(QAccessible::queryAccessibleInterface(label));
        }
    };
    if (readout_) {
        add(part(SpokenPart::Falling));
        add(part(SpokenPart::Well));
        add(part(SpokenPart::NextPiece));
        addLabel(layout::Score.name);
        add(part(SpokenPart::Table));
        addLabel(layout::LastWord.name);
    }
    for (QObject* object : field->children()) {
        auto* other = qobject_cast<QWidget*>(object);
        if (other == nullptr || other->isWindow() || foldedIntoItems(other->objectName()) ||
            (readout_ && (other->objectName() == QLatin1String(layout::Score.name) ||
                          other->objectName() == QLatin1String(layout::LastWord.name)))) {
            continue;
        }
        add(QAccessible::queryAccessibleInterface(other));
    }
    return list;
}

int PlayFieldAccessible::childCount() const { return static_cast<int>(children().size()); }

QAccessibleInterface* PlayFieldAccessible::child(int index) const
{
    const std::vector<QAccessibleInterface*> list = children();
    return index >= 0 && static_cast<std::size_t>(index) < list.size() ? list[static_cast<std::size_t>(index)]
                                                                        : nullptr;
}

int PlayFieldAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    const std::vector<QAccessibleInterface*> list = children();
    const auto found = std::find(list.begin(), list.end(), child);
    return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

QAccessibleInterface* PlayFieldAccessible::childAt(int x, int y) const
{
    // The falling tile comes before the well it lies in.
    for (QAccessibleInterface* child : children()) {
        if (child->isValid() && child->rect().contains(x, y)) {
            return child;
        }
    }
    return nullptr;
}

QString PlayFieldAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Description) {
        return QStringLiteral("Left and Right move the falling tile one column, Down pushes it down.");
    }
    return QAccessibleWidget::text(t);
}

QRect PlayFieldAccessible::partRect(SpokenPart part, int number) const
{
    if (widget() == nullptr) {
        return {};
    }
    const QRect well(WellLeft, SpawnTop, Columns * TileSize, FloorRow * TileSize);
    switch (part) {
    case SpokenPart::Falling:
        return readout_ ? readout_->fallingRect() : QRect();
    case SpokenPart::Well:
        return well;
    case SpokenPart::WellRow:
        return QRect(WellLeft, topOfRow(SpokenRows - number), Columns * TileSize, TileSize);
    case SpokenPart::NextPiece:
        return PanelRect;
    case SpokenPart::Table:
        return layout::TableCaption.box;
    case SpokenPart::TableRow:
        return layout::tableNameBox(number).united(layout::tableScoreBox(number));
    }
    return {};
}

} // namespace lexidrop::ui
