// Colour texts (hexadecimal theme colours, typed components in two locales)
// and components from a colour the chooser might report.
#include "FuzzTarget.h"

#include "controls/ColorRules.h"
#include "ui/Theme.h"

#include <QLocale>

#include <cstring>

void fuzzOne(const QByteArray& input)
{
    const QString text = QString::fromUtf8(input);
    const Color colour{QStringView(text)};
    colour.toQColor();
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Japanese, QLocale::Japan),
                                  QLocale(QLocale::German, QLocale::Germany)}) {
        if (const auto v = parseComponent(text, locale)) {
            const auto fixed = clampCorrection(*v);
            FUZZ_CHECK(!fixed || (*fixed >= 0 && *fixed <= 255));
            formatComponent(*v, locale);
        }
    }
    // Sixteen bytes and more: four floats as a colour's components.
    if (input.size() >= 16) {
        float f[4];
        std::memcpy(f, input.constData(), sizeof f);
        const QColor chosen = QColor::fromRgbF(f[0], f[1], f[2], f[3]);
        if (const auto c = componentsFromColor(chosen)) {
            colorFromComponents(*c);
            colorCaption(*c);
        }
    }
}
