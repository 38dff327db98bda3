#include "testmatrix/TestEditing.h"

#include "testmatrix/TestMatrix.h"
#include "testmatrix/TestRun.h"

#include <QList>
#include <QStringList>

#include <algorithm>

namespace kitbox::TestEditing {

namespace {

const QString nl = QStringLiteral("\r\n");

// The double-quoted texts of a line, in order; an unclosed quote ends the list.
QList<QStringView> quotedTexts(QStringView line)
{
    QList<QStringView> texts;
    qsizetype from = 0;
    while (true) {
        const qsizetype open = line.indexOf(u'"', from);
        const qsizetype close = open < 0 ? -1 : line.indexOf(u'"', open + 1);
        if (close < 0)
            return texts;
        texts << line.sliced(open + 1, close - open - 1);
        from = close + 1;
    }
}

QList<QStringView> lines(QStringView text)
{
    QList<QStringView> out;
    for (QStringView line : text.tokenize(u'\n'))
        out << (line.endsWith(u'\r') ? line.chopped(1) : line);
    return out;
}

// The bytes of the dump lines that follow the "{DATA}: n Bytes" line, at most
// n. False when the echo has no such line.
bool dumpBytes(const QList<QStringView> &textLines, QByteArray &bytes)
{
    qsizetype at = -1;
    int count = 0;
    for (qsizetype i = 1; i < textLines.size() && at < 0; ++i) {
        const QStringView line = textLines[i].trimmed();
        const qsizetype unit = line.indexOf(u"BYTES", 0, Qt::CaseInsensitive);
        if (line.startsWith(u"{DATA}:", Qt::CaseInsensitive) && unit > 0) {
            at = i;
            count = TestRun::leadingNumber(line.sliced(7, unit - 7));
        }
    }
    if (at < 0)
        return false;
    for (qsizetype i = at + 1; i < textLines.size() && bytes.size() < count; ++i) {
        const qsizetype colon = textLines[i].indexOf(u" :");
        if (colon < 0)
            break;
        // The hex field is 50 characters wide; the characters of the bytes follow it.
        for (QStringView pair : textLines[i].mid(colon + 2, 50).tokenize(u' ', Qt::SkipEmptyParts)) {
            bool ok = false;
            const uint value = pair.toUInt(&ok, 16);
            if (!ok || pair.size() != 2 || bytes.size() >= count)
                break;
            bytes.append(char(value));
        }
    }
    return true;
}

} // namespace

CellRange allSteps()
{
    return {1, 1, TestMatrix::lastStep, TestMatrix::lastField};
}

bool isToggleColumn(int column)
{
    return column == TestMatrix::DataFlag || column == TestMatrix::OutputFlag;
}

QString cleaned(QStringView typed, bool *refused)
{
    QString text;
    text.reserve(typed.size());
    bool bar = false;
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar c = typed[i];
        if (c == u'|') {
            bar = true;
        } else if (c == u'\r' || c == u'\n' || c == u'\t') {
            text += u';';
            if (c == u'\r' && i + 1 < typed.size() && typed[i + 1] == u'\n')
                ++i;
        } else {
            text += c;
        }
    }
    if (refused)
        *refused = bar;
    return text;
}

QString takenOver(int column, const QString &current, QStringView typed, bool *refused)
{
    if (refused)
        *refused = false;
    if (column == TestMatrix::DataFlag)
        return current.isEmpty() ? QStringLiteral("ja") : QString();
    if (column == TestMatrix::OutputFlag)
        return current.isEmpty() ? QStringLiteral("nein") : QString();
    return cleaned(typed, refused);
}

bool isJobEcho(QStringView text)
{
    return text.trimmed().startsWith(u"APIJOB", Qt::CaseInsensitive);
}

bool importJobEcho(TestMatrix &matrix, int row, QStringView text)
{
    if (!isJobEcho(text) || row < 1 || row > TestMatrix::lastStep)
        return false;
    const QList<QStringView> textLines = lines(text.trimmed());
    const QStringView echo = textLines.first();
    const QList<QStringView> quoted = quotedTexts(echo);
    auto set = [&](int column, qsizetype index) {
        if (index < quoted.size())
            matrix.setCell(row, column, cleaned(quoted[index]));
    };
    set(TestMatrix::Description, 0);
    set(TestMatrix::Job, 1);
    if (echo.startsWith(u"APIJOBDATA", Qt::CaseInsensitive)) {
        const qsizetype data = echo.indexOf(u"{DATA}", 0, Qt::CaseInsensitive);
        if (data >= 0) {
            const QList<QStringView> after = quotedTexts(echo.sliced(data));
            if (!after.isEmpty())
                matrix.setCell(row, TestMatrix::Results, cleaned(after.first()));
        }
        QByteArray bytes;
        if (dumpBytes(textLines, bytes)) {
            QStringList pairs;
            for (const char b : bytes)
                pairs << QStringLiteral("%1").arg(uint(uchar(b)), 2, 16, QLatin1Char('0')).toUpper();
            matrix.setCell(row, TestMatrix::Arguments, pairs.join(u' '));
            matrix.setCell(row, TestMatrix::DataFlag, QStringLiteral("ja"));
        }
    } else {
        // A text job: arguments left as hex bytes would be read wrongly by the run.
        matrix.setCell(row, TestMatrix::DataFlag, QString());
        set(TestMatrix::Arguments, 2);
        set(TestMatrix::Results, 3);
    }
    matrix.setCell(row, TestMatrix::Count, QStringLiteral("1"));
    return true;
}

QString copyBlock(TestMatrix &matrix, const CellRange &range, bool clear)
{
    QString text;
    for (int r = range.top; r <= range.bottom; ++r) {
        if (r > range.top)
            text += nl;
        for (int c = range.left; c <= range.right; ++c) {
            if (c > range.left)
                text += u'\t';
            text += matrix.cell(r, c);
            if (clear)
                matrix.setCell(r, c, QString());
        }
    }
    return text;
}

bool pasteBlock(TestMatrix &matrix, int row, int column, QStringView text)
{
    QString block = text.toString();
    block.remove(u'\n');
    block.remove(u'|');
    if (block.endsWith(u'\r'))
        block.chop(1);
    if (block.isEmpty())
        return false;
    bool changed = false;
    int r = row;
    for (QStringView line : QStringView(block).tokenize(u'\r')) {
        int c = column;
        for (QStringView cell : line.tokenize(u'\t')) {
            if (r >= 1 && r <= TestMatrix::lastStep && c >= 1 && c <= TestMatrix::lastField &&
                matrix.cell(r, c) != cell) {
                matrix.setCell(r, c, cell.toString());
                changed = true;
            }
            ++c;
        }
        ++r;
    }
    return changed;
}

QString printText(const TestMatrix &matrix, const QString &fileName)
{
    const QString rule = QString(140, u'=');
    QString text = rule + nl +
                   QStringLiteral("      Ausdruch der:                       T E S T T A B E L L E                  ") +
                   nl + QStringLiteral("      ") + fileName + nl + rule + nl;
    for (int c = 0; c < TestMatrix::columnCount; ++c)
        text += TestMatrix::columnTitle(c) + u" |";
    return text + nl + matrix.serialise();
}

} // namespace kitbox::TestEditing
