#include "compose/Composition.h"

#include "compose/Parameters.h"
#include "compose/Resampler.h"

#include <QColorSpace>

#include <algorithm>
#include <cstring>
#include <new>

std::optional<CompositionParams> parseCompositionParams(const QString& canvasW,
                                                        const QString& canvasH,
                                                        const QString& imgSize, const QString& cx1,
                                                        const QString& cx2, const QString& cy)
{
    CompositionParams p;
    const std::pair<const QString*, qint64*> fields[] = {
        {&canvasW, &p.canvasW}, {&canvasH, &p.canvasH}, {&imgSize, &p.imgSize},
        {&cx1, &p.cx1},         {&cx2, &p.cx2},         {&cy, &p.cy}};
    for (const auto& [text, value] : fields) {
        const std::optional<qint64> v = parseParameter(*text);
        if (!v)
            return std::nullopt;
        *value = *v;
    }
    if (p.canvasW < 1 || p.canvasH < 1 || p.imgSize < 1)
        return std::nullopt;
    return p;
}

bool canvasSizeAllowed(qint64 width, qint64 height)
{
    return width >= 1 && height >= 1 && width <= maxCanvasSide && height <= maxCanvasSide &&
           width * height <= maxCanvasPixels;
}

QRectF placementRect(QSizeF pictureSize, qint64 imgSize, qint64 cx, qint64 cy)
{
    const double w = pictureSize.width();
    const double h = pictureSize.height();
    const double s = std::min(double(imgSize) / w, double(imgSize) / h);
    const double dw = s * w;
    const double dh = s * h;
    return QRectF(double(cx) - dw / 2, double(cy) - dh / 2, dw, dh);
}

quint32 premultipliedBackground(const BackgroundColor& c)
{
    auto clamp = [](qint64 v) { return quint32(std::clamp<qint64>(v, 0, 255)); };
    const quint32 alpha = clamp(c.alpha);
    auto pm = [&](qint64 c) { return (clamp(c) * alpha + 127) / 255; };
    // Bytes in memory order R, G, B, A.
    const uchar bytes[4] = {uchar(pm(c.red)), uchar(pm(c.green)), uchar(pm(c.blue)), uchar(alpha)};
    quint32 packed;
    std::memcpy(&packed, bytes, 4);
    return packed;
}

QImage* Compositor::freeCanvas(QSize size)
{
    // The composite handed out last is held by the window; the one before it
    // is normally free again by now.
    for (int i = 0; i < 2; ++i) {
        QImage& canvas = m_canvases[(m_nextCanvas + i) % 2];
        if (canvas.size() == size && canvas.isDetached()) {
            m_nextCanvas = (m_nextCanvas + i + 1) % 2;
            return &canvas;
        }
    }
    QImage& canvas = m_canvases[m_nextCanvas];
    m_nextCanvas = (m_nextCanvas + 1) % 2;
    canvas = QImage(); // let go first, so that two large canvases are not held beside a third
    try {
        canvas = QImage(size, QImage::Format_RGBA8888_Premultiplied);
    } catch (const std::bad_alloc&) {
        canvas = QImage();
    }
    if (canvas.isNull())
        return nullptr;
    canvas.setColorSpace(QColorSpace(QColorSpace::SRgb));
    return &canvas;
}

void Compositor::releaseImages()
{
    m_pyramids.clear();
    for (Placed& placed : m_placed)
        placed = Placed{};
}

std::optional<QImage> Compositor::compose(const Picture& picture1, const Picture& picture2,
                                          const CompositionParams& params,
                                          const BackgroundColor& backgroundColor)
{
    if (!canvasSizeAllowed(params.canvasW, params.canvasH))
        return std::nullopt;
    const QSize size(int(params.canvasW), int(params.canvasH));

    // Which pictures changed since they were last resampled.
    const std::pair<const Picture*, qint64> placements[] = {{&picture1, params.cx1},
                                                            {&picture2, params.cx2}};
    Placed* changed[2] = {nullptr, nullptr};
    int changes = 0;
    for (int i = 0; i < 2; ++i) {
        const auto& [picture, cx] = placements[i];
        Placed& placed = m_placed[i];
        if (picture->image.isNull() || picture->region.width() < 1 ||
            picture->region.height() < 1) {
            placed = Placed{};
            continue;
        }
        const std::shared_ptr<const ImagePyramid> pyramid = m_pyramids.pyramidFor(picture->image);
        const QRectF dest =
            placementRect(QSizeF(picture->region.size()), params.imgSize, cx, params.cy);
        if (placed.pyramid == pyramid && placed.region == picture->region && placed.dest == dest &&
            placed.canvas == size)
            continue;
        placed.pyramid = pyramid;
        placed.region = picture->region;
        placed.dest = dest;
        placed.canvas = size;
        changed[changes++] = &placed;
    }
    // The pyramid level each changed picture reads. Reading a finer level
    // may let go of coarser ones, but never of the one the other picture of
    // the same image reads.
    for (int i = 0; i < changes; ++i)
        changed[i]->level =
            pyramidLevelFor(*changed[i]->pyramid, changed[i]->region, changed[i]->dest);
    const auto resample = [this](Placed* placed, bool twoThreads) {
        const Placed& other = m_placed[placed == &m_placed[0] ? 1 : 0];
        placed->picture.resample(*placed->pyramid, placed->region, placed->dest, placed->canvas,
                                 twoThreads, other.pyramid == placed->pyramid ? other.level : -1);
    };
    if (changes == 2) {
        // One picture on each thread.
        alongside([&] { resample(changed[1], false); }, [&] { resample(changed[0], false); });
    } else if (changes == 1) {
        resample(changed[0], true);
    }

    QImage* canvas = freeCanvas(size);
    if (!canvas)
        return std::nullopt;
    const quint32 background = premultipliedBackground(backgroundColor);
    for (int y = 0; y < size.height(); ++y) {
        uchar* row = canvas->scanLine(y);
        auto* pixels = reinterpret_cast<quint32*>(row);
        // The background goes only where no opaque picture replaces it.
        int x = 0;
        QRect spans[2];
        for (int i = 0; i < 2; ++i)
            spans[i] = m_placed[i].pyramid ? m_placed[i].picture.replacedSpan(y) : QRect();
        if (!spans[0].isEmpty() && !spans[1].isEmpty() && spans[1].left() < spans[0].left())
            std::swap(spans[0], spans[1]);
        for (const QRect& span : spans) {
            if (span.isEmpty())
                continue;
            if (span.left() > x)
                std::fill(pixels + x, pixels + span.left(), background);
            x = std::max(x, span.right() + 1);
        }
        if (x < size.width())
            std::fill(pixels + x, pixels + size.width(), background);
        for (const Placed& placed : m_placed)
            if (placed.pyramid)
                placed.picture.drawRow(row, y);
    }
    return *canvas;
}
