#include "compose/ImagePyramid.h"

#include "compose/ResampleAxis.h"

#include <QColorSpace>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <future>
#include <memory>
#include <new>

#ifdef __GLIBC__
#include <malloc.h>
#endif

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

// One row of `src` (`srcWidth` pixels of `Channels` bytes) filtered and
// halved horizontally into `out` (`width` pixels of `Channels` floats).
// `wide` holds the row widened to floats once, the edge pixels repeated
// beyond it as far as a tap reaches.
template <int Channels>
void halveRow(const uchar* src, int srcWidth, float* out, int width, std::vector<float>& wide)
{
    constexpr int pad = halvingTaps / 2;
    constexpr size_t channels = Channels;
    wide.resize((size_t(srcWidth) + 2 * pad) * channels);
    float* row = wide.data() + pad * channels;
    for (size_t i = 0; i < size_t(srcWidth) * channels; ++i)
        row[i] = float(src[i]);
    for (size_t i = 0; i < pad * channels; ++i) {
        row[-ptrdiff_t(pad * channels) + ptrdiff_t(i)] = row[i % channels];
        row[size_t(srcWidth) * channels + i] = row[size_t(srcWidth - 1) * channels + i % channels];
    }
    const auto& w = halvingWeights();
    for (int x = 0; x < width; ++x) {
        const float* p = row + (ptrdiff_t(2 * x) - halvingLead) * ptrdiff_t(channels);
        float sums[Channels] = {};
        for (int t = 0; t < halvingTaps; ++t, p += channels)
            for (size_t c = 0; c < channels; ++c)
                sums[c] += w[size_t(t)] * p[c];
        for (size_t c = 0; c < channels; ++c)
            out[size_t(x) * channels + c] = sums[c];
    }
}

// A sum rounded to the nearest whole number (halves away from zero) within
// 0..top: std::lround's result, without its call.
inline uchar roundedWithin(float v, int top)
{
    const int r = int(double(std::clamp(v, -1.0f, 256.0f)) + 0.5);
    return uchar(std::clamp(r, 0, top));
}

// Whether every pixel of four-byte rows has its last byte (alpha) 255.
bool allOpaque(const QImage& image)
{
    const int width = image.width(); // a call the loops below would repeat
    for (int y = 0; y < image.height(); ++y) {
        const uchar* p = image.constScanLine(y) + 3;
        uchar all = 255;
        for (int x = 0; x < width; ++x)
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
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const uchar* p = image.constScanLine(y);
        uchar differs = 0;
        for (int x = 0; x < width; ++x, p += 4)
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
        for (int x = 0; x < width; ++x)
            out[x] = p[4 * x + 1];
    }
    return grey;
}

} // namespace

// Rows of level k of a pyramid, asked for in increasing order. A row kept
// in the level is read where it lies; any other is made from rows of level
// k - 1 (themselves kept or made the same way), filtered horizontally into a
// ring of 16 rows and vertically from there, and dropped once used: so making
// rows of one level keeps nothing of the levels they are made from. Colour
// stays premultiplied: alpha is kept within 0..255 and each colour within
// 0..alpha. Each row is the same whichever rows are made with it and whichever
// way the rows above it come.
template <int Channels> class ImagePyramid::LevelRows {
public:
    LevelRows(const ImagePyramid& pyramid, int k)
        : m_pyramid(pyramid), m_k(k),
          m_finer(k > 1 ? std::make_unique<LevelRows>(pyramid, k - 1) : nullptr)
    {
    }

    // Row y, kept or made.
    const uchar* row(int y)
    {
        const std::vector<bool>& made = m_pyramid.m_bandsMade[size_t(m_k)];
        if (!made.empty() && made[size_t(y / bandRows)])
            return m_pyramid.m_levels[size_t(m_k)].constScanLine(y);
        m_row.resize(size_t(width()) * Channels);
        make(y, m_row.data());
        return m_row.data();
    }

    // Makes row y into `out`.
    void make(int y, uchar* out)
    {
        const auto& weights = halvingWeights();
        const size_t n = size_t(width()) * Channels;
        if (m_ring.empty()) {
            m_ring.resize(size_t(ring) * n);
            m_rowOf.fill(-1);
        }
        m_sum.assign(n, 0.0f);
        for (int t = 0; t < halvingTaps; ++t) {
            const float* __restrict r = filteredRow(2 * y - halvingLead + t);
            float* __restrict s = m_sum.data();
            const float wt = weights[size_t(t)];
            for (size_t i = 0; i < n; ++i)
                s[i] += wt * r[i];
        }
        if constexpr (Channels == 1) {
            for (size_t i = 0; i < n; ++i)
                out[i] = roundedWithin(m_sum[i], 255);
        } else {
            for (size_t x = 0; x < n; x += 4) {
                const float* s = m_sum.data() + x;
                const uchar a = roundedWithin(s[3], 255);
                for (size_t c = 0; c < 3; ++c)
                    out[x + c] = roundedWithin(s[c], a);
                out[x + 3] = a;
            }
        }
    }

private:
    static constexpr int ring = 16;

    int width() const { return m_pyramid.m_sizes[size_t(m_k)].width(); }

    // Row y of level k - 1 (the edge rows repeat beyond it), filtered and
    // halved horizontally.
    const float* filteredRow(int y)
    {
        const QSize finer = m_pyramid.m_sizes[size_t(m_k - 1)];
        y = std::clamp(y, 0, finer.height() - 1);
        float* row = m_ring.data() + size_t(y % ring) * size_t(width()) * Channels;
        if (m_rowOf[size_t(y % ring)] != y) {
            const uchar* source =
                m_finer ? m_finer->row(y) : m_pyramid.m_levels.front().constScanLine(y);
            halveRow<Channels>(source, finer.width(), row, width(), m_wide);
            m_rowOf[size_t(y % ring)] = y;
        }
        return row;
    }

    const ImagePyramid& m_pyramid;
    const int m_k;
    std::unique_ptr<LevelRows> m_finer; // level k - 1 when not the image itself
    std::vector<float> m_ring;          // horizontally filtered rows of level k - 1
    std::array<int, ring> m_rowOf{};
    std::vector<float> m_wide; // a row of level k - 1 widened
    std::vector<float> m_sum;
    std::vector<uchar> m_row; // a row made, not kept
};

