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

quint32 premultipliedBackground(qint64 r, qint64 g, qint64 b, qint64 a)
{
    auto clamp = [](qint64 v) { return quint32(std::clamp<qint64>(v, 0, 255)); };
    const quint32 alpha = clamp(a);
    auto pm = [&](qint64 c) { return (clamp(c) * alpha + 127) / 255; };
    // Bytes in memory order R, G, B, A.
    const uchar bytes[4] = {uchar(pm(r)), uchar(pm(g)), uchar(pm(b)), uchar(alpha)};
    quint32 packed;
    std::memcpy(&packed, bytes, 4);
    return packed;
}

std::optional<QImage> Compositor::compose(const Picture& picture1, const Picture& picture2,
                                          const CompositionParams& params, qint64 borderR,
                                          qint64 borderG, qint64 borderB, qint64 borderA)
{
    if (!canvasSizeAllowed(params.canvasW, params.canvasH))
        return std::nullopt;
    QImage canvas;
    try {
        canvas =
            QImage(int(params.canvasW), int(params.canvasH), QImage::Format_RGBA8888_Premultiplied);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (canvas.isNull())
        return std::nullopt;
    canvas.setColorSpace(QColorSpace(QColorSpace::SRgb));

    const quint32 background = premultipliedBackground(borderR, borderG, borderB, borderA);
    for (int y = 0; y < canvas.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(canvas.scanLine(y));
        std::fill(row, row + canvas.width(), background);
    }

    const std::pair<const Picture*, qint64> placements[] = {{&picture1, params.cx1},
                                                            {&picture2, params.cx2}};
    for (const auto& [picture, cx] : placements) {
        if (picture->image.isNull() || picture->region.width() < 1 || picture->region.height() < 1)
            continue;
        const std::shared_ptr<const ImagePyramid> pyramid = m_pyramids.pyramidFor(picture->image);
        const QRectF dest =
            placementRect(QSizeF(picture->region.size()), params.imgSize, cx, params.cy);
        drawResampled(canvas, *pyramid, picture->region, dest);
    }
    return canvas;
}
