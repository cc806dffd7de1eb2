#pragma once

#include <QByteArray>

// The bytes of one PNG file on their way to the save dialog.
struct PNGDocument {
    QByteArray data;
    bool operator==(const PNGDocument&) const = default;
};
