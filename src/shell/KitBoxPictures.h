#pragma once
// Pictures of the program. They are drawn from the SVG sources at build time
// (kitbox-bake-pictures) in the sizes the windows use, once at the plain and
// once at double pixel density, so that showing one needs neither an SVG
// renderer nor an image decoder nor a resource look-up.
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QtGlobal>

namespace kitbox {

// The picture of this name (the SVG file's base name, e.g. "logo") at the
// given size in device-independent pixels. The baked variant that is closest
// above size * devicePixelRatio is used as it is, or scaled smoothly when no
// variant has that exact size. An unknown name gives a transparent pixmap of
// that size.
QPixmap picture(const QString &name, const QSize &size, qreal devicePixelRatio = 1.0);

// Maps pixel memory for one large picture of up to this size and touches
// it, in any thread: writing fresh memory costs more than drawing the
// picture into it. The start does this in the background for the start
// picture. The next large picture drawn that fits takes the memory; until
// then it stays mapped.
void preparePictureMemory(const QSize &size, qreal devicePixelRatio = 1.0);

// The size to show a picture at that is normally shown at the normal size,
// in a frame: the normal size while it fits; else the largest size within the
// frame at which it was drawn at build time for this pixel density, so that
// showing it needs no scaling; else the largest size of its shape within the
// frame. An empty frame gives the normal size.
QSize fittedPictureSize(const QString &name, const QSize &normal, const QSize &frame, qreal devicePixelRatio = 1.0);

namespace baked {

// One picture drawn at one size: pairs of run length and premultiplied ARGB
// pixel value, row after row (written by kitbox-bake-pictures).
struct Picture {
    const char *name;
    int width;
    int height;
    const quint32 *runs;
    int runCount;
};

extern const Picture pictures[];
extern const int pictureCount;

} // namespace baked

} // namespace kitbox
