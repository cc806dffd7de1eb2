#pragma once

#include <QString>

#include <optional>

// A layout parameter as typed: the whole text must be an optional single '+'
// or '-' followed by ASCII digits whose value fits a signed 64-bit integer.
// Anything else (blanks, a decimal point, an exponent, a lone sign) is invalid.
std::optional<qint64> parseParameter(const QString& text);
