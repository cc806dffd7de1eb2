#include "controls/ColorRules.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

std::optional<qint64> componentFromUnit(double unit)
{
    if (!std::isfinite(unit))
        return std::nullopt;
    // std::round rounds halves away from zero. Far beyond any real colour the
    // value only needs to stay out of range, so it saturates before the cast.
    constexpr double limit = 9.0e15;
    return qint64(std::clamp(std::round(unit * 255.0), -limit, limit));
}

std::optional<BackgroundColor> componentsFromColor(const QColor& color)
{
    if (!color.isValid())
        return std::nullopt;

    // The unit components read the 16-bit sRGB components (an 8-bit n is
    // n * 257), convert HSV, HSL and CMYK colours to sRGB first, and keep an
    // extended-range colour's components outside 0 to 1.
    const auto red = componentFromUnit(color.redF());
    const auto green = componentFromUnit(color.greenF());
    const auto blue = componentFromUnit(color.blueF());
    const auto alpha = componentFromUnit(color.alphaF());
    if (!red || !green || !blue || !alpha)
        return std::nullopt;
    return BackgroundColor{*red, *green, *blue, *alpha};
}

QColor colorFromComponents(const BackgroundColor& c)
{
    auto byte = [](qint64 v) { return int(std::clamp<qint64>(v, 0, 255)); };
    // n/255 is exactly representable in QColor's 16-bit components (n * 257).
    return QColor(byte(c.red), byte(c.green), byte(c.blue), byte(c.alpha));
}

QString colorCaption(const BackgroundColor& c)
{
    auto hex2 = [](qint64 v) {
        return QStringLiteral("%1").arg(qlonglong(v), 2, 16, QLatin1Char('0')).toUpper();
    };
    QString caption;
    if (c == BackgroundColor())
        caption = QStringLiteral("黄緑  ");
    caption += QLatin1Char('#') + hex2(c.red) + hex2(c.green) + hex2(c.blue);
    caption += QStringLiteral("  A=") + QString::number(c.alpha);
    return caption;
}

std::optional<qint64> clampCorrection(qint64 v)
{
    if (v < 0)
        return 0;
    if (v > 255)
        return 255;
    return std::nullopt;
}

QString formatComponent(qint64 v, const QLocale& locale)
{
    return locale.toString(qlonglong(v));
}

std::optional<qint64> parseComponent(const QString& text, const QLocale& locale)
{
    // Some locales write direction marks around the sign, which their own
    // reading does not accept; invisible format characters carry no value.
    QString t = text.trimmed();
    t.removeIf([](QChar ch) { return ch.category() == QChar::Other_Format; });
    bool ok = false;
    qint64 v = locale.toLongLong(t, &ok);
    if (ok)
        return v;
    v = QLocale::c().toLongLong(t, &ok);
    if (ok)
        return v;
    static const QRegularExpression plainNumber(QStringLiteral("^[+-]?[0-9]+$"));
    if (plainNumber.match(t).hasMatch())
        return t.startsWith(QLatin1Char('-')) ? std::numeric_limits<qint64>::min()
                                              : std::numeric_limits<qint64>::max();
    return std::nullopt;
}
