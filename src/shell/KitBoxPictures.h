#pragma once
// Pictures of the program, drawn from the SVG files compiled into it.
#include <QPixmap>
#include <QSize>
#include <QString>

namespace kitbox {

// The SVG resource rendered at the given size (device-independent pixels);
// a missing or broken picture gives a transparent pixmap of that size.
// Rendering directly avoids loading the image and icon plugins at start.
QPixmap svgPixmap(const QString &resource, const QSize &size, qreal devicePixelRatio = 1.0);

} // namespace kitbox
