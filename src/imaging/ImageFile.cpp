#include "imaging/ImageFile.h"

#include "imaging/JpegFile.h"

#include <QBuffer>
#include <QImageReader>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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
    const qint64 rows = height < 0 ? -height : height;
    if (width <= 0 || bitCount <= 0 || bitCount > 64 || width > maxImagePixels ||
        rows > maxImagePixels)
        return true; // the decoder refuses these by their size
    const qint64 stride = ((width * bitCount + 31) / 32) * 4;
    return qint64(offset) + stride * rows <= n;
}

// The format the signature at the start of `bytes` names, so that the reader
// goes straight to its decoder rather than loading every image plugin to ask
// each whether it knows the content; empty when none is recognised here.
QByteArray signatureFormat(const QByteArray& bytes)
{
    if (bytes.startsWith("\x89PNG\r\n\x1a\n"))
        return "png";
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return "gif";
    if (bytes.startsWith(QByteArrayView("II*\0", 4)) ||
        bytes.startsWith(QByteArrayView("MM\0*", 4)))
        return "tiff";
    if (bytes.startsWith("BM"))
        return "bmp";
    return {};
}

std::atomic<qint64> pixelLimit = maxImagePixels; // bytes: four times as many

} // namespace

void lowerImageLimits(qint64 pixels)
{
    for (qint64 now = pixelLimit; pixels > 0 && pixels < now;)
        pixelLimit.compare_exchange_weak(now, pixels);
}

bool imageSizeAllowed(qint64 width, qint64 height, int bytesPerPixel)
{
    if (width < 0 || height < 0 || bytesPerPixel < 1)
        return false;
    if (width > maxImagePixels || height > maxImagePixels) // keeps the product in range
        return false;
    const qint64 pixels = width * height, limit = pixelLimit;
    return pixels <= limit && pixels * bytesPerPixel <= limit * (maxImageBytes / maxImagePixels);
}

std::unique_ptr<QFile> openRegularFile(const QString& path)
{
    if (path.isEmpty())
        return nullptr;
    // O_NONBLOCK: opening a pipe with no writer would otherwise wait forever.
    // It changes nothing for a regular file.
    int fd;
    do
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return nullptr;
    }
    return file;
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes)
{
    const std::unique_ptr<QFile> file = openRegularFile(path);
    if (!file || file->size() > maxBytes)
        return std::nullopt;
    // Read to the end rather than to the size seen at opening: the file may
    // still be growing. One byte more than allowed refuses it. A read asks for
    // all the memory it may fill at once, so the first asks for what the file
    // holds, and any growth is read a mebibyte at a time.
    QByteArray bytes = file->read(file->size() + 1);
    while (bytes.size() <= maxBytes && !file->atEnd()) {
        const QByteArray more = file->read(std::min<qint64>(maxBytes + 1 - bytes.size(), 1 << 20));
        if (more.isEmpty())
            break;
        bytes += more;
    }
    if (bytes.size() > maxBytes || file->error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

std::optional<QImage> decodeImageBytes(const QByteArray& bytes)
{
    if (isJpeg(bytes))
        return decodeJpeg(bytes);

    // The decoders' own ceiling (in MiB), for sizes a header does not tell;
    // set once, as files are decoded on several threads.
    static const bool limited = [] {
        const qint64 bytes = pixelLimit * (maxImageBytes / maxImagePixels);
        QImageReader::setAllocationLimit(int(std::max<qint64>(bytes >> 20, 1)));
        return true;
    }();
    Q_UNUSED(limited);
    QByteArray copy = bytes; // shares the data
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray known = signatureFormat(bytes);
    QImageReader reader(&buffer, known);
    reader.setAutoDetectImageFormat(known.isEmpty());
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    if (format.isEmpty())
        return std::nullopt;
    const QSize declared = reader.size();
    if (declared.isValid() && !imageSizeAllowed(declared.width(), declared.height()))
        return std::nullopt;
    // Qt fills the missing rows of a cut-off BMP with black.
    if (format == "bmp" &&
        !bmpComplete(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size()))
        return std::nullopt;

    QImage image;
    if (!reader.read(&image) || image.isNull())
        return std::nullopt;
    if (!imageSizeAllowed(image.width(), image.height(), qMax(1, image.depth() / 8)))
        return std::nullopt;
    // Measures are in pixels; a "@2x" file name must not change them.
    image.setDevicePixelRatio(1.0);
    return image;
}

std::optional<QImage> decodeImageFile(const QString& path)
{
    const std::optional<QByteArray> bytes = readRegularFile(path, maxImageFileBytes);
    if (!bytes)
        return std::nullopt;
    return decodeImageBytes(*bytes);
}
