#include "compose/ImagePyramid.h"

#include "compose/ResampleAxis.h"

#include <QColorSpace>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace {

// The halving filter: Lanczos-3 at twice its width, centred between source
// pixels 2j and 2j + 1, reading 2j - 5 .. 2j + 6.
constexpr int halvingTaps = 12;
constexpr int halvingLead = 5;

const std::array<float, halvingTaps>& halvingWeights()
{
    static const auto weights = [] {
        std::array<double, halvingTaps> w{};
        double total = 0;
        for (int i = 0; i < halvingTaps; ++i)
            total += w[size_t(i)] = lanczos3((i - halvingLead - 0.5) / 2.0);
        std::array<float, halvingTaps> out{};
        for (int i = 0; i < halvingTaps; ++i)
            out[size_t(i)] = float(w[size_t(i)] / total);
        return out;
    }();
    return weights;
}

qint64 floorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

qint64 ceilDiv(qint64 a, qint64 b)
{
    return -floorDiv(-a, b);
}

// One row of `src` filtered and halved horizontally into `out` (`width`
// pixels of `Channels` floats).
template <int Channels> void halveRow(const uchar* src, int srcWidth, float* out, int width)
{
    const auto& w = halvingWeights();
    for (int x = 0; x < width; ++x) {
        const int first = 2 * x - halvingLead;
        float sums[Channels] = {};
        if (first >= 0 && first + halvingTaps <= srcWidth) {
            const uchar* p = src + size_t(first) * Channels;
            for (int t = 0; t < halvingTaps; ++t, p += Channels)
                for (int c = 0; c < Channels; ++c)
                    sums[c] += w[size_t(t)] * float(p[c]);
        } else {
            for (int t = 0; t < halvingTaps; ++t) {
                const uchar* p = src + size_t(std::clamp(first + t, 0, srcWidth - 1)) * Channels;
                for (int c = 0; c < Channels; ++c)
                    sums[c] += w[size_t(t)] * float(p[c]);
            }
        }
        for (int c = 0; c < Channels; ++c)
            out[size_t(x) * Channels + size_t(c)] = sums[c];
    }
}

// Rows [top, bottom) of the next level down `dst`, made from `src` in the
// same byte layout. Colour stays premultiplied: alpha is kept within 0..255
// and each colour within 0..alpha. Each row is the same whichever rows are
// made with it.
template <int Channels> void halveRows(const QImage& src, QImage& dst, int top, int bottom)
{
    constexpr int channels = Channels;
    const int w = dst.width();
    const auto& weights = halvingWeights();
    // Horizontally filtered rows, kept for the output rows that use each.
    constexpr int ring = 16;
    const size_t n = size_t(w) * size_t(channels);
    std::vector<float> rows(size_t(ring) * n);
    std::array<int, ring> rowOf;
    rowOf.fill(-1);
    auto filteredRow = [&](int y) -> const float* {
        y = std::clamp(y, 0, src.height() - 1);
        float* row = rows.data() + size_t(y % ring) * n;
        if (rowOf[size_t(y % ring)] != y) {
            halveRow<Channels>(src.constScanLine(y), src.width(), row, w);
            rowOf[size_t(y % ring)] = y;
        }
        return row;
    };
    std::vector<float> sum(n);
    for (int y = top; y < bottom; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (int t = 0; t < halvingTaps; ++t) {
            const float* __restrict r = filteredRow(2 * y - halvingLead + t);
            float* __restrict s = sum.data();
            const float wt = weights[size_t(t)];
            for (size_t i = 0; i < n; ++i)
                s[i] += wt * r[i];
        }
        uchar* out = dst.scanLine(y);
        if constexpr (Channels == 1) {
            for (size_t i = 0; i < n; ++i)
                out[i] = uchar(std::clamp(std::lround(sum[i]), 0L, 255L));
        } else {
            for (size_t x = 0; x < size_t(w); ++x) {
                const float* s = sum.data() + 4 * x;
                const long a = std::clamp(std::lround(s[3]), 0L, 255L);
                for (int c = 0; c < 4; ++c)
                    out[4 * x + size_t(c)] =
                        uchar(c == 3 ? a : std::clamp(std::lround(s[c]), 0L, a));
            }
        }
    }
}

// Whether every pixel of four-byte rows has its last byte (alpha) 255.
bool allOpaque(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const uchar* p = image.constScanLine(y) + 3;
        uchar all = 255;
        for (int x = 0; x < image.width(); ++x)
            all &= p[4 * x];
        if (all != 255)
            return false;
    }
    return true;
}

// An opaque four-byte image whose pixels all have red = green = blue, as a
// grey image; a null image when it is anything else.
QImage greyOf(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const uchar* p = image.constScanLine(y);
        uchar differs = 0;
        for (int x = 0; x < image.width(); ++x, p += 4)
            differs |= uchar((p[0] ^ p[1]) | (p[0] ^ p[2]) | uchar(~p[3]));
        if (differs)
            return QImage();
    }
    QImage grey(image.size(), QImage::Format_Grayscale8);
    if (grey.isNull())
        return grey;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* p = image.constScanLine(y);
        uchar* out = grey.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            out[x] = p[4 * x + 1];
    }
    return grey;
}

} // namespace

