#include "compose/Resampler.h"

#include "compose/ResampleAxis.h"
#include "compose/ResampleKernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using resample::Lanes;

namespace {

constexpr int weightOne = 1 << resample::weightBits;

// Weights in Q14 whose sum is exactly 1 << 14, so a flat picture stays flat.
void quantiseWeights(const float* w, int n, int16_t* out)
{
    int sum = 0;
    int largest = 0;
    for (int i = 0; i < n; ++i) {
        out[i] = int16_t(std::lround(w[i] * float(weightOne)));
        sum += out[i];
        if (std::abs(w[i]) > std::abs(w[largest]))
            largest = i;
    }
    out[largest] = int16_t(out[largest] + (weightOne - sum));
}

// The vertical weights, `taps` per canvas row.
std::vector<int16_t> verticalWeights(const AxisPlan& plan)
{
    std::vector<int16_t> weights(size_t(plan.outCount()) * size_t(plan.taps), 0);
    for (int i = 0; i < plan.outCount(); ++i)
        quantiseWeights(plan.weights.data() + size_t(i) * size_t(plan.taps), plan.count[size_t(i)],
                        weights.data() + size_t(i) * size_t(plan.taps));
    return weights;
}

// The horizontal weights in the layout the kernels read.
struct HorizontalWeights {
    std::vector<int> firstPair;
    std::vector<Lanes> weights;
    resample::HorizontalTable table{};
};

HorizontalWeights horizontalWeights(const AxisPlan& plan)
{
    HorizontalWeights h;
    const int n = plan.outCount();
    const int columns = (n + 3) / 4 * 4;
    // A column whose first tap is odd starts one pixel early, with weight 0.
    int stride = 1;
    for (int i = 0; i < n; ++i)
        stride = std::max(stride, (plan.count[size_t(i)] + (plan.first[size_t(i)] & 1) + 1) / 2);
    h.firstPair.assign(size_t(columns), 0);
    h.weights.assign(size_t(columns) * size_t(stride), Lanes{});
    std::vector<int16_t> q(size_t(2 * stride));
    for (int i = 0; i < n; ++i) {
        const int first = plan.first[size_t(i)];
        const int lead = first & 1;
        std::fill(q.begin(), q.end(), int16_t(0));
        quantiseWeights(plan.weights.data() + size_t(i) * size_t(plan.taps), plan.count[size_t(i)],
                        q.data() + lead);
        h.firstPair[size_t(i)] = first / 2;
        Lanes* w = h.weights.data() + size_t(i / 2) * size_t(stride) * 2 + (i & 1);
        for (int k = 0; k < stride; ++k)
            for (int c = 0; c < 4; ++c) {
                w[2 * k].v[2 * c] = q[size_t(2 * k)];
                w[2 * k].v[2 * c + 1] = q[size_t(2 * k + 1)];
            }
    }
    h.table = {h.firstPair.data(), h.weights.data(), stride, columns};
    return h;
}

// The horizontal weights for grey rows.
struct GreyWeights {
    std::vector<int> first;
    std::vector<int16_t> weights;
    resample::GreyTable table{};
};

GreyWeights greyWeights(const AxisPlan& plan)
{
    GreyWeights g;
    const int n = plan.outCount();
    const int columns = (n + 7) / 8 * 8;
    const int stride = (plan.taps + 7) / 8 * 8;
    g.first.assign(size_t(columns), 0);
    g.weights.assign(size_t(columns) * size_t(stride), 0);
    for (int i = 0; i < n; ++i) {
        g.first[size_t(i)] = plan.first[size_t(i)];
        quantiseWeights(plan.weights.data() + size_t(i) * size_t(plan.taps), plan.count[size_t(i)],
                        g.weights.data() + size_t(i) * size_t(stride));
    }
    g.table = {g.first.data(), g.weights.data(), stride, columns};
    return g;
}

// Source rows converted to 16-bit lanes, kept while the filter window slides
// down the picture.
class RowCache {
public:
    using Convert = void (*)(Lanes*, const std::uint8_t*, int);

    RowCache(Convert convert, const QImage& level, int columnBegin, int columns, int units,
             int capacity)
        : m_convert(convert), m_level(level),
          m_offset(size_t(columnBegin) * size_t(level.depth() / 8)), m_columns(columns),
          m_units(units), m_rows(size_t(capacity), -1), m_data(size_t(capacity) * size_t(units))
    {
    }

    const Lanes* row(int y)
    {
        const size_t slot = size_t(y) % m_rows.size();
        Lanes* dst = m_data.data() + slot * size_t(m_units);
        if (m_rows[slot] != y) {
            m_convert(dst, m_level.constScanLine(y) + m_offset, m_columns);
            m_rows[slot] = y;
        }
        return dst;
    }

private:
    Convert m_convert;
    const QImage& m_level;
    size_t m_offset;
    int m_columns;
    int m_units;
    std::vector<int> m_rows;
    std::vector<Lanes> m_data;
};

// Source-over of one premultiplied pixel scaled by `cover` onto `dst`.
void blendPixel(uchar* dst, const uchar* src, float cover)
{
    const float keep = 1.0f - float(src[3]) * cover * (1.0f / 255.0f);
    for (int c = 0; c < 4; ++c) {
        const float v = float(src[c]) * cover + float(dst[c]) * keep + 0.5f;
        dst[c] = uchar(std::min(v, 255.0f));
    }
}

// Composites a filtered row onto the canvas. Wholly covered opaque pixels
// replace what is there; others are blended by their coverage.
void compositeRow(uchar* dst, const uchar* src, const float* coverX, float coverY, int n,
                  int solidBegin, int solidEnd)
{
    if (coverY != 1.0f)
        solidBegin = solidEnd = n;
    int i = 0;
    for (; i < solidBegin; ++i)
        blendPixel(dst + 4 * i, src + 4 * i, coverX[i] * coverY);
    if (solidBegin < solidEnd) {
        uchar alpha = 255;
        for (int k = solidBegin; k < solidEnd; ++k)
            alpha &= src[4 * k + 3];
        if (alpha == 255) {
            std::memcpy(dst + 4 * solidBegin, src + 4 * solidBegin,
                        size_t(solidEnd - solidBegin) * 4);
        } else {
            for (int k = solidBegin; k < solidEnd; ++k) {
                if (src[4 * k + 3] == 255)
                    std::memcpy(dst + 4 * k, src + 4 * k, 4);
                else
                    blendPixel(dst + 4 * k, src + 4 * k, 1.0f);
            }
        }
        i = solidEnd;
    }
    for (; i < n; ++i)
        blendPixel(dst + 4 * i, src + 4 * i, coverX[i] * coverY);
}

} // namespace

