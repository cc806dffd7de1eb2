#include "compose/ImagePyramid.h"

#include <QColorSpace>

#include <algorithm>
#include <cstdint>

namespace {

qint64 floorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// One row of `src` filtered by (1 3 3 1) and halved horizontally: out[x] for
// x < width, `Channels` bytes per pixel, from source pixels 2x - 1 .. 2x + 2
// (edge pixels repeated).
template <int Channels> void halveRow(const uchar* src, int srcWidth, uint16_t* out, int width)
{
    const auto at = [&](int i) { return src + Channels * std::clamp(i, 0, srcWidth - 1); };
    auto edge = [&](int x) {
        const uchar* p[4] = {at(2 * x - 1), at(2 * x), at(2 * x + 1), at(2 * x + 2)};
        for (int c = 0; c < Channels; ++c)
            out[Channels * x + c] = uint16_t(p[0][c] + 3 * (p[1][c] + p[2][c]) + p[3][c]);
    };
    // Only the first pixel and the last one or two reach beyond the row.
    const int safeEnd = std::clamp((srcWidth - 3) / 2 + 1, 1, std::max(width, 1));
    if (width > 0)
        edge(0);
    const uchar* __restrict s = src;
    uint16_t* __restrict o = out;
    for (int x = 1; x < safeEnd; ++x) {
        const uchar* p = s + Channels * (2 * x - 1);
        for (int c = 0; c < Channels; ++c)
            o[Channels * x + c] =
                uint16_t(p[c] + 3 * (p[Channels + c] + p[2 * Channels + c]) + p[3 * Channels + c]);
    }
    for (int x = safeEnd; x < width; ++x)
        edge(x);
}

// The next level down. The filter is positive, so premultiplied pixels stay
// valid without clamping.
template <int Channels> QImage halved(const QImage& src)
{
    const int w = src.width() / 2;
    const int h = src.height() / 2;
    QImage dst(w, h, src.format());
    if (dst.isNull())
        return dst;
    dst.setColorSpace(src.colorSpace());
    // Horizontally filtered rows, kept for the output rows that use each.
    constexpr int ring = 4;
    const int n = w * Channels;
    std::vector<uint16_t> rows(size_t(ring) * size_t(n));
    int rowOf[ring] = {-1, -1, -1, -1};
    auto filteredRow = [&](int y) -> const uint16_t* {
        y = std::clamp(y, 0, src.height() - 1);
        uint16_t* row = rows.data() + size_t(y % ring) * size_t(n);
        if (rowOf[y % ring] != y) {
            halveRow<Channels>(src.constScanLine(y), src.width(), row, w);
            rowOf[y % ring] = y;
        }
        return row;
    };
    for (int y = 0; y < h; ++y) {
        const uint16_t* __restrict r0 = filteredRow(2 * y - 1);
        const uint16_t* __restrict r1 = filteredRow(2 * y);
        const uint16_t* __restrict r2 = filteredRow(2 * y + 1);
        const uint16_t* __restrict r3 = filteredRow(2 * y + 2);
        uchar* __restrict out = dst.scanLine(y);
        for (int i = 0; i < n; ++i)
            out[i] = uchar((r0[i] + 3 * (r1[i] + r2[i]) + r3[i] + 32) >> 6);
    }
    return dst;
}

// An opaque RGBA image whose pixels all have red = green = blue, as a grey
// image; a null image when it is anything else.
QImage greyOf(const QImage& rgba)
{
    for (int y = 0; y < rgba.height(); ++y) {
        const uchar* p = rgba.constScanLine(y);
        uchar differs = 0;
        for (int x = 0; x < rgba.width(); ++x, p += 4)
            differs |= uchar((p[0] ^ p[1]) | (p[0] ^ p[2]) | uchar(~p[3]));
        if (differs)
            return QImage();
    }
    QImage grey(rgba.size(), QImage::Format_Grayscale8);
    if (grey.isNull())
        return grey;
    for (int y = 0; y < rgba.height(); ++y) {
        const uchar* p = rgba.constScanLine(y);
        uchar* out = grey.scanLine(y);
        for (int x = 0; x < rgba.width(); ++x)
            out[x] = p[4 * x];
    }
    return grey;
}

} // namespace

ImagePyramid::ImagePyramid(const QImage& image)
{
    QImage base = image;
    if (base.colorSpace().isValid() && base.colorSpace() != QColorSpace(QColorSpace::SRgb))
        base.convertToColorSpace(QColorSpace::SRgb);
    if (base.format() == QImage::Format_Grayscale8 || base.format() == QImage::Format_Grayscale16) {
        base = base.convertToFormat(QImage::Format_Grayscale8);
    } else {
        base = base.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        // Angiograms often come as colour files of grey pixels.
        if (QImage grey = greyOf(base); !grey.isNull())
            base = grey;
    }
    if (!base.isNull()) {
        base.setDevicePixelRatio(1.0);
        base.setColorSpace(QColorSpace(QColorSpace::SRgb));
    }
    m_grey = base.format() == QImage::Format_Grayscale8;
    m_levels.push_back(base);
    while (!m_levels.back().isNull() && m_levels.back().width() >= 2 &&
           m_levels.back().height() >= 2) {
        QImage next = m_grey ? halved<1>(m_levels.back()) : halved<4>(m_levels.back());
        if (next.isNull())
            break; // out of memory: the levels made so far still serve
        m_levels.push_back(std::move(next));
    }
}

QRect ImagePyramid::usableRegion(QRect region, int k) const
{
    const QImage& base = m_levels.front();
    region &= base.rect();
    if (region.isEmpty() || k < 0 || k >= levelCount())
        return QRect();
    if (k == 0)
        return region;
    // Level-k pixel j is made from level-0 pixels
    // [2^k j - 2^k + 1, 2^k (j + 2) - 1).
    const qint64 step = qint64(1) << k;
    const qint64 x0 = region.left();
    const qint64 y0 = region.top();
    const qint64 x1 = x0 + region.width();
    const qint64 y1 = y0 + region.height();
    const QImage& level = m_levels[size_t(k)];
    const qint64 left = x0 == 0 ? 0 : floorDiv(x0 + 2 * step - 2, step);
    const qint64 top = y0 == 0 ? 0 : floorDiv(y0 + 2 * step - 2, step);
    const qint64 right = x1 == base.width()
                             ? level.width()
                             : std::min<qint64>(floorDiv(x1 + 1, step) - 1, level.width());
    const qint64 bottom = y1 == base.height()
                              ? level.height()
                              : std::min<qint64>(floorDiv(y1 + 1, step) - 1, level.height());
    if (right <= left || bottom <= top)
        return QRect();
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

qint64 ImagePyramid::byteCount() const
{
    qint64 total = 0;
    for (const QImage& level : m_levels)
        total += level.sizeInBytes();
    return total;
}

std::shared_ptr<const ImagePyramid> PyramidCache::pyramidFor(const QImage& image)
{
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->image.cacheKey() == image.cacheKey()) {
            Entry hit = std::move(*it);
            m_entries.erase(it);
            m_entries.push_back(std::move(hit));
            return m_entries.back().pyramid;
        }
    }
    // Let go of the oldest before building, so that two large pyramids are
    // never held beside the one being made.
    while (!m_entries.empty() && m_entries.size() >= m_capacity)
        m_entries.erase(m_entries.begin());
    auto pyramid = std::make_shared<const ImagePyramid>(image);
    m_entries.push_back({image, pyramid});
    return pyramid;
}
