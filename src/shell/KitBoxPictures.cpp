#include "shell/KitBoxPictures.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include <sys/mman.h>

namespace kitbox {

namespace {

struct Mapping {
    void *address;
    size_t length;
};

void unmap(void *info)
{
    auto *mapping = static_cast<Mapping *>(info);
    ::munmap(mapping->address, mapping->length);
    delete mapping;
}

constexpr size_t mappedFrom = 64 * 1024;

// Pixel memory mapped and touched ahead by preparePictureMemory().
struct PreparedMemory {
    std::mutex mutex;
    Mapping mapping{nullptr, 0};
};

PreparedMemory &preparedMemory()
{
    static PreparedMemory prepared;
    return prepared;
}

// The prepared memory when it holds length bytes; it is handed out once.
Mapping takePreparedMemory(size_t length)
{
    PreparedMemory &prepared = preparedMemory();
    const std::lock_guard lock(prepared.mutex);
    if (prepared.mapping.address == nullptr || prepared.mapping.length < length)
        return {nullptr, 0};
    return std::exchange(prepared.mapping, Mapping{nullptr, 0});
}

// An image whose pixel memory, when large, is mapped with its pages present
// (or prepared ahead). Each fresh page would otherwise be a fault of its own
// on first touch, which for a picture of some hundred kilobytes costs more
// than drawing it. Small pictures (icons) come from the heap like any image.
QImage newImage(int width, int height)
{
    const qsizetype bytesPerLine = qsizetype(width) * 4;
    const size_t length = size_t(bytesPerLine) * size_t(height);
    if (length >= mappedFrom) {
        if (const Mapping prepared = takePreparedMemory(length); prepared.address != nullptr) {
            return QImage(static_cast<uchar *>(prepared.address), width, height, bytesPerLine,
                          QImage::Format_ARGB32_Premultiplied, unmap, new Mapping(prepared));
        }
    }
    void *address = length >= mappedFrom ? ::mmap(nullptr, length, PROT_READ | PROT_WRITE,
                                                  MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0)
                                         : MAP_FAILED;
    if (address == MAP_FAILED)
        return QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    return QImage(static_cast<uchar *>(address), width, height, bytesPerLine, QImage::Format_ARGB32_Premultiplied,
                  unmap, new Mapping{address, length});
}

// Reads the runs of a baked picture row after row.
class RunReader {
public:
    explicit RunReader(const baked::Picture &picture) : m_picture(picture) {}

