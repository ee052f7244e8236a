#pragma once
// Where the guide speaks of each window: the windows and dialogs of both
// programs, by objectName, and the anchor (an id of guide.html) of their
// section. F1 in a window opens the guide at its section (guide.h).
//
// A new window gets its section in two steps: a section in guide.html with
// its id, and one line in the table of sections.cpp,
//     {"objectNameOfTheWindow", "id-of-its-section"},
// tests/guide checks that every id named in the table is in the guide.
#include <QString>
#include <QStringList>
#include <vector>

namespace guide {

struct Section
{
    const char *window; // the window's objectName
    const char *anchor; // the id of its section in guide.html
};

// The table, in the order of the programs' windows.
const std::vector<Section> &sections();

// The anchor of the window of that objectName; empty when the table has
// none.
QString sectionOf(const QString &objectName);

// The ids of an HTML text (its anchors), in their order.
QStringList anchors(const QString &html);

} // namespace guide
