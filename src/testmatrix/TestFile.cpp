#include "testmatrix/TestFile.h"

#include "catalogue/TextDecoding.h"
#include "shell/FileSave.h"
#include "shell/TextCatalogue.h"
#include "testmatrix/TestMatrix.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace kitbox {

namespace {

constexpr QStringView extension = u".TST";
constexpr int textFileLabel = 502;
constexpr int textTooLarge = 57;
constexpr int textCutWarning = 58;
constexpr int textFrontCut = 77;
constexpr int textTestFile = 73;
constexpr int textNotFound = 69;

std::string fileError(const QString &path, const QString &reason)
{
    return QString(path + u": " + reason).toStdString();
}

// Three lines that stand in the first steps of a cut-off test, so the user
// sees the cut in the editor itself.
QString warningBlock(const TextCatalogue &texts)
{
    QString bangs = QStringLiteral("!");
    for (int i = 1; i < 20; ++i)
        bangs += u" !";
    return bangs + u'\r' + u"! " + texts.text(textCutWarning) + u"  !" + u'\r' + bangs + u'\r';
}

} // namespace

QString oversizedTestFileMessage(const QString &path, qint64 size, const TextCatalogue &texts)
{
    return texts.text(textFileLabel) + path + u'\n' + texts.text(textTooLarge) + u" (" + QString::number(size) +
           u") Bytes" + u'\n' + texts.text(textFrontCut) + u'!';
}

Result<TestFileText> readTestFile(const QString &path, const TextCatalogue &texts)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return Result<TestFileText>::failure(fileError(path, texts.text(textNotFound)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<TestFileText>::failure(fileError(path, file.errorString()));
    TestFileText result;
    result.fileSize = file.size();
    result.truncated = result.fileSize > testFileSizeLimit;
    // A huge file costs no more than its tail: at most four bytes a character
    // are read from its end.
    const qint64 tailBytes = testFileSizeLimit * 4;
    if (result.truncated && !file.seek(std::max<qint64>(0, result.fileSize - tailBytes)))
        return Result<TestFileText>::failure(fileError(path, file.errorString()));
    const QByteArray bytes = file.read(tailBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return Result<TestFileText>::failure(fileError(path, file.errorString()));
    result.text = testFileText(bytes, result.truncated, texts);
    return result;
}

QString testFileText(QByteArrayView bytes, bool truncated, const TextCatalogue &texts)
{
    if (!truncated)
        return decodeText(bytes);
    // The cut may fall inside a UTF-8 character; its continuation bytes go.
    qsizetype start = 0;
    while (start < 3 && start < bytes.size() && (static_cast<unsigned char>(bytes[start]) & 0xC0) == 0x80)
        ++start;
    if (isValidUtf8(bytes.sliced(start)))
        bytes = bytes.sliced(start);
    return warningBlock(texts) + decodeText(bytes).right(testFileSizeLimit);
}

Status saveTestFile(const QString &path, const TestMatrix &matrix)
{
    return saveFileAtomically(path, matrix.serialise().toUtf8());
}

std::optional<QString> testFileSaveName(const QString &chosen)
{
    const qsizetype at = chosen.indexOf(extension, 0, Qt::CaseInsensitive);
    if (at < 0)
        return std::nullopt;
    return chosen.left(at + extension.size());
}

bool isTestFileName(const QString &name)
{
    return name.contains(extension, Qt::CaseInsensitive);
}

QString testFileFilter(const TextCatalogue &texts)
{
    return texts.text(textTestFile) + u" (*.tst *.TST)";
}

} // namespace kitbox
