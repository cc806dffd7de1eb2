#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The bytes of one PNG file on their way to the save dialog.
struct PNGDocument {
    QByteArray data;

    // The one type the document is read and written as.
    static inline const QString contentType = QStringLiteral("image/png");

    // The file's contents. Anything that is not a readable regular file (a
    // folder, a device, a missing or unreadable file) gives empty data.
    // Nothing is validated.
    static PNGDocument fromFile(const QString& path);

    // Writes `data` as the file at `path`, atomically: the bytes go to a
    // temporary file beside it that replaces the target only once complete,
    // so a failed or interrupted write leaves no partial file and an
    // existing file as it was. Nothing on success, otherwise a readable
    // description of what went wrong.
    std::optional<QString> writeToFile(const QString& path) const;

    bool operator==(const PNGDocument&) const = default;
};
