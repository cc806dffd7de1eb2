#include "imaging/ImageFile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace {

// JPEG: walk the marker segments and the entropy-coded data that follows each
// start of scan until the end-of-image marker. Running out of bytes first
// means the file was cut off.
bool jpegComplete(const uchar* d, qint64 n)
{
    if (!d || n < 4 || d[0] != 0xFF || d[1] != 0xD8)
        return false;
    qint64 i = 2;
    while (i < n) {
        if (d[i] != 0xFF)
            return false;
        while (i < n && d[i] == 0xFF) // fill bytes
            ++i;
        if (i >= n)
            return false;
        const uchar marker = d[i++];
        if (marker == 0xD9)
            return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a length
        if (i + 2 > n)
            return false;
        const qint64 length = (qint64(d[i]) << 8) | d[i + 1];
        if (length < 2)
            return false;
        i += length;
        if (i > n)
            return false;
        if (marker == 0xDA) {
            // Scan data: runs until a marker other than a stuffed zero or a restart.
            while (true) {
                while (i < n && d[i] != 0xFF)
                    ++i;
                if (i + 1 >= n)
                    return false;
                const uchar next = d[i + 1];
                if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF) {
                    i += next == 0xFF ? 1 : 2;
                    continue;
                }
                break;
            }
        }
    }
    return false;
}

quint32 le32(const uchar* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// BMP: uncompressed pixel rows must all be present.
bool bmpComplete(const uchar* d, qint64 n)
{
    if (!d || n < 30 || d[0] != 'B' || d[1] != 'M')
        return true; // let the decoder judge
    const quint32 offset = le32(d + 10);
    const quint32 headerSize = le32(d + 14);
    if (headerSize < 40 || n < 34)
        return true; // old header forms: the decoder checks them
    const qint64 width = qint32(le32(d + 18));
    const qint64 height = qint32(le32(d + 22));
    const int bitCount = d[28] | d[29] << 8;
    const quint32 compression = le32(d + 30);
    if (compression != 0 && compression != 3 && compression != 6)
        return true; // run-length data has no fixed size
    if (width <= 0 || bitCount <= 0 || width > maxImageSide)
        return true;
    const qint64 rows = height < 0 ? -height : height;
    const qint64 stride = ((width * bitCount + 31) / 32) * 4;
    return qint64(offset) + stride * rows <= n;
}

} // namespace

bool imageSizeAllowed(qint64 width, qint64 height)
{
    return width >= 0 && height >= 0 && width <= maxImageSide && height <= maxImageSide &&
           width * height * 4 <= maxImageBytes;
}

bool looksComplete(const QByteArray& format, const uchar* data, qint64 size)
{
    if (format == "jpeg" || format == "jpg")
        return jpegComplete(data, size);
    if (format == "bmp")
        return bmpComplete(data, size);
    return true;
}

std::optional<QImage> decodeImageFile(const QString& path)
{
    // Regular files only: a pipe or a device could block or never end.
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return std::nullopt;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The decoders' own ceiling (in MiB), for sizes a header does not tell;
    // set once, as files are decoded on several threads.
    static const bool limited = [] {
        QImageReader::setAllocationLimit(int(maxImageBytes >> 20));
        return true;
    }();
    Q_UNUSED(limited);
    QImageReader reader(&file);
    reader.setAutoTransform(true);

    const QByteArray format = reader.format();
    if (format.isEmpty())
        return std::nullopt;
    const QSize declared = reader.size();
    if (declared.isValid() && !imageSizeAllowed(declared.width(), declared.height()))
        return std::nullopt;

    if (format == "jpeg" || format == "bmp") {
        // Mapping leaves the reader's position in the file untouched.
        const qint64 size = file.size();
        uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
        const bool complete = looksComplete(format, mapped, mapped ? size : 0);
        if (mapped)
            file.unmap(mapped);
        if (!complete)
            return std::nullopt;
    }

    QImage image;
    if (!reader.read(&image) || image.isNull())
        return std::nullopt;
    if (!imageSizeAllowed(image.width(), image.height()))
        return std::nullopt;
    // Measures are in pixels; a "@2x" file name must not change them.
    image.setDevicePixelRatio(1.0);
    return image;
}
