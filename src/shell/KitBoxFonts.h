#pragma once
// The workbench's text font, and fixed-pitch fonts for the report and editor
// windows and for printing.
#include <QFont>
#include <QString>

namespace kitbox {

// The program's text font, made from the platform's: the workbench shows
// Latin captions, names and fixed-pitch reports, for which OpenType shaping
// and kerning change nothing worth the time they take (they are most of the
// cost of laying out a line, and of the first line the program measures).
// Scripts that cannot be read without shaping are still shaped.
QFont workbenchFont(const QFont &platformFont);

// The preferred family when it is installed and fixed-pitch, else the
// system's fixed font, else the first installed fixed-pitch family.
QFont fixedPitchFont(int pointSize, const QString &preferredFamily = QString());

} // namespace kitbox