ImagePyramid::ImagePyramid(const QImage& image)
{
    QImage base = image;
    if (base.colorSpace().isValid() && base.colorSpace() != QColorSpace(QColorSpace::SRgb))
        base = base.convertedToColorSpace(QColorSpace::SRgb);
    const bool littleEndian = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    switch (base.format()) {
    case QImage::Format_Grayscale8:
        m_grey = true;
        break;
    case QImage::Format_Grayscale16:
        base = base.convertToFormat(QImage::Format_Grayscale8);
        m_grey = true;
        break;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_ARGB32:
        if (littleEndian)
            m_bgra = true;
        else
            base = base.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        break;
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888_Premultiplied:
    case QImage::Format_RGBA8888:
        break;
    default:
        base = base.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        break;
    }
    if (!m_grey) {
        m_opaque = allOpaque(base);
        if (!m_opaque &&
            (base.format() == QImage::Format_RGB32 || base.format() == QImage::Format_RGBX8888 ||
             base.format() == QImage::Format_ARGB32 || base.format() == QImage::Format_RGBA8888)) {
            // Straight alpha, or an opaque format whose fourth bytes are not
            // 255: premultiplied once.
            base = base.convertToFormat(m_bgra ? QImage::Format_ARGB32_Premultiplied
                                               : QImage::Format_RGBA8888_Premultiplied);
            m_opaque = allOpaque(base);
        }
        // Angiograms often come as colour files of grey pixels.
        if (m_opaque) {
            if (QImage grey = greyOf(base); !grey.isNull()) {
                base = grey;
                m_grey = true;
                m_bgra = false;
            }
        }
    }
    m_opaque = m_opaque || m_grey;
    m_sizes.push_back(base.size());
    for (QSize size = base.size(); !base.isNull() && size.width() >= 2 && size.height() >= 2;) {
        size = QSize(size.width() / 2, size.height() / 2);
        m_sizes.push_back(size);
    }
    m_levels.resize(m_sizes.size());
    m_bandsMade.resize(m_sizes.size());
    m_levels.front() = base;
}

bool ImagePyramid::allocate(int k) const
{
    if (k == 0 || !m_levels[size_t(k)].isNull())
        return !m_levels[size_t(k)].isNull();
    if (!allocate(k - 1))
        return false;
    // Pages are taken only as rows are made.
    QImage level(m_sizes[size_t(k)], m_levels.front().format());
    if (level.isNull())
        return false;
    level.setColorSpace(m_levels.front().colorSpace());
    m_levels[size_t(k)] = std::move(level);
    m_bandsMade[size_t(k)].assign(size_t((m_sizes[size_t(k)].height() + bandRows - 1) / bandRows),
                                  false);
    return true;
}

void ImagePyramid::makeRows(int k, int top, int bottom) const
{
    if (k == 0 || !allocate(k))
        return;
    std::vector<bool>& made = m_bandsMade[size_t(k)];
    top = std::max(top, 0) / bandRows;
    bottom = (std::min(bottom, m_sizes[size_t(k)].height()) + bandRows - 1) / bandRows;
    for (int band = top; band < bottom;) {
        if (made[size_t(band)]) {
            ++band;
            continue;
        }
        // A run of bands not made yet, made in one pass.
        int end = band;
        while (end < bottom && !made[size_t(end)])
            made[size_t(end++)] = true;
        const int y0 = band * bandRows;
        const int y1 = std::min(end * bandRows, m_sizes[size_t(k)].height());
        makeRows(k - 1, 2 * y0 - halvingLead, 2 * (y1 - 1) + halvingTaps - halvingLead);
        QImage& level = m_levels[size_t(k)];
        if (m_grey)
            halveRows<1>(m_levels[size_t(k - 1)], level, y0, y1);
        else
            halveRows<4>(m_levels[size_t(k - 1)], level, y0, y1);
        band = end;
    }
}

bool ImagePyramid::reserveLevel(int k) const
{
    const std::lock_guard lock(m_making);
    return allocate(k);
}

const QImage& ImagePyramid::levelRows(int k, int top, int bottom) const
{
    if (k == 0)
        return m_levels.front();
    const std::lock_guard lock(m_making);
    makeRows(k, top, bottom);
    return m_levels[size_t(k)];
}

const QImage& ImagePyramid::level(int k) const
{
    return levelRows(k, 0, m_sizes[size_t(k)].height());
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
    // [2^k j - 5 (2^k - 1), 2^k j + 6 (2^k - 1)].
    const qint64 step = qint64(1) << k;
    const qint64 lead = halvingLead * (step - 1);
    const qint64 trail = (halvingTaps - halvingLead - 1) * (step - 1);
    const qint64 x0 = region.left();
    const qint64 y0 = region.top();
    const qint64 x1 = x0 + region.width();
    const qint64 y1 = y0 + region.height();
    const QSize level = m_sizes[size_t(k)];
    const qint64 left = x0 == 0 ? 0 : ceilDiv(x0 + lead, step);
    const qint64 top = y0 == 0 ? 0 : ceilDiv(y0 + lead, step);
    const qint64 right = x1 == base.width()
                             ? level.width()
                             : std::min<qint64>(floorDiv(x1 - 1 - trail, step) + 1, level.width());
    const qint64 bottom =
        y1 == base.height() ? level.height()
                            : std::min<qint64>(floorDiv(y1 - 1 - trail, step) + 1, level.height());
    if (right <= left || bottom <= top)
        return QRect();
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

qint64 ImagePyramid::byteCount() const
{
    const std::lock_guard lock(m_making);
    qint64 total = m_levels.front().sizeInBytes();
    for (size_t k = 1; k < m_levels.size(); ++k) {
        const std::vector<bool>& made = m_bandsMade[k];
        total += m_levels[k].bytesPerLine() * bandRows * std::count(made.begin(), made.end(), true);
    }
    return total;
}

std::shared_ptr<const ImagePyramid> PyramidCache::pyramidFor(const QImage& image)
{
    const qint64 key = image.cacheKey();
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->key == key) {
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
    m_entries.push_back({key, pyramid});
    return pyramid;
}
