#include "ui/accessibility.h"

#include <QAccessible>
#include <QWidget>

#include "ui/layout.h"
#include "ui/pictures.h"

namespace lexidrop::ui {

namespace {

AnnouncementListener listener = nullptr; // see listenToAnnouncements()

QString spoken(const std::string& text) { return QString::fromStdString(text); }

} // namespace

// ---------------------------------------------------------------- spoken forms

void listenToAnnouncements(AnnouncementListener heard) { listener = heard; }

QString spokenScore(const std::string& shown) { return spoken(spokenScoreText(shown)); }

QString spokenLastWord(const std::string& word, int points) { return spoken(spokenLastWordText(word, points)); }

QString spokenTableRow(int place, const std::string& name, const std::string& score)
{
    return spoken(spokenTableRowText(place, name, score));
}

// ---------------------------------------------------------------- notices

PlayFieldReadout::PlayFieldReadout(QWidget* field) : QObject(field), field_(field)
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
    spoken_.labelChanged(label, place, text);
    switch (label) {
    case Label::Score:
        setLabelName(layout::Score.name, scoreText());
        return;
    case Label::Last:
        setLabelName(layout::LastWord.name, lastWordText());
        return;
    case Label::Name:
    case Label::HighScore:
        break;
    }
    if (announcing()) {
        announce({SpokenPart::TableRow, place});
    }
}

void PlayFieldReadout::wordScored(const std::string& word, int points) { spoken_.wordScored(word, points); }

void PlayFieldReadout::tileChanged(const Tile& tile)
{
    char letter = 'a'; // a null picture is the stored letter-A tile
    if (!tile.Tag.empty()) {
        letter = tile.Tag.front();
    } else if (const auto* picture = dynamic_cast<const TilePicture*>(tile.Picture.get());
               picture != nullptr && !picture->letter.empty()) {
        letter = picture->letter.front();
    }
    spoken_.tileChanged(tile.Index, letter, tile.Left, tile.Top, tile.Visible);
    if (tile.Index >= 0 && announcing()) {
        announce(SpokenField::itemsAfterTile(tile.Index));
    }
}

void PlayFieldReadout::tileUnloaded(int index)
{
    if (spoken_.tileUnloaded(index) && announcing()) {
        announce(SpokenField::itemsAfterTile(index));
    }
}

void PlayFieldReadout::tileInPlay(int index)
{
    spoken_.tileInPlay(index);
    if (announcing()) {
        announce(SpokenField::wellItems());
    }
}

// ---------------------------------------------------------------- texts

QString PlayFieldReadout::scoreText() const { return spoken(spoken_.scoreText()); }
QString PlayFieldReadout::lastWordText() const { return spoken(spoken_.lastWordText()); }
QString PlayFieldReadout::nextPieceText() const { return spoken(spoken_.nextPieceText()); }
QString PlayFieldReadout::fallingText() const { return spoken(spoken_.fallingText()); }
QString PlayFieldReadout::tableRowText(int place) const { return spoken(spoken_.tableRowText(place)); }
QString PlayFieldReadout::wellRowText(int rowFromFloor) const { return spoken(spoken_.wellRowText(rowFromFloor)); }
QString PlayFieldReadout::stackHeightsText() const { return spoken(spoken_.stackHeightsText()); }

QString PlayFieldReadout::partText(SpokenPart part, int number) const
{
    return spoken(spoken_.itemText({part, number}));
}

QRect PlayFieldReadout::fallingRect() const
{
    const auto corner = spoken_.fallingCorner();
    return corner ? QRect(corner->at(0), corner->at(1), TileSize, TileSize) : QRect();
}

// ---------------------------------------------------------------- announcements

void PlayFieldReadout::setLabelName(const char* objectName, const QString& name)
{
    // The label's own accessible name; Qt tells the listeners it changed.
    QWidget* label = field_->findChild<QWidget*>(QLatin1String(objectName), Qt::FindDirectChildrenOnly);
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

void PlayFieldReadout::announce(SpokenItem item)
{
    if (!spoken_.heardChange(item)) {
        return;
    }
    auto* root = dynamic_cast<PlayFieldAccessible*>(QAccessible::queryAccessibleInterface(field_));
    QAccessibleInterface* part = root != nullptr ? root->part(item.part, item.number) : nullptr;
    if (part == nullptr) {
        return;
    }
    // The well's stack heights are its description; every other item speaks its name.
    QAccessibleEvent event(part, item.part == SpokenPart::Well ? QAccessible::DescriptionChanged
                                                               : QAccessible::NameChanged);
    send(event);
}

void PlayFieldReadout::announce(const std::vector<SpokenItem>& items)
{
    for (const SpokenItem& item : items) {
        announce(item);
    }
}

} // namespace lexidrop::ui
