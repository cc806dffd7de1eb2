// DICOM files: the element walk that guards the DICOM library, then the whole
// opening through the program's loader and the first frame's decode.
#include "FuzzTarget.h"

#include "imaging/DicomStructure.h"
#include "imaging/ImageFile.h"
#include "imaging/PictureSource.h"

#include <QFile>
#include <QTemporaryDir>

void fuzzOne(const QByteArray& input)
{
    lowerImageLimits(qint64(1) << 20); // one megapixel: the same rules, far faster
    walkDicomStructure(reinterpret_cast<const uchar*>(input.constData()), input.size());

    static QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("input.dcm")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(input) != input.size())
        return;
    file.close();
    if (const auto source = openPictureSource(file.fileName())) {
        FUZZ_CHECK(source->frameCount() >= 1);
        FUZZ_CHECK(source->initialFrame() >= 0 && source->initialFrame() < source->frameCount());
        const std::optional<QImage> frame = source->frame(source->initialFrame());
        FUZZ_CHECK(frame && imageSizeAllowed(frame->width(), frame->height()));
    }
}
