#pragma once
// Every file the program writes is replaced as a whole, so that a crash, a
// full disk or a refused directory in the middle never leaves a half-written
// file: the data goes to a temporary file beside the target, which replaces
// the target only when it is complete and on disk. A temporary file left by a
// killed process is removed by the next save of the same file.
#include <kitbox/Result.h>

#include <QByteArray>
#include <QString>

namespace kitbox {

// The error text names the file and the reason. errorCode, when given, receives the file error number of a failure
// (QFileDevice::FileError), for messages that show one.
Status saveFileAtomically(const QString &path, const QByteArray &data, int *errorCode = nullptr);

// Tests make the next saves run out of room after this many bytes, as a full
// disk would; a negative limit ends the simulation.
void setSaveSpaceLimitForTesting(qint64 bytes);

} // namespace kitbox
