#include "shell/MainWindowRules.h"

#include "shell/TextCatalogue.h"

#include <algorithm>

namespace kitbox::MainWindowRules {

int minimumWidth(int logoWidth, int titleWidth, int firmaWidth)
{
    return logoWidth + titleWidth + firmaWidth + 960;
}

Size constrainedSize(Size requested, int minimumWidthTwips)
{
    return {std::max(requested.width, minimumWidthTwips), std::max(requested.height, minimumHeightTwips)};
}

HeaderPositions headerPositions(int innerWidth, int logoRight, int titleWidth, int firmaWidth)
{
    HeaderPositions p;
    p.labelsLeft = innerWidth - firmaWidth - 240;
    p.titleLeft = logoRight + (p.labelsLeft - logoRight - titleWidth) / 2;
    return p;
}

Point centred(int frameWidth, int frameHeight, int pictureWidth, int pictureHeight)
{
    return {(frameWidth - pictureWidth) / 2, (frameHeight - pictureHeight) / 2};
}

QString versionText(int major, int minor, int revision)
{
    return QStringLiteral("Version ") + QString::number(major) + QLatin1Char('.') + QString::number(minor) +
           QLatin1Char('.') + QString::number(revision);
}

QString dateText(const QDate &date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

EditorStatus editorStatus(bool active, bool readOnly, bool overwrite, int line, int lineCount, int column,
                          const TextCatalogue &texts)
{
    EditorStatus s;
    if (!active) {
        s.clearHint = true;
        return s;
    }
    s.mode = texts.text(readOnly ? 307 : overwrite ? 306 : 305);
    s.position = QStringLiteral(" Zeile=") + QString::number(line) + QStringLiteral(" von ") +
                 QString::number(lineCount) + QStringLiteral(" Spalte=") + QString::number(column);
    return s;
}

CaretPosition caretPosition(const QList<int> &lineStarts, int caretOffset)
{
    CaretPosition p;
    if (lineStarts.isEmpty() || caretOffset < 0)
        return p;
    // The line is the last one starting at or before the caret.
    auto it = std::upper_bound(lineStarts.begin(), lineStarts.end(), caretOffset);
    const auto index = static_cast<int>(std::distance(lineStarts.begin(), it)) - 1;
    const int lineIndex = std::max(index, 0);
    p.line = lineIndex + 1;
    p.column = caretOffset - lineStarts.at(lineIndex) + 1;
    return p;
}

QString printText(const QString &caption, const QDate &date, const QString &text, const TextCatalogue &texts)
{
    const QString crlf = QStringLiteral("\r\n");
    const QString rule = QString(70, QLatin1Char('='));
    return rule + crlf + crlf + texts.text(228) + QLatin1Char(' ') + caption + QLatin1Char(' ') + dateText(date) +
           crlf + crlf + rule + crlf + crlf + text;
}

bool isGridPrintSource(const QString &caption)
{
    return caption == QLatin1String("Tabelle_tab") || caption == QLatin1String("Tabelle_test");
}

QList<QRect> tiled(int count, int areaWidth, int areaHeight, Arrangement arrangement)
{
    QList<QRect> rects;
    if (count <= 0 || areaWidth <= 0 || areaHeight <= 0)
        return rects;
    const int total = arrangement == Arrangement::Horizontal ? areaHeight : areaWidth;
    for (int i = 0; i < count; ++i) {
        // Spread the remainder so that the windows fill the area exactly.
        const int start = static_cast<int>(static_cast<qint64>(total) * i / count);
        const int end = static_cast<int>(static_cast<qint64>(total) * (i + 1) / count);
        if (arrangement == Arrangement::Horizontal)
            rects.append(QRect(0, start, areaWidth, end - start));
        else
            rects.append(QRect(start, 0, end - start, areaHeight));
    }
    return rects;
}

QList<QRect> iconPositions(int count, int areaWidth, int areaHeight, int iconWidth, int iconHeight)
{
    QList<QRect> rects;
    if (count <= 0 || iconWidth <= 0 || iconHeight <= 0)
        return rects;
    const int perRow = std::max(1, areaWidth / iconWidth);
    for (int i = 0; i < count; ++i) {
        const int row = i / perRow;
        const int column = i % perRow;
        rects.append(QRect(column * iconWidth, areaHeight - (row + 1) * iconHeight, iconWidth, iconHeight));
    }
    return rects;
}

} // namespace kitbox::MainWindowRules
