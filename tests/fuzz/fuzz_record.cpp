// The stored record: its JSON text, and the legacy lists (the input split at
// commas, as the settings file holds them).
#include "FuzzTarget.h"

#include "conditions/CropPairJson.h"
#include "conditions/LegacyCrop.h"
#include "conditions/SavedCropPair.h"

#include <QStringList>
#include <QVariant>

void fuzzOne(const QByteArray& input)
{
    if (const auto record = decodeCropPair(input); record && isValid(*record)) {
        // What is read back is written again and read as the same record.
        const auto json = encodeCropPair(*record);
        FUZZ_CHECK(json);
        FUZZ_CHECK(decodeCropPair(*json) == record);
    }
    const QString text = QString::fromUtf8(input);
    const QStringList parts = text.split(u',');
    legacyCrop(QVariant(parts));
    legacyNumber(QVariant(text));
}
