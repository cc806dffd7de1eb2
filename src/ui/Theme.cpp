#include "ui/Theme.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <limits>

namespace {

bool isAlphanumeric(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
        return true;
    default:
        return false;
    }
}

int hexDigit(char32_t c)
{
    if (c >= '0' && c <= '9')
        return int(c - '0');
    if (c >= 'a' && c <= 'f')
        return int(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return int(c - 'A' + 10);
    return -1;
}

} // namespace

Color::Color(QStringView hex)
{
    const QList<uint> chars = hex.toUcs4();
    auto first = std::find_if(chars.begin(), chars.end(), isAlphanumeric);
    auto last = std::find_if(chars.rbegin(), chars.rend(), isAlphanumeric).base();
    std::vector<char32_t> trimmed;
    if (first < last)
        trimmed.assign(first, last);

    size_t i = 0;
    if (trimmed.size() >= 3 && trimmed[0] == '0' && (trimmed[1] == 'x' || trimmed[1] == 'X') &&
        hexDigit(trimmed[2]) >= 0)
        i = 2;
    quint64 value = 0;
    for (; i < trimmed.size(); ++i) {
        const int d = hexDigit(trimmed[i]);
        if (d < 0)
            break;
        // Too many digits saturate rather than wrap.
        if (value > (std::numeric_limits<quint64>::max() >> 4)) {
            value = std::numeric_limits<quint64>::max();
            continue;
        }
        value = (value << 4) | quint64(d);
    }
    red = double(value >> 16) / 255.0;
    green = double((value >> 8) & 0xff) / 255.0;
    blue = double(value & 0xff) / 255.0;
    alpha = 1.0;
}

QColor Color::toQColor() const
{
    return withOpacity(alpha);
}

QColor Color::withOpacity(double opacity) const
{
    auto unit = [](double v) { return float(std::clamp(v, 0.0, 1.0)); };
    return QColor::fromRgbF(unit(red), unit(green), unit(blue), unit(opacity));
}
