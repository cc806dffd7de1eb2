// The stored record: its JSON text, and the legacy lists (the input split at
// commas, as the settings file holds them).
#include "FuzzTarget.h"

#include "conditions/CropPairJson.h"
#include "conditions/LegacyCrop.h"
#include "conditions/SavedCropPair.h"

void fuzzOne(const QByteArray& input)
{
    // What is read back is written again and read as the same record.
    if (const auto record = decodeCropPair(input); record && isValid(*record)) {
        const auto json = encodeCropPair(*record);
        FUZZ_CHECK(json && decodeCropPair(*json) == record);
    }
    const QString text = QString::fromUtf8(input);
    legacyCrop(QVariant(text.split(u',')));
    legacyNumber(QVariant(text));
}
