#include "conditions/CropPairStore.h"

#include "conditions/CropPairJson.h"
#include "conditions/LegacyCrop.h"

#include <QSettings>

CropPairStore::CropPairStore() = default;

CropPairStore::CropPairStore(const QString& fileName) : m_fileName(fileName) {}

std::unique_ptr<QSettings> CropPairStore::open() const
{
    // Opening re-reads the file when another process has changed it.
    if (m_fileName.isEmpty())
        return std::make_unique<QSettings>();
    return std::make_unique<QSettings>(m_fileName, QSettings::IniFormat);
}

std::optional<SavedCropPair> CropPairStore::readSavedCropPair()
{
    {
        const auto settings = open();
        const QVariant stored = settings->value(storageKey);
        // Only binary data counts; text or numbers under the key are not a record.
        if (stored.typeId() == QMetaType::QByteArray) {
            const auto record = decodeCropPair(stored.toByteArray());
            if (record && isValid(*record))
                return record;
        }
    }

    const auto left = readLegacyCrop(legacyLeftKey);
    if (!left)
        return std::nullopt;
    const auto right = readLegacyCrop(legacyRightKey);
    if (!right)
        return std::nullopt;
    const SavedCropPair migrated{*left, *right, std::nullopt, std::nullopt};
    write(migrated); // a failed copy still leaves the legacy record usable
    return migrated;
}

std::optional<SavedCrop> CropPairStore::readLegacyCrop(const QString& key)
{
    return legacyCrop(open()->value(key));
}

bool CropPairStore::write(const SavedCropPair& record)
{
    if (!isValid(record))
        return false;
    const auto json = encodeCropPair(record);
    if (!json)
        return false;
    const auto settings = open();
    settings->setValue(storageKey, *json);
    settings->sync();
    return settings->status() == QSettings::NoError;
}
