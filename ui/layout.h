// Where the main window's labels stand: each one's object name (by which
// tests, the screen-reader readout and other tools find it) and its box in
// client-area pixels.  The window builds its labels from this table and
// the readout reads the same entries, so a label moves or is renamed here
// alone.
#pragma once

#include <QRect>
#include <QString>

namespace lexidrop::ui {

// One label of the main window.
struct LabelPlace {
    const char* name; // the object name
    QRect box;        // client-area pixels
};

namespace layout {

constexpr LabelPlace ScoreCaption{"Label1", {289, 113, 113, 79}}; // "Score:", boxed
constexpr LabelPlace Score{"LblScore", {294, 152, 99, 33}};
constexpr LabelPlace TableCaption{"Label2", {289, 208, 112, 226}}; // "High Scores:", boxed round the table
constexpr LabelPlace LastWord{"lblLast", {288, 456, 113, 17}};
constexpr LabelPlace LastWordCaption{"Label3", {288, 440, 113, 17}}; // "Last Word"

constexpr const char* TableNamePrefix = "LblName";  // LblName0 .. LblName9
constexpr const char* TableScorePrefix = "LblHs";   // LblHs0 .. LblHs9

// The name and score labels of a place of the top-ten table, 0..9.  The
// first name stands a pixel higher than the rest.
inline QString tableNameObject(int place) { return QLatin1String(TableNamePrefix) + QString::number(place); }
inline QString tableScoreObject(int place) { return QLatin1String(TableScorePrefix) + QString::number(place); }
constexpr QRect tableNameBox(int place) { return {293, place == 0 ? 232 : 233 + 20 * place, 46, 19}; }
constexpr QRect tableScoreBox(int place) { return {344, 233 + 20 * place, 46, 19}; }

} // namespace layout

} // namespace lexidrop::ui
