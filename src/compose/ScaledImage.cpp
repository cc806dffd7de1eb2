#include "compose/ScaledImage.h"

#include "compose/ImagePyramid.h"
#include "compose/Resampler.h"

#include <QColorSpace>
#include <QSysInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

constexpr QImage::Format scaledFormat = QImage::Format_ARGB32_Premultiplied;

// The pixels of a `size` scaling of an image of `source` pixels whose filter
// reads any pixel of `changed` (Lanczos-3: three source pixels, or three
// scaled ones when reducing, either side of each centre), a pixel wider.
QRect reachOf(QRect changed, QSize source, QSize size)
{
    const auto span = [](int first, int last, int from, int to) {
        const double scale = double(to) / from;
        const double support = 3.0 * std::max(1.0, 1.0 / scale);
        const double lo = (first - support + 0.5) * scale - 0.5;
        const double hi = (last + support + 0.5) * scale - 0.5;
        return std::pair(int(std::floor(lo)) - 1, int(std::ceil(hi)) + 1);
    };
    const auto [left, right] = span(changed.left(), changed.right(), source.width(), size.width());
    const auto [top, bottom] =
        span(changed.top(), changed.bottom(), source.height(), size.height());
    return QRect(QPoint(left, top), QPoint(right, bottom)) & QRect(QPoint(0, 0), size);
}

// Writes `part` of the whole of `image` resampled to the size of `out`.
bool resamplePart(QImage& out, const QImage& image, QRect part)
{
    const ImagePyramid source(image, false);
    ResampledPicture picture;
    picture.resample(source, image.rect(), QRectF(-part.x(), -part.y(), out.width(), out.height()),
                     part.size(), true);
    if (picture.area != QRect(QPoint(0, 0), part.size()))
        return false;
    const bool bgra = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    for (int y = 0; y < part.height(); ++y) {
        uchar* row = out.scanLine(part.top() + y) + size_t(part.left()) * 4;
        if (bgra) {
            picture.copyRow(row, y, true);
        } else { // A R G B in memory: copy, then rotate each pixel
            picture.copyRow(row, y, false);
            for (int x = 0; x < part.width(); ++x)
                std::rotate(row + 4 * x, row + 4 * x + 3, row + 4 * x + 4);
        }
    }
    return true;
}

} // namespace

QRect differingArea(const QImage& before, const QImage& after)
{
    if (before.size() != after.size() || before.format() != after.format() || after.depth() != 32)
        return after.rect();
    const int width = after.width();
    int left = width;
    int right = -1;
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < after.height(); ++y) {
        const auto* a = reinterpret_cast<const quint32*>(before.constScanLine(y));
        const auto* b = reinterpret_cast<const quint32*>(after.constScanLine(y));
        if (std::memcmp(a, b, size_t(width) * 4) == 0)
            continue;
        // Sixteen pixels at a time from each end, then one at a time.
        int first = 0;
        while (first + 16 <= width && std::memcmp(a + first, b + first, 64) == 0)
            first += 16;
        while (a[first] == b[first])
            ++first;
        int last = width - 1;
        while (last >= 16 && std::memcmp(a + last - 15, b + last - 15, 64) == 0)
            last -= 16;
        while (a[last] == b[last])
            --last;
        left = std::min(left, first);
        right = std::max(right, last);
        if (top < 0)
            top = y;
        bottom = y;
    }
    return top < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

const QImage& ScaledImage::scaled(const QImage& image, QSize size)
{
    if (image.isNull() || size.isEmpty()) {
        m_source = m_scaled = QImage();
        return m_scaled;
    }
    if (image.cacheKey() == m_source.cacheKey() && m_scaled.size() == size)
        return m_scaled;
    const bool filter = size.width() * 2 > image.width() && size.height() * 2 > image.height();
    QRect part(QPoint(0, 0), size);
    if (filter && m_filtered && m_scaled.size() == size)
        part = reachOf(differingArea(m_source, image), image.size(), size);
    m_source = image;
    if (part.isEmpty())
        return m_scaled;
    if (filter) {
        if (m_scaled.size() != size || m_scaled.format() != scaledFormat) {
            m_scaled = QImage();
            try {
                m_scaled = QImage(size, scaledFormat);
            } catch (const std::bad_alloc&) {
            }
        }
        m_filtered = !m_scaled.isNull() && resamplePart(m_scaled, image, part);
        if (m_filtered) {
            m_scaled.setColorSpace(QColorSpace(QColorSpace::SRgb));
            return m_scaled;
        }
    }
    m_filtered = false;
    m_scaled = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                   .convertToFormat(scaledFormat);
    return m_scaled;
}
