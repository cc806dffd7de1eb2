#include "compose/Resampler.h"

#include "compose/ResampleAxis.h"
#include "compose/ResampleKernels.h"

#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <future>
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
                  int solidBegin, int solidEnd, bool opaque)
{
    if (coverY != 1.0f)
        solidBegin = solidEnd = n;
    int i = 0;
    for (; i < solidBegin; ++i)
        blendPixel(dst + 4 * i, src + 4 * i, coverX[i] * coverY);
    if (solidBegin < solidEnd) {
        uchar alpha = 255;
        if (!opaque)
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

void alongside(const std::function<void()>& there, const std::function<void()>& here)
{
    // A second thread kept between refreshes: starting one for each costs
    // more than a small picture.
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(1);
        p->setExpiryTimeout(30000);
        return p;
    }();
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    pool->start([&] {
        there();
        done.set_value();
    });
    here();
    finished.wait();
}

int pyramidLevelFor(const ImagePyramid& source, QRect region, double reduction)
{
    // A level is used once the filter still reduces it by 1.75 or more: then
    // the final filter passes little beyond the band the halving filter keeps
    // whole, and takes out what the halving let alias, so the picture is
    // within a rounding step of the one a single filter over the full image
    // gives (at 1.25 it is not: the halving's own cut shows).
    constexpr double leastRemaining = 1.75;
    // A crop edge inside the image costs a level five or six of its pixels; a crop that would keep
    // fewer than this many is read from a finer level, so that its edges are not mostly repeated
    // pixels.
    constexpr int leastUsable = 4;
    const auto enough = [&](const QRect& usable, int k) {
        const QSize level = source.levelSize(k);
        return !usable.isEmpty() &&
               (usable.width() >= leastUsable || usable.width() == level.width()) &&
               (usable.height() >= leastUsable || usable.height() == level.height());
    };
    int k = 0;
    while (k + 1 < source.levelCount() &&
           double(qint64(1) << (k + 1)) * leastRemaining <= reduction &&
           enough(source.usableRegion(region, k + 1), k + 1))
        ++k;
    // A level there is no memory for gives way to a finer one.
    while (k > 0 && !source.reserveLevel(k))
        --k;
    return k;
}

int pyramidLevelFor(const ImagePyramid& source, QRect region, QRectF dest)
{
    region &= QRect(QPoint(0, 0), source.levelSize(0));
    if (region.isEmpty() || !(dest.width() > 0))
        return 0;
    return pyramidLevelFor(source, region, double(region.width()) / dest.width());
}

struct ResampledPicture::Plan {
    const ImagePyramid* source = nullptr;
    const QImage* level = nullptr;
    AxisPlan px, py;
    std::vector<int16_t> vw;
    HorizontalWeights hw;
    GreyWeights gw;
    int units = 0;
    int padding = 0;
};

void ResampledPicture::clear()
{
    area = QRect();
}

void ResampledPicture::filterRows(const Plan& plan, int from, int to,
                                  std::vector<resample::Lanes>& vertical)
{
    const resample::Kernels& kernels = resample::activeKernels();
    const AxisPlan& px = plan.px;
    const AxisPlan& py = plan.py;
    const bool grey = plan.source->isGrey();
    const bool bgra = plan.source->channelOrderIsBgra();
    const size_t offset = size_t(px.srcBegin) * size_t(grey ? 1 : 4);
    // One row filtered vertically, padded so that every canvas column may
    // read its whole stride (the padding has weight 0).
    vertical.assign(size_t(plan.units + plan.padding), Lanes{});
    std::vector<const std::uint8_t*> rows(size_t(py.taps));
    for (int oy = from; oy < to; ++oy) {
        const int y0 = py.srcBegin + py.first[size_t(oy)];
        const int ny = py.count[size_t(oy)];
        for (int t = 0; t < ny; ++t)
            rows[size_t(t)] = plan.level->constScanLine(y0 + t) + offset;
        const int16_t* w = plan.vw.data() + size_t(oy) * size_t(py.taps);
        uchar* out = pixels.data() + size_t(oy) * size_t(stride);
        if (grey) {
            kernels.verticalGrey(vertical.data(), rows.data(), w, ny, px.srcCount());
            kernels.horizontalGrey(out, reinterpret_cast<const int16_t*>(vertical.data()),
                                   plan.gw.table);
        } else {
            kernels.verticalColour(vertical.data(), rows.data(), w, ny, px.srcCount(), bgra);
            kernels.horizontal(out, vertical.data(), plan.hw.table);
        }
    }
}

void ResampledPicture::resample(const ImagePyramid& source, QRect region, QRectF dest, QSize canvas,
                                bool twoThreads, int alsoRead)
{
    clear();
    if (canvas.isEmpty() || source.levelCount() < 1 || region.isEmpty() || !(dest.width() > 0) ||
        !(dest.height() > 0))
        return;
    region &= source.level(0).rect();
    if (region.isEmpty())
        return;

    Plan plan;
    plan.source = &source;
    const int k = pyramidLevelFor(source, region, dest);
    const QRect usable = source.usableRegion(region, k);
    const int scale = 1 << k;

    plan.px = planAxis(dest.x(), dest.width(), canvas.width(), region.x(), region.width(),
                       usable.left(), usable.right() + 1, scale);
    if (plan.px.isEmpty())
        return;
    plan.py = planAxis(dest.y(), dest.height(), canvas.height(), region.y(), region.height(),
                       usable.top(), usable.bottom() + 1, scale);
    if (plan.py.isEmpty())
        return;
    const AxisPlan& px = plan.px;
    const AxisPlan& py = plan.py;
    plan.level =
        &source.levelRows(k, py.srcBegin, py.srcBegin + py.srcCount(), alsoRead, twoThreads);
    if (plan.level->isNull())
        return;

    plan.vw = verticalWeights(py);
    solidBegin = px.outCount();
    solidEnd = 0;
    for (int i = 0; i < px.outCount(); ++i) {
        if (px.coverage[size_t(i)] == 1.0f) {
            solidBegin = std::min(solidBegin, i);
            solidEnd = i + 1;
        }
    }
    solidBegin = std::min(solidBegin, solidEnd);
    opaque = source.isOpaque();

    // Grey rows hold eight pixels per Lanes, colour rows two.
    const bool grey = source.isGrey();
    const int columns = px.srcCount();
    plan.units = grey ? (columns + 7) / 8 : (columns + 1) / 2;
    if (grey)
        plan.gw = greyWeights(px);
    else
        plan.hw = horizontalWeights(px);
    // An opaque picture stays opaque whatever the rounding.
    plan.hw.table.opaque = opaque;
    plan.padding = grey ? plan.gw.table.stride / 8 + 1 : plan.hw.table.stride + 1;
    const int outColumns = grey ? plan.gw.table.columns : plan.hw.table.columns;

    stride = outColumns * 4;
    const size_t bytes = size_t(stride) * size_t(py.outCount());
    if (pixels.size() < bytes)
        pixels.resize(bytes);
    coverX = px.coverage;
    coverY = py.coverage;

    const int rowsOut = py.outCount();
    // Splitting pays once a half is worth far more than handing it over.
    const double work = double(rowsOut) * double(columns) * double(py.taps);
    if (twoThreads && rowsOut >= 16 && work >= 2e5) {
        const int middle = rowsOut / 2;
        alongside([&] { filterRows(plan, middle, rowsOut, m_vertical[1]); },
                  [&] { filterRows(plan, 0, middle, m_vertical[0]); });
    } else {
        filterRows(plan, 0, rowsOut, m_vertical[0]);
    }
    area = QRect(px.outBegin, py.outBegin, px.outCount(), rowsOut);
}

void ResampledPicture::drawRow(uchar* canvasRow, int y) const
{
    if (y < area.top() || y > area.bottom())
        return;
    const int oy = y - area.top();
    compositeRow(canvasRow + size_t(area.left()) * 4, pixels.data() + size_t(oy) * size_t(stride),
                 coverX.data(), coverY[size_t(oy)], area.width(), solidBegin, solidEnd, opaque);
}

void ResampledPicture::copyRow(uchar* out, int y, bool bgra) const
{
    if (y < area.top() || y > area.bottom())
        return;
    const uchar* in = pixels.data() + size_t(y - area.top()) * size_t(stride);
    if (!bgra) {
        std::memcpy(out, in, size_t(area.width()) * 4);
        return;
    }
    for (int x = 0; x < area.width(); ++x, in += 4, out += 4) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = in[3];
    }
}

QRect ResampledPicture::replacedSpan(int y) const
{
    if (!opaque || y < area.top() || y > area.bottom() || solidBegin >= solidEnd ||
        coverY[size_t(y - area.top())] != 1.0f)
        return QRect();
    return QRect(area.left() + solidBegin, y, solidEnd - solidBegin, 1);
}

void drawResampled(QImage& canvas, const ImagePyramid& source, QRect region, QRectF dest)
{
    if (canvas.isNull())
        return;
    ResampledPicture picture;
    picture.resample(source, region, dest, canvas.size(), false);
    for (int y = picture.area.top(); y <= picture.area.bottom(); ++y)
        picture.drawRow(canvas.scanLine(y), y);
}
