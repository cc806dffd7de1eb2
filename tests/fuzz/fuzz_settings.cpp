// The settings store's read path: the input is the whole settings file.
#include "FuzzTarget.h"

#include "conditions/CropPairStore.h"
#include "conditions/SavedCropPair.h"

#include <QFile>
#include <QTemporaryDir>

void fuzzOne(const QByteArray& input)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Pairvue.conf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(input);
    file.close();
    CropPairStore store(path);
    if (const auto record = store.readSavedCropPair())
        FUZZ_CHECK(isValid(*record));
}
