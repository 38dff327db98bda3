#pragma once
// Every file the program writes is replaced as a whole: the bytes go to a
// temporary file beside it, which takes the file's place only when all of
// them were written. A failed or interrupted save leaves the old file as it was.
#include <kitbox/Result.h>

#include <QByteArrayView>
#include <QString>

namespace kitbox {

// The error text names the file and the reason.
Status saveFileAtomically(const QString &path, QByteArrayView bytes);

} // namespace kitbox
