// The settings store's read path: the input is the whole settings file.
#include "FuzzTarget.h"

#include "conditions/CropPairStore.h"
#include "conditions/SavedCropPair.h"

#include <QTemporaryDir>

void fuzzOne(const QByteArray& input)
{
    static QTemporaryDir dir;
    QFile file(dir.filePath("Pairvue.conf"));
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(input) >= 0);
    file.close();
    if (const auto record = CropPairStore(file.fileName()).readSavedCropPair())
        FUZZ_CHECK(isValid(*record));
}
