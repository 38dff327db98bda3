#pragma once
// Reading and writing test files, and the name rules of the test file dialogs.
#include <kitbox/Result.h>

#include <QByteArrayView>
#include <QString>

#include <optional>

class TextCatalogue;

namespace kitbox {

class TestMatrix;

// What reading a test file delivered.
struct TestFileText {
    QString text;
    // Set when the file was longer than the limit and only its end was kept.
    bool truncated = false;
    qint64 fileSize = 0;
};

// Files longer than this are cut to their last part on load.
constexpr qint64 testFileSizeLimit = 30720;

// Reads a test file (UTF-8, else Latin-1). A file over the size limit keeps
// its last testFileSizeLimit characters behind a warning block in its first
// lines. A missing or unreadable file is a failure naming the path.
Result<TestFileText> readTestFile(const QString &path, const TextCatalogue &texts);
// The text of a file's bytes; for a truncated file the bytes are its end,
// of which the last testFileSizeLimit characters are kept behind the warning.
QString testFileText(QByteArrayView bytes, bool truncated, const TextCatalogue &texts);
// The warning shown before a cut-off load.
QString oversizedTestFileMessage(const QString &path, qint64 size, const TextCatalogue &texts);

// Writes the matrix to path as a whole (the old file stays as it was when the
// write fails part way).
Status saveTestFile(const QString &path, const TestMatrix &matrix);

// A name chosen in the save dialog: everything after ".TST" (any case) is cut
// off; a name without ".TST" gives nothing.
std::optional<QString> testFileSaveName(const QString &chosen);
// Whether a name names a test file (it contains ".TST", any case).
bool isTestFileName(const QString &name);
// The filter of the test file dialogs.
QString testFileFilter(const TextCatalogue &texts);

} // namespace kitbox
