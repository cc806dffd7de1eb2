#pragma once

#include "compose/ImagePyramid.h"
#include "compose/Resampler.h"
#include "state/BackgroundColor.h"

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QString>

#include <optional>

// The six layout parameters after conversion.
struct CompositionParams {
    qint64 canvasW = 0;
    qint64 canvasH = 0;
    qint64 imgSize = 0;
    qint64 cx1 = 0;
    qint64 cx2 = 0;
    qint64 cy = 0;
};

// Converts the six parameter texts in order; nothing when one is not a whole
// number or the canvas or picture size is below 1.
std::optional<CompositionParams> parseCompositionParams(const QString& canvasW,
                                                        const QString& canvasH,
                                                        const QString& imgSize, const QString& cx1,
                                                        const QString& cx2, const QString& cy);

// The largest canvas composed, refused before any memory is asked for (on
// Linux an enormous allocation may appear to succeed and then take the
// process down when it is touched):
// - a side of at most 1,000,000 pixels, the most libpng writes (its default
//   user limit, checked when the PNG header is set);
// - at most 2^28 pixels, 1 GiB of RGBA: the compositor keeps two canvases
//   (the one shown and the next), as large as the largest image read.
// Within these QImage's own limits hold: a row of 4 MB fits its int byte
// counts, and the whole its qsizetype size.
constexpr qint64 maxCanvasSide = 1000000;
constexpr qint64 maxCanvasPixels = qint64(1) << 28;
bool canvasSizeAllowed(qint64 width, qint64 height);

// Where a picture of `pictureSize` pixels lands: fitted into an imgSize square
// with its aspect ratio kept, centred on (cx, cy), canvas y downwards. Nothing
// is rounded.
QRectF placementRect(QSizeF pictureSize, qint64 imgSize, qint64 cx, qint64 cy);

// The background colour premultiplied, as the four bytes R, G, B, A.
quint32 premultipliedBackground(const BackgroundColor& c);

// Builds composites for one window. It keeps reduced copies of the images it
// has seen, so that a drag over a large image stays fast, each picture as
// last resampled, so that a change to one picture resamples only that one,
// and its canvases, so that a refresh of the same size allocates nothing.
class Compositor {
public:
    struct Picture {
        QImage image; // the whole loaded image
        QRect region; // the whole-pixel part of it to draw
    };

    // A canvasW x canvasH composite in RGBA8888 premultiplied, sRGB, filled
    // with the background, picture 1 then picture 2 drawn over it. Nothing
    // when the canvas is too large or cannot be allocated. The image is the
    // caller's: later compositions never change it.
    std::optional<QImage> compose(const Picture& picture1, const Picture& picture2,
                                  const CompositionParams& params,
                                  const BackgroundColor& background);

    // Lets go of the reduced copies (and the images they were made from).
    void releaseImages();

private:
    // A picture as last resampled, and what it was resampled from.
    struct Placed {
        std::shared_ptr<const ImagePyramid> pyramid;
        QRect region;
        QRectF dest;
        QSize canvas;
        int level = -1; // the pyramid level read
        ResampledPicture picture;
    };
    // A canvas of `size` no one else holds: one of the two kept, or a new one.
    QImage* freeCanvas(QSize size);

    PyramidCache m_pyramids;
    Placed m_placed[2];
    QImage m_canvases[2];
    int m_nextCanvas = 0;
};
