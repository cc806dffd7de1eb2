// Colour texts (hexadecimal theme colours, typed components in two locales)
// and the components of a colour the chooser might report.
#include "FuzzTarget.h"

#include "controls/ColorRules.h"
#include "ui/Theme.h"

#include <cstring>

void fuzzOne(const QByteArray& input)
{
    const QString text = QString::fromUtf8(input);
    Color{QStringView(text)}.toQColor();
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Japanese, QLocale::Japan),
                                  QLocale(QLocale::German, QLocale::Germany)})
        if (const auto v = parseComponent(text, locale)) {
            const auto fixed = clampCorrection(*v);
            FUZZ_CHECK(!fixed || (*fixed >= 0 && *fixed <= 255));
            formatComponent(*v, locale);
        }
    if (input.size() < 16)
        return;
    float f[4]; // sixteen bytes and more: four floats as a colour's components
    std::memcpy(f, input.constData(), sizeof f);
    if (const auto c = componentsFromColor(QColor::fromRgbF(f[0], f[1], f[2], f[3]))) {
        colorCaption(*c);
        colorFromComponents(*c);
    }
}