ImagePyramid::ImagePyramid(const QImage& image, bool reducedCopies)
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
    for (QSize size = base.size();
         reducedCopies && !base.isNull() && size.width() >= 2 && size.height() >= 2;) {
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

template <int Channels>
void ImagePyramid::makeRows(int k, int topBand, int bottomBand, bool twoThreads) const
{
    std::vector<bool>& made = m_bandsMade[size_t(k)];
    QImage& level = m_levels[size_t(k)];
    std::vector<int> bands;
    for (int band = topBand; band < bottomBand; ++band)
        if (!made[size_t(band)])
            bands.push_back(band);
    uchar* const bits = level.bits();
    const auto makeBands = [&](size_t from, size_t to) {
        LevelRows<Channels> rows(*this, k);
        for (size_t i = from; i < to; ++i) {
            const int end = std::min((bands[i] + 1) * bandRows, level.height());
            for (int y = bands[i] * bandRows; y < end; ++y)
                rows.make(y, bits + qsizetype(y) * level.bytesPerLine());
        }
    };
    // Many rows are made half on another thread, each half with its own
    // working rows.
    if (twoThreads && bands.size() >= 4) {
        const size_t middle = bands.size() / 2;
        std::future<void> lower = std::async(std::launch::async, makeBands, middle, bands.size());
        makeBands(0, middle);
        lower.get();
    } else {
        makeBands(0, bands.size());
    }
    for (int band : bands)
        made[size_t(band)] = true;
}

qint64 ImagePyramid::bytesMade(int k) const
{
    const std::vector<bool>& made = m_bandsMade[size_t(k)];
    return m_levels[size_t(k)].bytesPerLine() * bandRows *
           std::count(made.begin(), made.end(), true);
}

void ImagePyramid::letGoOfCoarser(int k, int topBand, int bottomBand, int alsoRead) const
{
    const std::vector<bool>& made = m_bandsMade[size_t(k)];
    const qint64 fresh = std::count(made.begin() + topBand, made.begin() + bottomBand, false) *
                         bandRows * m_levels[size_t(k)].bytesPerLine();
    qint64 held = 0;
    for (int j = k + 1; j < levelCount(); ++j)
        held += j == alsoRead ? 0 : bytesMade(j);
    if (held == 0 || fresh < held)
        return;
    for (int j = k + 1; j < levelCount(); ++j) {
        if (j != alsoRead) {
            m_levels[size_t(j)] = QImage();
            m_bandsMade[size_t(j)].clear();
        }
    }
#ifdef __GLIBC__
    // Memory freed inside the heap goes back to the system too, before the
    // new rows take theirs.
    malloc_trim(0);
#endif
}

bool ImagePyramid::reserveLevel(int k) const
{
    const std::lock_guard lock(m_making);
    return allocate(k);
}

const QImage& ImagePyramid::levelRows(int k, int top, int bottom, int alsoRead,
                                      bool twoThreads) const
{
    if (k == 0)
        return m_levels.front();
    const std::lock_guard lock(m_making);
    if (!allocate(k))
        return m_levels[size_t(k)];
    const int topBand = std::max(top, 0) / bandRows;
    const int bottomBand =
        (std::min(bottom, m_sizes[size_t(k)].height()) + bandRows - 1) / bandRows;
    if (topBand >= bottomBand)
        return m_levels[size_t(k)];
    letGoOfCoarser(k, topBand, bottomBand, alsoRead);
    try {
        if (m_grey)
            makeRows<1>(k, topBand, bottomBand, twoThreads);
        else
            makeRows<4>(k, topBand, bottomBand, twoThreads);
    } catch (const std::bad_alloc&) {
        static const QImage none;
        return none;
    }
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
    for (int k = 1; k < levelCount(); ++k)
        total += bytesMade(k);
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
