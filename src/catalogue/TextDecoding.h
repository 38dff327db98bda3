#pragma once
// Texts inside description files are UTF-8; a file written by another tool
// that is not valid UTF-8 is read as Latin-1.
#include <QByteArrayView>
#include <QString>

namespace kitbox {

// Whether every byte is below 0x80.
bool isAscii(QByteArrayView bytes);
// Whether bytes form valid UTF-8 (fast for plain ASCII).
bool isValidUtf8(QByteArrayView bytes);
QString decodeText(QByteArrayView bytes);
// Characters the text has once decoded (UTF-8 when valid, else one per byte).
qsizetype decodedLength(QByteArrayView bytes, bool utf8);

} // namespace kitbox
