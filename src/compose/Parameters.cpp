#include "compose/Parameters.h"

#include <charconv>

std::optional<qint64> parseParameter(const QString& text)
{
    const bool plus = text.startsWith(u'+');
    const qsizetype digits = plus || text.startsWith(u'-') ? 1 : 0;
    if (digits == text.size())
        return std::nullopt;
    // ASCII digits only: a blank, a point, an exponent or a full-width digit
    // makes the text invalid before anything is converted.
    for (qsizetype i = digits; i < text.size(); ++i)
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
    // std::from_chars takes a '-' but no '+', and refuses what overflows.
    const QByteArray ascii = QStringView(text).sliced(plus ? 1 : 0).toLatin1();
    qint64 value = 0;
    const auto [end, error] = std::from_chars(ascii.cbegin(), ascii.cend(), value);
    if (error != std::errc() || end != ascii.cend())
        return std::nullopt;
    return value;
}
