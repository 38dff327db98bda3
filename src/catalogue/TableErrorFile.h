#pragma once
// The details file of control characters found in tables: named like the
// settings file with the extension ERR, replaced as a whole on every write.
#include <kitbox/Result.h>

#include <QString>

namespace kitbox {

class TableErrorFile {
public:
    // Everything up to and including the settings file's last "." is kept and
    // "ERR" appended (a name without "." gets ".ERR").
    static QString pathFor(const QString &settingsFilePath);
    // Writes text as one line (followed by CR LF), atomically.
    static Status write(const QString &path, const QString &text);
};

} // namespace kitbox
