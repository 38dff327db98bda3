#pragma once
// Printing, through the print module that is loaded on first use: the program
// starts without the print library, which it needs only when asked whether a
// printer is installed (after the window is shown) and when it prints.
#include <kitbox/Result.h>

#include <QFont>
#include <QString>

namespace kitbox {

// Whether the system lists a printer; false when the print module is missing.
bool printersInstalled();

// Prints text (lines separated by CR LF) in the font on the default printer.
// A failure carries the text to show.
Status printText(const QString &documentName, const QString &text, const QFont &font);

} // namespace kitbox