    // Fills count pixels; false when the runs end early.
    bool read(quint32 *pixels, qint64 count)
    {
        while (count > 0) {
            if (m_left == 0) {
                if (m_next + 1 >= m_picture.runCount)
                    return false;
                m_left = m_picture.runs[m_next];
                m_value = m_picture.runs[m_next + 1];
                m_next += 2;
                continue;
            }
            const qint64 n = std::min<qint64>(count, m_left);
            std::fill(pixels, pixels + n, m_value);
            pixels += n;
            count -= n;
            m_left -= quint32(n);
        }
        return true;
    }
    // Whether every run has been read.
    bool atEnd() const { return m_left == 0 && m_next + 1 >= m_picture.runCount; }

private:
    const baked::Picture &m_picture;
    int m_next = 0;
    quint32 m_left = 0;
    quint32 m_value = 0;
};

QImage expanded(const baked::Picture &picture)
{
    QImage image = newImage(picture.width, picture.height);
    if (image.isNull())
        return {};
    RunReader reader(picture);
    for (int y = 0; y < picture.height; ++y) {
        if (!reader.read(reinterpret_cast<quint32 *>(image.scanLine(y)), picture.width))
            return {};
    }
    return reader.atEnd() ? image : QImage();
}

// Where a source pixel (or row) falls in the reduced picture: with source
// and target lengths s >= t, source pixel x covers [x*t, (x+1)*t) and target
// pixel i covers [i*s, (i+1)*s); a source pixel overlaps one target pixel or
// two neighbours, by the weights given.
struct Share {
    int target;
    quint32 first;
    quint32 second;
};

Share share(int x, int sourceLength, int targetLength)
{
    const qint64 begin = qint64(x) * targetLength;
    const qint64 end = begin + targetLength;
    const int target = int(begin / sourceLength);
    const qint64 boundary = qint64(target + 1) * sourceLength;
    if (end <= boundary)
        return {target, quint32(targetLength), 0};
    return {target, quint32(boundary - begin), quint32(end - boundary)};
}

// The four 8-bit channels of a pixel spread into 32-bit lanes of two 64-bit
// words (blue and red, green and alpha), so that one multiplication weighs
// two channels. No lane overflows: a sum of a channel stays below 2^32.
quint64 lowLanes(quint32 pixel)
{
    return quint64(pixel & 0xffu) | (quint64((pixel >> 16) & 0xffu) << 32);
}

quint64 highLanes(quint32 pixel)
{
    return quint64((pixel >> 8) & 0xffu) | (quint64(pixel >> 24) << 32);
}

// The picture reduced to the target size by averaging the source area under
// every target pixel, decoded row by row: no full-size copy of the picture is
// made, which at start costs more than the arithmetic.
QImage reduced(const baked::Picture &picture, const QSize &target)
{
    const int sw = picture.width;
    const int sh = picture.height;
    const int tw = target.width();
    const int th = target.height();
    QImage image = newImage(target.width(), target.height());
    if (image.isNull())
        return {};

    std::vector<Share> columns(static_cast<size_t>(sw));
    for (int x = 0; x < sw; ++x)
        columns[size_t(x)] = share(x, sw, tw);
    std::vector<quint32> row(static_cast<size_t>(sw));
    std::vector<quint64> horizontal(size_t(tw) * 2);
    std::vector<quint64> vertical(size_t(tw) * 2, 0);
    // Dividing by the area is a multiplication by its inverse (exact enough
    // for sums below 2^32; the result is clamped to 255).
    const quint64 area = quint64(sw) * quint64(sh);
    const quint64 inverse = ((quint64(1) << 32) + area - 1) / area;
    const auto average = [&](quint64 lane) { return std::min<quint64>(((lane + area / 2) * inverse) >> 32, 255); };
    int targetRow = 0;
    const auto emitRow = [&] {
        auto *out = reinterpret_cast<quint32 *>(image.scanLine(targetRow++));
        for (size_t t = 0; t < size_t(tw); ++t) {
            const quint64 low = vertical[2 * t];
            const quint64 high = vertical[2 * t + 1];
            out[t] = quint32(average(low & 0xffffffffu) | (average(high & 0xffffffffu) << 8) |
                             (average(low >> 32) << 16) | (average(high >> 32) << 24));
        }
        std::fill(vertical.begin(), vertical.end(), quint64(0));
    };
    const auto addRow = [&](quint32 weight) {
        for (size_t i = 0; i < vertical.size(); ++i)
            vertical[i] += horizontal[i] * weight;
    };

    RunReader reader(picture);
    for (int y = 0; y < sh; ++y) {
        if (!reader.read(row.data(), sw))
            return {};
        std::fill(horizontal.begin(), horizontal.end(), quint64(0));
        for (size_t x = 0; x < size_t(sw); ++x) {
            const Share &c = columns[x];
            const quint64 low = lowLanes(row[x]);
            const quint64 high = highLanes(row[x]);
            quint64 *sums = &horizontal[size_t(c.target) * 2];
            sums[0] += low * c.first;
            sums[1] += high * c.first;
            if (c.second > 0) {
                sums[2] += low * c.second;
                sums[3] += high * c.second;
            }
        }
        const Share r = share(y, sh, th);
        addRow(r.first);
        if (r.second > 0 || (qint64(y + 1) * th) % sh == 0)
            emitRow();
        if (r.second > 0)
            addRow(r.second);
    }
    return reader.atEnd() && targetRow == th ? image : QImage();
}

QImage drawn(const baked::Picture &picture, const QSize &wanted)
{
    if (picture.width == wanted.width() && picture.height == wanted.height())
        return expanded(picture);
    // Sums of a channel reach 255 * the source area and must stay below 2^32;
    // larger pictures take Qt's path.
    const bool smaller = picture.width >= wanted.width() && picture.height >= wanted.height();
    if (smaller && qint64(picture.width) * picture.height <= qint64(0xffffffffu / 255))
        return reduced(picture, wanted);
    const QImage full = expanded(picture);
    return full.isNull() ? full : full.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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

    QImage image = best ? drawn(*best, wanted) : QImage();
    if (image.isNull()) {
        image = QImage(wanted, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
    }
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(std::move(image));
}

void preparePictureMemory(const QSize &size, qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const size_t length = size_t(std::lround(size.width() * ratio)) * size_t(std::lround(size.height() * ratio)) * 4;
    if (length < mappedFrom)
        return;
    void *address = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (address == MAP_FAILED)
        return;
    // Mapping the pages present is not all: their first write is dear too.
    std::memset(address, 0, length);
    PreparedMemory &prepared = preparedMemory();
    const std::lock_guard lock(prepared.mutex);
    if (prepared.mapping.address != nullptr)
        ::munmap(prepared.mapping.address, prepared.mapping.length);
    prepared.mapping = {address, length};
}

QSize fittedPictureSize(const QString &name, const QSize &normal, const QSize &frame, qreal devicePixelRatio)
{
    const QSize bounds = normal.boundedTo(frame);
    if (bounds.isEmpty() || bounds == normal)
        return normal;
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QSize best;
    for (int i = 0; i < baked::pictureCount; ++i) {
        const baked::Picture &p = baked::pictures[i];
        if (name != QLatin1String(p.name))
            continue;
        // Only variants with a whole size in device-independent pixels at this density.
        const QSizeF logical(p.width / ratio, p.height / ratio);
        const QSize whole(int(std::lround(logical.width())), int(std::lround(logical.height())));
        if (std::abs(logical.width() - whole.width()) > 1e-6 || std::abs(logical.height() - whole.height()) > 1e-6)
            continue;
        if (whole.width() <= bounds.width() && whole.height() <= bounds.height() && whole.width() > best.width())
            best = whole;
    }
    return best.isEmpty() ? normal.scaled(bounds, Qt::KeepAspectRatio) : best;
}

} // namespace kitbox
