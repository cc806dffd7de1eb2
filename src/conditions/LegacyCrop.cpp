#include "conditions/LegacyCrop.h"

#include <QLocale>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Digits with an optional sign, point and exponent, as numbers are written to
// the settings file ("12", "-3.5", ".5", "5.", "1e-3"); no blanks, no "nan" or
// "inf". One pass over at most maxLegacyNumberLength characters.
bool plainDecimal(QStringView text)
{
    if (text.size() > maxLegacyNumberLength)
        return false;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto digits = [&] {
        const qsizetype start = i;
        while (i < n && isDigit(text[i]))
            ++i;
        return i - start;
    };
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype mantissa = digits();
    if (i < n && text[i] == u'.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == n;
}

} // namespace

std::optional<double> legacyNumber(const QVariant& element)
{
    switch (element.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return element.toDouble();
    case QMetaType::QString: {
        const QString text = element.toString();
        if (!plainDecimal(text))
            return std::nullopt;
        bool ok = false;
        const double v = QLocale::c().toDouble(text, &ok);
        if (!ok)
            return std::nullopt;
        return v;
    }
    default:
        return std::nullopt;
    }
}

std::optional<SavedCrop> legacyCrop(const QVariant& value)
{
    const int type = value.typeId();
    if (type != QMetaType::QVariantList && type != QMetaType::QStringList)
        return std::nullopt;
    const QVariantList list = value.toList();
    if (list.size() != 4)
        return std::nullopt;
    double numbers[4];
    for (int i = 0; i < 4; ++i) {
        const auto v = legacyNumber(list.at(i));
        if (!v)
            return std::nullopt;
        numbers[i] = *v;
    }
    const SavedCrop crop = savedCrop(QRectF(numbers[0], numbers[1], numbers[2], numbers[3]));
    if (!isUsable(crop))
        return std::nullopt;
    return crop;
}
