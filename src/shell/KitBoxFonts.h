#pragma once
// Fixed-pitch fonts for the report and editor windows and for printing.
#include <QFont>
#include <QString>

namespace kitbox {

// The preferred family when it is installed and fixed-pitch, else the
// system's fixed font, else the first installed fixed-pitch family.
QFont fixedPitchFont(int pointSize, const QString &preferredFamily = QString());

} // namespace kitbox
