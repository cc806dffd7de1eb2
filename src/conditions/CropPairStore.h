#pragma once

#include "conditions/SavedCropPair.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class QSettings;

// Bounds on a settings file that is handed to QSettings at all: its size,
// and no "@Variant(...)" value in it. The program itself writes none, and
// QSettings parses every value of a group when one key is read: a variant
// through a recursive loader (deep nesting runs off the stack) that first
// asks for as much memory as a list or string says it holds (a 60-byte value
// can ask for 20 GB).
inline constexpr qint64 maxSettingsFileBytes = 1 << 20;

// Whether the text of a settings file keeps within those bounds.
bool settingsTextSafe(const QByteArray& text);

// The clipping conditions in the per-user settings store. Each operation opens
// the store afresh, so it sees what other windows and processes have written
// since and reports only its own errors; every write goes to disk at once
// (through a lock file and an atomic rename), so two windows saving together
// leave one whole record.
class CropPairStore {
public:
    // The settings key of the JSON record.
    static inline const QString storageKey = QStringLiteral("Pairvue.savedCrops.both");

    // The application's own settings (organisation and application names must
    // be set before).
    CropPairStore();
    // A given settings file, in the same format.
    explicit CropPairStore(const QString& fileName);

    // The usable record: the JSON entry if it decodes and is valid, otherwise
    // the two legacy entries, which are then copied into the JSON entry (they
    // themselves stay as they are). Nothing when neither is usable.
    std::optional<SavedCropPair> readSavedCropPair();

    // One legacy side, by the rules of legacyCrop().
    std::optional<SavedCrop> readLegacyCrop(const QString& key);

    // Stores `record` as the JSON entry, replacing any earlier one. Returns
    // false, storing nothing, when the record is invalid or cannot be encoded,
    // and false when the settings file could not be written.
    bool write(const SavedCropPair& record);

    // The settings file this store reads and writes.
    QString fileName() const;

private:
    enum class Purpose { Read, Write };
    bool fileSafe() const;
    // Nothing when the file is not safe to read; for writing, it is first moved aside.
    std::unique_ptr<QSettings> open(Purpose purpose) const;

    QString m_fileName; // empty for the application's own settings
};
