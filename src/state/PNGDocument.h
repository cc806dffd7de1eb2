#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The bytes of one PNG file on their way to the save dialog.
struct PNGDocument {
    QByteArray data;

    // Writes `data` as the file at `path`, atomically: the bytes go to a
    // temporary file beside it that replaces the target only once complete,
    // so a failed or interrupted write leaves no partial file and an
    // existing file as it was. Nothing on success, otherwise a readable
    // description of what went wrong.
    std::optional<QString> writeToFile(const QString& path) const;

    bool operator==(const PNGDocument&) const = default;
};
