#include "conditions/CropPairStore.h"

#include "conditions/CropPairJson.h"
#include "conditions/LegacyCrop.h"
#include "imaging/ImageFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

bool settingsTextSafe(const QByteArray& text)
{
    if (text.size() > maxSettingsFileBytes || text.contains("Variant("))
        return false;
    // The settings reader turns hex and octal escapes into characters before it
    // looks for a variant, so "\x40Variant(" would be one too. Pairvue writes
    // no such escape (only control characters would need one), so any is
    // refused; an escaped backslash is skipped whole.
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '\\')
            continue;
        const char next = text[i + 1];
        if (next == 'x' || next == 'X' || (next >= '0' && next <= '7'))
            return false;
        ++i;
    }
    return true;
}

CropPairStore::CropPairStore() = default;

CropPairStore::CropPairStore(const QString& fileName) : m_fileName(fileName) {}

QString CropPairStore::fileName() const
{
    // Making a settings object reads the file's text but parses no value yet.
    return m_fileName.isEmpty() ? QSettings().fileName() : m_fileName;
}

bool CropPairStore::fileSafe() const
{
    if (!QFile::exists(fileName()))
        return true;
    // Read as an image file is: regular files only, memory by what it holds.
    const std::optional<QByteArray> text = readRegularFile(fileName(), maxSettingsFileBytes);
    return text && settingsTextSafe(*text);
}

std::unique_ptr<QSettings> CropPairStore::open(Purpose purpose) const
{
    // QSettings parses a "@Variant(...)" value with a recursive loader that a
    // deeply nested value sends past the end of the stack, and parsing one key
    // parses its whole group. So the file is checked first; one that fails is
    // read as holding nothing, and a write first moves it aside whole (the
    // user's bytes stay, beside it) and starts a fresh file.
    if (!fileSafe()) {
        if (purpose == Purpose::Read)
            return nullptr;
        const QString name = fileName();
        const QString aside =
            name + QStringLiteral(".unreadable-") +
            QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmsszzz"));
        if (!QFile::rename(name, aside))
            return nullptr;
    }
    // Opening re-reads the file when another process has changed it. Only the
    // user's own file counts; no system-wide copy is consulted.
    auto settings = m_fileName.isEmpty()
                        ? std::make_unique<QSettings>()
                        : std::make_unique<QSettings>(m_fileName, QSettings::IniFormat);
    settings->setFallbacksEnabled(false);
    return settings;
}

std::optional<SavedCropPair> CropPairStore::readSavedCropPair()
{
    {
        const auto settings = open(Purpose::Read);
        if (!settings)
            return std::nullopt;
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
    const auto settings = open(Purpose::Read);
    return settings ? legacyCrop(settings->value(key)) : std::nullopt;
}

bool CropPairStore::write(const SavedCropPair& record)
{
    if (!isValid(record))
        return false;
    const auto json = encodeCropPair(record);
    if (!json)
        return false;
    const auto settings = open(Purpose::Write);
    if (!settings)
        return false;
    settings->setValue(storageKey, *json);
    settings->sync();
    return settings->status() == QSettings::NoError;
}
