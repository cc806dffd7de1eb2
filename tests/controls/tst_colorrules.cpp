#include "controls/ColorRules.h"
#include "controls/TransparencyCheckerboard.h"

#include <QTest>

#include <cmath>
#include <limits>

using OptInt = std::optional<qint64>;
using OptColor = std::optional<ColorComponents>;
Q_DECLARE_METATYPE(OptInt)
Q_DECLARE_METATYPE(OptColor)

namespace {
constexpr qint64 maxInt = std::numeric_limits<qint64>::max();
constexpr qint64 minInt = std::numeric_limits<qint64>::min();
} // namespace

class ColorRulesTest : public QObject {
    Q_OBJECT

private slots:
    void componentsFromColor_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<OptColor>("expected");
        QTest::newRow("0.5 gives 128")
            << QColor::fromRgbF(0.8f, 1, 0.8f, 0.5f) << OptColor({204, 255, 204, 128});
        QTest::newRow("bytes") << QColor(12, 34, 56, 78) << OptColor({12, 34, 56, 78});
        QTest::newRow("HSV") << QColor::fromHsv(120, 255, 255) << OptColor({0, 255, 0, 255});
        QTest::newRow("CMYK") << QColor::fromCmyk(0, 255, 255, 0) << OptColor({255, 0, 0, 255});
        // Left beyond 0..255 for the fields to clamp.
        QTest::newRow("extended") << QColor::fromRgbF(1.2f, -0.1f, 0.5f, 1)
                                  << OptColor({306, -25, 128, 255});
        QTest::newRow("invalid") << QColor() << OptColor();
    }
    void componentsFromColor()
    {
        QFETCH(QColor, color);
        QFETCH(OptColor, expected);
        QVERIFY(::componentsFromColor(color) == expected);
    }

    void componentFromUnit() // times 255, halves away from zero
    {
        const QList<std::pair<double, OptInt>> cases{
            {0.5, 128}, {-0.5, -128},       {127.49 / 255, 127},
            {1.5, 383}, {std::nan(""), {}}, {std::numeric_limits<double>::infinity(), {}}};
        for (const auto& [unit, expected] : cases)
            QCOMPARE(::componentFromUnit(unit), expected);
        QVERIFY(*::componentFromUnit(1e300) > 255 && *::componentFromUnit(-1e300) < 0);
    }

    // A colour read and written back unchanged (the chooser opened and closed) keeps every value.
    void readThenWriteKeepsEveryValue()
    {
        for (qint64 n = 0; n <= 255; ++n) {
            const ColorComponents c{n, 255 - n, (n * 7) % 256, n};
            QVERIFY2(::componentsFromColor(colorFromComponents(c)) == c,
                     qPrintable(QString::number(n)));
        }
        QCOMPARE(colorFromComponents({300, -4, 128, 999}), QColor(255, 0, 128, 255));
    }

    void colorCaption()
    {
        QCOMPARE(::colorCaption({204, 255, 204, 255}), QStringLiteral("黄緑  #CCFFCC  A=255"));
        QCOMPARE(::colorCaption({204, 255, 204, 254}), QStringLiteral("#CCFFCC  A=254"));
        QCOMPARE(::colorCaption({204, 255, 205, 255}), QStringLiteral("#CCFFCD  A=255"));
        QCOMPARE(::colorCaption({10, 11, 12, 13}), QStringLiteral("#0A0B0C  A=13"));
    }

    void clampCorrection()
    {
        const QList<std::pair<qint64, OptInt>> cases{{-1, 0},    {0, {}},     {255, {}},
                                                     {256, 255}, {minInt, 0}, {maxInt, 255}};
        for (const auto& [value, expected] : cases)
            QCOMPARE(::clampCorrection(value), expected);
    }

    void parseComponent_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptInt>("expected");
        const QLocale c = QLocale::c();
        const QLocale swedish(QLocale::Swedish, QLocale::Sweden);
        QTest::newRow("blanks") << c << QStringLiteral(" 7 ") << OptInt(7);
        QTest::newRow("minus") << c << QStringLiteral("-5") << OptInt(-5);
        QTest::newRow("300") << c << QStringLiteral("300") << OptInt(300);
        QTest::newRow("letters") << c << QStringLiteral("12ab") << OptInt();
        QTest::newRow("empty") << c << QString() << OptInt();
        QTest::newRow("fraction") << c << QStringLiteral("12.5") << OptInt();
        QTest::newRow("too long") << c << QStringLiteral("99999999999999999999") << OptInt(maxInt);
        QTest::newRow("too long -")
            << c << QStringLiteral("-99999999999999999999") << OptInt(minInt);
        QTest::newRow("de grouping") << QLocale(QLocale::German, QLocale::Germany)
                                     << QStringLiteral("1.000") << OptInt(1000);
        QTest::newRow("sv plain minus") << swedish << QStringLiteral("-5") << OptInt(-5);
        QTest::newRow("sv own minus") << swedish << swedish.toString(-5) << OptInt(-5);
    }
    void parseComponent()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(OptInt, expected);
        QCOMPARE(::parseComponent(text, locale), expected);
    }

    // What a field shows in the user's locale is read back as the same value.
    void formatThenParseInManyLocales()
    {
        for (const QLocale::Language l :
             {QLocale::C, QLocale::Japanese, QLocale::German, QLocale::French, QLocale::Swedish,
              QLocale::Arabic, QLocale::Hindi, QLocale::Persian}) {
            const QLocale locale(l);
            for (qint64 v : {-5, 0, 128, 255, 123456})
                QVERIFY2(::parseComponent(formatComponent(v, locale), locale) == OptInt(v),
                         qPrintable(locale.name() + QLatin1Char(' ') + formatComponent(v, locale)));
        }
    }

    void checkerboardCells()
    {
        QCOMPARE(checkerboardGrid(QSizeF(12.1, 12)), QSize(2, 1)); // a sliver starts a cell
        QCOMPARE(checkerboardGrid(QSizeF(-5, 0)), QSize(0, 0));
        QCOMPARE(checkerboardGrid(QSizeF(std::nan(""), 12)), QSize(0, 1));
        QCOMPARE(checkerboardGreyCells(QSizeF(30, 20)),
                 (QList<QRectF>{{0, 0, 12, 12}, {24, 0, 6, 12}, {12, 12, 12, 8}}));
        QCOMPARE(checkerboardGreyCells(QSizeF(48, 48)).size(), 8);
    }
};

QTEST_MAIN(ColorRulesTest)
#include "tst_colorrules.moc"
