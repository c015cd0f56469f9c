// The client area's accessible object and the items of the readout that
// are no widget of their own (accessibility.h): the Qt side of the tree a
// screen reader walks.  What the items say comes from the readout.
#include "ui/accessibility.h"

#include <QAccessible>
#include <QWidget>

#include <algorithm>

#include "ui/layout.h"
#include "ui/surface.h"

namespace lexidrop::ui {

namespace {

// The labels whose text the readout's items already speak.
bool foldedIntoItems(const QString& objectName)
{
    return objectName == QLatin1String(layout::ScoreCaption.name) ||
           objectName == QLatin1String(layout::TableCaption.name) ||
           objectName == QLatin1String(layout::LastWordCaption.name) ||
           objectName.startsWith(QLatin1String(layout::TableNamePrefix)) ||
           objectName.startsWith(QLatin1String(layout::TableScorePrefix));
}

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
} // namespace

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
    parts_.reserve(static_cast<std::size_t>(SpokenSlots));
    for (int slot = 0; slot < SpokenSlots; ++slot) {
        const SpokenItem item = itemOfSlot(slot);
        parts_.push_back(QAccessible::registerAccessibleInterface(new PartItem(this, item.part, item.number)));
    }
}

QAccessibleInterface* PlayFieldAccessible::part(SpokenPart part, int number) const
{
    const int slot = slotOf({part, number});
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
