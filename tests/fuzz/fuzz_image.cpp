// Image files through the program's own loader, with its limits.
#include "FuzzTarget.h"

#include "imaging/ImageFile.h"

void fuzzOne(const QByteArray& input)
{
    lowerImageLimits(qint64(1) << 20); // one megapixel: the same rules, far faster
    if (const auto image = decodeImageBytes(input)) {
        FUZZ_CHECK(!image->isNull());
        FUZZ_CHECK(imageSizeAllowed(image->width(), image->height()));
    }
}
