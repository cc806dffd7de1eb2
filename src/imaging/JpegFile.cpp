#include "imaging/JpegFile.h"

#include "imaging/ImageFile.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageIOHandler>
#include <QImageReader>
#include <QTransform>

#include <turbojpeg.h>

#include <cstring>
#include <map>
#include <memory>

namespace {

// What the marker segments before the first scan tell beyond the header that
// libjpeg reads: whether the file is progressive (its whole coefficient
// buffer is held in memory), its number of components, and its colour profile.
struct JpegHeader {
    bool progressive = false;
    int components = 0;
    QByteArray iccProfile;
};

JpegHeader readHeaderSegments(const QByteArray& bytes)
{
    JpegHeader header;
    const auto* d = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    std::map<int, QByteArray> iccChunks; // by sequence number, 1 up
    int iccCount = 0;
    qsizetype i = 2;
    while (i + 4 <= n && d[i] == 0xFF) {
        const uchar marker = d[i + 1];
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            break; // first scan or end of image: the header is over
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            i += 2; // markers without a length
            continue;
        }
        const qsizetype length = (qsizetype(d[i + 2]) << 8) | d[i + 3];
        if (length < 2 || i + 2 + length > n)
            break;
        const uchar* payload = d + i + 4;
        const qsizetype payloadSize = length - 2;
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && payloadSize >= 6) {
            header.progressive =
                marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            header.components = payload[5];
        }
        static const char iccTag[] = "ICC_PROFILE"; // and a zero byte
        if (marker == 0xE2 && payloadSize > 14 && memcmp(payload, iccTag, sizeof iccTag) == 0) {
            const int sequence = payload[12];
            iccCount = payload[13];
            iccChunks[sequence] =
                QByteArray(reinterpret_cast<const char*>(payload) + 14, payloadSize - 14);
        }
        i += 2 + length;
    }
    // A profile counts only when every one of its chunks is there.
    if (iccCount > 0 && int(iccChunks.size()) == iccCount && iccChunks.begin()->first == 1 &&
        iccChunks.rbegin()->first == iccCount) {
        for (const auto& [sequence, chunk] : iccChunks)
            header.iccProfile += chunk;
    }
    return header;
}

// Turns a decoded picture the way its Exif orientation says.
QImage oriented(QImage image, QImageIOHandler::Transformations turn)
{
    if (turn == QImageIOHandler::TransformationNone)
        return image;
    if (turn == QImageIOHandler::TransformationRotate270)
        return image.transformed(QTransform().rotate(270));
    image = std::move(image).mirrored(turn.testFlag(QImageIOHandler::TransformationMirror),
                                      turn.testFlag(QImageIOHandler::TransformationFlip));
    if (turn.testFlag(QImageIOHandler::TransformationRotate90))
        image = image.transformed(QTransform().rotate(90));
    return image;
}

struct TurboJpegFree {
    void operator()(void* handle) const { tjDestroy(handle); }
};

} // namespace

bool isJpeg(const QByteArray& bytes)
{
    return bytes.size() >= 3 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xD8 &&
           uchar(bytes[2]) == 0xFF;
}

std::optional<QImage> decodeJpeg(const QByteArray& bytes)
{
    if (!isJpeg(bytes))
        return std::nullopt;
    const std::unique_ptr<void, TurboJpegFree> handle(tjInitDecompress());
    if (!handle)
        return std::nullopt;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto size = static_cast<unsigned long>(bytes.size());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), data, size, &width, &height, &subsampling, &colorspace) !=
        0)
        return std::nullopt;

    const JpegHeader header = readHeaderSegments(bytes);
    const bool grey = colorspace == TJCS_GRAY;
    const bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
    if (!imageSizeAllowed(width, height, grey ? 1 : 4))
        return std::nullopt;
    // A progressive file keeps two bytes per sample of every component until
    // its last scan: that memory counts against the same ceiling.
    if (header.progressive &&
        qint64(width) * height * qMax(header.components, 1) * 2 > maxImageBytes)
        return std::nullopt;

    QImage image(width, height, grey ? QImage::Format_Grayscale8 : QImage::Format_RGBX8888);
    if (image.isNull())
        return std::nullopt;
    int flags = TJFLAG_STOPONWARNING | TJFLAG_ACCURATEDCT;
#ifdef TJFLAG_LIMITSCANS
    flags |= TJFLAG_LIMITSCANS;
#endif
    const int pixelFormat = grey ? TJPF_GRAY : cmyk ? TJPF_CMYK : TJPF_RGBA;
    // Any complaint, a warning as much as an error, refuses the file.
    if (tjDecompress2(handle.get(), data, size, image.bits(), width, int(image.bytesPerLine()),
                      height, pixelFormat, flags) != 0)
        return std::nullopt;
    if (cmyk) {
        // Inverted CMYK, as written by the common editors: each channel times K.
        for (int y = 0; y < height; ++y) {
            uchar* p = image.scanLine(y);
            for (int x = 0; x < width; ++x, p += 4) {
                const int k = p[3];
                p[0] = uchar(p[0] * k / 255);
                p[1] = uchar(p[1] * k / 255);
                p[2] = uchar(p[2] * k / 255);
                p[3] = 0xFF;
            }
        }
    }
    // The orientation comes from Qt's reader of the same bytes, which reads
    // the Exif block of the header without decoding the pixels.
    QByteArray copy = bytes; // shares the data
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    image = oriented(std::move(image), reader.transformation());
    if (!grey && !header.iccProfile.isEmpty()) {
        const QColorSpace space = QColorSpace::fromIccProfile(header.iccProfile);
        if (space.isValid())
            image.setColorSpace(space);
    }
    return image;
}