int pyramidLevelFor(const ImagePyramid& source, QRect region, double reduction)
{
    // A level is used once the filter still reduces it by 1.5 or more: the
    // reduced copies are slightly soft, and the filter's own reduction keeps
    // that softness below what a viewer sees.
    constexpr double leastRemaining = 1.5;
    // A crop edge inside the image costs a level about one and a half of its
    // pixels; a crop that would keep fewer than this many is read from a
    // finer level, so that its edges are not mostly repeated pixels.
    constexpr int leastUsable = 4;
    const auto enough = [&](const QRect& usable, int k) {
        const QImage& level = source.level(k);
        return !usable.isEmpty() &&
               (usable.width() >= leastUsable || usable.width() == level.width()) &&
               (usable.height() >= leastUsable || usable.height() == level.height());
    };
    int k = 0;
    while (k + 1 < source.levelCount() &&
           double(qint64(1) << (k + 1)) * leastRemaining <= reduction &&
           enough(source.usableRegion(region, k + 1), k + 1))
        ++k;
    return k;
}

void drawResampled(QImage& canvas, const ImagePyramid& source, QRect region, QRectF dest)
{
    if (canvas.isNull() || source.levelCount() < 1 || region.isEmpty() || !(dest.width() > 0) ||
        !(dest.height() > 0))
        return;
    region &= source.level(0).rect();
    if (region.isEmpty())
        return;

    const double reduction = double(region.width()) / dest.width();
    const int k = pyramidLevelFor(source, region, reduction);
    const QImage& level = source.level(k);
    const QRect usable = source.usableRegion(region, k);
    const int scale = 1 << k;

    const AxisPlan px = planAxis(dest.x(), dest.width(), canvas.width(), region.x(), region.width(),
                                 usable.left(), usable.right() + 1, scale);
    if (px.isEmpty())
        return;
    const AxisPlan py = planAxis(dest.y(), dest.height(), canvas.height(), region.y(),
                                 region.height(), usable.top(), usable.bottom() + 1, scale);
    if (py.isEmpty())
        return;

    const resample::Kernels& kernels = resample::activeKernels();
    const std::vector<int16_t> vw = verticalWeights(py);
    int solidBegin = px.outCount();
    int solidEnd = 0;
    for (int i = 0; i < px.outCount(); ++i) {
        if (px.coverage[size_t(i)] == 1.0f) {
            solidBegin = std::min(solidBegin, i);
            solidEnd = i + 1;
        }
    }
    solidBegin = std::min(solidBegin, solidEnd);

    // Grey rows hold eight pixels per Lanes, colour rows two.
    const bool grey = source.isGrey();
    const int columns = px.srcCount();
    const int units = grey ? (columns + 7) / 8 : (columns + 1) / 2;
    const HorizontalWeights hw = grey ? HorizontalWeights{} : horizontalWeights(px);
    const GreyWeights gw = grey ? greyWeights(px) : GreyWeights{};
    const int padding = grey ? gw.table.stride / 8 + 1 : hw.table.stride + 1;
    const int outColumns = grey ? gw.table.columns : hw.table.columns;

    RowCache cache(grey ? kernels.greyToLanes : kernels.toPairs, level, px.srcBegin, columns, units,
                   py.taps);
    // One row filtered vertically, padded so that every canvas column may
    // read its whole stride (the padding has weight 0).
    std::vector<Lanes> vertical(size_t(units + padding), Lanes{});
    std::vector<uchar> filtered(size_t(outColumns) * 4);
    std::vector<const Lanes*> rows(size_t(py.taps));

    for (int oy = 0; oy < py.outCount(); ++oy) {
        const int y0 = py.srcBegin + py.first[size_t(oy)];
        const int ny = py.count[size_t(oy)];
        for (int t = 0; t < ny; ++t)
            rows[size_t(t)] = cache.row(y0 + t);
        kernels.vertical(vertical.data(), rows.data(), vw.data() + size_t(oy) * size_t(py.taps), ny,
                         units);
        if (grey)
            kernels.horizontalGrey(filtered.data(),
                                   reinterpret_cast<const int16_t*>(vertical.data()), gw.table);
        else
            kernels.horizontal(filtered.data(), vertical.data(), hw.table);
        compositeRow(canvas.scanLine(py.outBegin + oy) + size_t(px.outBegin) * 4, filtered.data(),
                     px.coverage.data(), py.coverage[size_t(oy)], px.outCount(), solidBegin,
                     solidEnd);
    }
}
