#pragma once
// Lays out lines of text (separated by CR LF) on the pages of a printer or a
// PDF file: one line per line height, a new page whenever the page is full.
#include <QFont>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QString>

namespace kitbox {

// Returns false with the error text when the device refuses to start.
inline bool paintTextPages(QPagedPaintDevice &device, const QString &text, const QFont &font, QString *error)
{
    QPainter painter;
    if (!painter.begin(&device)) {
        *error = QStringLiteral("Printer: cannot start printing");
        return false;
    }
    painter.setFont(font);
    const int lineHeight = painter.fontMetrics().lineSpacing();
    const QRect area = painter.viewport();
    int y = lineHeight;
    for (const QString &line : text.split(QStringLiteral("\r\n"))) {
        if (y > area.height()) {
            if (!device.newPage())
                break;
            y = lineHeight;
        }
        painter.drawText(0, y, line);
        y += lineHeight;
    }
    if (!painter.end()) {
        *error = QStringLiteral("Printer: the print job failed");
        return false;
    }
    return true;
}

} // namespace kitbox
