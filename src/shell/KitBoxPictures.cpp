#include "shell/KitBoxPictures.h"

#include <QImage>

#include <cmath>

namespace kitbox {

namespace {

// Expands the runs into the image; false when they do not fill it exactly.
bool expand(const baked::Picture &baked, QImage &image)
{
    const qint64 total = qint64(baked.width) * baked.height;
    auto *pixels = reinterpret_cast<quint32 *>(image.bits());
    qint64 at = 0;
    for (int i = 0; i + 1 < baked.runCount; i += 2) {
        const quint32 count = baked.runs[i];
        if (count > quint64(total - at))
            return false;
        std::fill(pixels + at, pixels + at + count, baked.runs[i + 1]);
        at += count;
    }
    return at == total;
}

} // namespace

QPixmap picture(const QString &name, const QSize &size, qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const QSize wanted(qMax(1, int(std::lround(size.width() * ratio))),
                       qMax(1, int(std::lround(size.height() * ratio))));

    // The smallest variant at least as large as wanted, else the largest one.
    const baked::Picture *best = nullptr;
    for (int i = 0; i < baked::pictureCount; ++i) {
        const baked::Picture &p = baked::pictures[i];
        if (name != QLatin1String(p.name))
            continue;
        const bool covers = p.width >= wanted.width() && p.height >= wanted.height();
        const bool bestCovers = best && best->width >= wanted.width() && best->height >= wanted.height();
        if (!best || (covers && (!bestCovers || p.width < best->width)) ||
            (!covers && !bestCovers && p.width > best->width))
            best = &p;
    }

    QImage image;
    if (best) {
        image = QImage(best->width, best->height, QImage::Format_ARGB32_Premultiplied);
        if (image.isNull() || !expand(*best, image))
            image = QImage();
        else if (image.size() != wanted)
            image = image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (image.isNull()) {
        image = QImage(wanted, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
    }
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(std::move(image));
}

} // namespace kitbox
