// What a screen reader learns of the main window, through Qt's
// accessibility framework.
//
// The window draws the well, its tiles and the next piece as pictures, and
// shows the score, the last word and the top ten as bare label texts; none
// of that says anything when read out.  A PlayFieldReadout, owned by the
// client area (the Surface), keeps what the game's notices told the window
// (label texts, the word that scored, tile positions, the tile in play,
// the preview's picture) and turns it into spoken texts:
//
//   "Score: 120"                      the score label's accessible name
//   "Last word: cat, 8 points"        the last-word label's accessible name
//   "Next piece: Q"                   the preview tile
//   "1. Ann, 412" ... "10. empty"     the rows of the top-ten table
//   "Falling: B, column 4, row 14"    the tile in play
//   "Row 1: . . C A T . . ."          the rows of the well, floor first
//
// Rows count up from the floor (row 1) to row 15, the row just above the
// well's rim; columns count 1 to 8 from the left.
//
// The client area's accessible object (PlayFieldAccessible, made by a
// factory this file installs) lists, in reading order: the falling tile, the
// well with its rows, the next piece, the score label, the top-ten table
// with its rows, the last-word label, then any other child widget.  The
// captions and the twenty table labels are folded into those items and not
// listed themselves.  The items that are no widget are built when a reader
// first asks and live as long as the client area's object.
//
// The readout never reads the game back and does nothing per paint: a
// notice stores its values; texts are built when a reader asks.  Only while
// someone listens (an active assistive technology, or a listener below)
// does a notice also build the texts it may have changed, and announce
// those that did (NameChanged, and DescriptionChanged for the well's stack
// heights) so that a reader hears e.g. the score change or the falling
// tile reach the next row.  A text is first built silently: what a reader
// finds when it first looks is no change.
#pragma once

#include <QAccessibleWidget>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <string>
#include <vector>

#include "game/port.h"
#include "ui/spoken_field.h"

class QWidget;

namespace lexidrop::ui {

// The spoken forms of single label texts, as shown on screen.
QString spokenScore(const std::string& shown);                                   // "Score: 120"
QString spokenLastWord(const std::string& word, int points);                       // "Last word: cat, 8 points"
QString spokenTableRow(int place, const std::string& name, const std::string& score); // "1. Ann, 412"

// Where announcements go.  Qt hands them to the platform's bridge while an
// assistive technology is active, and drops them otherwise; a listener set
// here hears every announcement the readout makes (and the label name
// changes Qt makes for it), active or not: tests on a platform without a
// bridge listen this way.  Null stops listening.
using AnnouncementListener = void (*)(QAccessibleEvent* event);
void listenToAnnouncements(AnnouncementListener listener);

class PlayFieldReadout : public QObject {
    Q_OBJECT
public:
    // Becomes a child of the client area it speaks for; installs the
    // accessibility factory once per program.
    explicit PlayFieldReadout(QWidget* field);

    // --- the notices, as the window receives them ---
    void labelChanged(Label label, int place, const std::string& text);
    void wordScored(const std::string& word, int points);
    void tileChanged(const Tile& tile);
    void tileUnloaded(int index);
    void tileInPlay(int index);

    // --- the spoken texts, built on each call ---
    QString scoreText() const;
    QString lastWordText() const;
    QString nextPieceText() const;
    QString fallingText() const;
    QString tableRowText(int place) const;       // place 0..9
    QString wellRowText(int rowFromFloor) const; // 1..SpokenRows
    QString stackHeightsText() const;            // highest row reached in each column
    // Where the tile in play stands in the client area; null when none.
    QRect fallingRect() const;
    // The text of an item that is no widget; number is the row or place.
    QString partText(SpokenPart part, int number = 0) const;

private:
    void setLabelName(const char* objectName, const QString& name);
    static bool announcing();                     // someone may hear an announcement
    static void send(QAccessibleEvent& event);
    void announce(SpokenItem item);               // if its text changed since last heard
    void announce(const std::vector<SpokenItem>& items);

    QWidget* field_;      // the client area, our parent
    SpokenField spoken_;  // what the notices told, and what was last heard
};

// Gives the client area (the widget a readout belongs to) its accessible
// object; the first readout installs it.
QAccessibleInterface* playFieldFactory(const QString& className, QObject* object);

// The accessible object of the client area: the readout's items in reading
// order, then the child widgets that are not folded into them.
class PlayFieldAccessible : public QAccessibleWidget {
public:
    PlayFieldAccessible(QWidget* field, PlayFieldReadout* readout);
    ~PlayFieldAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text t) const override;

    // The item for a part (row or place in number); null if none.
    QAccessibleInterface* part(SpokenPart part, int number = 0) const;
    // The readout, while the client area lives.
    PlayFieldReadout* readout() const;
    // The client area's rectangle of an item, in its own coordinates.
    QRect partRect(SpokenPart part, int number) const;

private:
    std::vector<QAccessibleInterface*> children() const;
    void ensureParts() const;

    QPointer<PlayFieldReadout> readout_;
    mutable std::vector<QAccessible::Id> parts_; // the items, built on first use
};

} // namespace lexidrop::ui
