#include "controls/ColorRules.h"
#include "controls/TransparencyCheckerboard.h"

#include <QTest>

#include <cmath>
#include <limits>

using OptInt = std::optional<qint64>;
Q_DECLARE_METATYPE(OptInt)
Q_DECLARE_METATYPE(ColorComponents)

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
        QTest::addColumn<bool>("written");
        QTest::addColumn<ColorComponents>("expected");
        QTest::newRow("pure red, opaque")
            << QColor(Qt::red) << true << ColorComponents{255, 0, 0, 255};
        QTest::newRow("opacity 0.5 rounds 127.5 up")
            << QColor::fromRgbF(0.8f, 1, 0.8f, 0.5f) << true << ColorComponents{204, 255, 204, 128};
        QTest::newRow("whole bytes come back unchanged")
            << QColor(12, 34, 56, 78) << true << ColorComponents{12, 34, 56, 78};
        QTest::newRow("fully transparent")
            << QColor(Qt::transparent) << true << ColorComponents{0, 0, 0, 0};
        QTest::newRow("HSV is converted to sRGB")
            << QColor::fromHsv(120, 255, 255) << true << ColorComponents{0, 255, 0, 255};
        QTest::newRow("HSL is converted to sRGB")
            << QColor::fromHslF(240.0f / 360, 1, 0.5f) << true << ColorComponents{0, 0, 255, 255};
        QTest::newRow("CMYK is converted to sRGB")
            << QColor::fromCmyk(0, 255, 255, 0) << true << ColorComponents{255, 0, 0, 255};
        // Components beyond 0..1 leave values beyond 0..255 for the fields to clamp.
        QTest::newRow("extended range is kept") << QColor::fromRgbF(1.2f, -0.1f, 0.5f, 1) << true
                                                << ColorComponents{306, -25, 128, 255};
        QTest::newRow("invalid colour changes nothing") << QColor() << false << ColorComponents{};
    }
    void componentsFromColor()
    {
        QFETCH(QColor, color);
        QFETCH(bool, written);
        QFETCH(ColorComponents, expected);
        const std::optional<ColorComponents> c = ::componentsFromColor(color);
        QCOMPARE(c.has_value(), written);
        if (c) {
            QCOMPARE(c->red, expected.red);
            QCOMPARE(c->green, expected.green);
            QCOMPARE(c->blue, expected.blue);
            QCOMPARE(c->alpha, expected.alpha);
        }
    }

    void componentFromUnit_data()
    {
        QTest::addColumn<double>("unit");
        QTest::addColumn<OptInt>("expected");
        QTest::newRow("0.5 halves away from zero") << 0.5 << OptInt(128);
        QTest::newRow("-0.5 halves away from zero") << -0.5 << OptInt(-128);
        QTest::newRow("zero") << 0.0 << OptInt(0);
        QTest::newRow("one") << 1.0 << OptInt(255);
        QTest::newRow("just under a half") << 127.49 / 255 << OptInt(127);
        QTest::newRow("above one stays above 255") << 1.5 << OptInt(383);
        QTest::newRow("not a number") << std::nan("") << OptInt();
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << OptInt();
    }
    void componentFromUnit()
    {
        QFETCH(double, unit);
        QFETCH(OptInt, expected);
        QCOMPARE(::componentFromUnit(unit), expected);
    }

    void hugeUnitSaturatesOutOfRange()
    {
        const OptInt v = ::componentFromUnit(1e300);
        QVERIFY(v && *v > 255);
        const OptInt w = ::componentFromUnit(-1e300);
        QVERIFY(w && *w < 0);
    }

    // Reading the colour and writing it back (the chooser opened and closed
    // unchanged) keeps every component.
    void readThenWriteKeepsEveryValue()
    {
        for (qint64 n = 0; n <= 255; ++n) {
            const ColorComponents c{n, 255 - n, (n * 7) % 256, n};
            const QColor color = colorFromComponents(c);
            QCOMPARE(color.redF(), float(double(c.red) / 255.0));
            const std::optional<ColorComponents> back = ::componentsFromColor(color);
            QVERIFY(back);
            QVERIFY2(*back == c, qPrintable(QString::number(n)));
        }
    }

    void readShowsOutOfRangeAsNearest()
    {
        QCOMPARE(colorFromComponents({300, -4, 128, 999}), QColor(255, 0, 128, 255));
    }

    void colorCaption_data()
    {
        QTest::addColumn<ColorComponents>("color");
        QTest::addColumn<QString>("expected");
        QTest::newRow("default light green is named")
            << ColorComponents{204, 255, 204, 255} << QStringLiteral("黄緑  #CCFFCC  A=255");
        QTest::newRow("transparent")
            << ColorComponents{0, 0, 0, 0} << QStringLiteral("#000000  A=0");
        QTest::newRow("light green not quite opaque has no name")
            << ColorComponents{204, 255, 204, 254} << QStringLiteral("#CCFFCC  A=254");
        QTest::newRow("one blue step off has no name")
            << ColorComponents{204, 255, 205, 255} << QStringLiteral("#CCFFCD  A=255");
        QTest::newRow("pure red") << ColorComponents{255, 0, 0, 255}
                                  << QStringLiteral("#FF0000  A=255");
        QTest::newRow("single hex digits padded")
            << ColorComponents{10, 11, 12, 13} << QStringLiteral("#0A0B0C  A=13");
    }
    void colorCaption()
    {
        QFETCH(ColorComponents, color);
        QFETCH(QString, expected);
        QCOMPARE(::colorCaption(color), expected);
    }

    void clampCorrection_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<OptInt>("expected");
        QTest::newRow("below") << qint64(-5) << OptInt(0);
        QTest::newRow("just below") << qint64(-1) << OptInt(0);
        QTest::newRow("lowest in range") << qint64(0) << OptInt();
        QTest::newRow("inside") << qint64(128) << OptInt();
        QTest::newRow("highest in range") << qint64(255) << OptInt();
        QTest::newRow("just above") << qint64(256) << OptInt(255);
        QTest::newRow("far above") << maxInt << OptInt(255);
        QTest::newRow("far below") << minInt << OptInt(0);
    }
    void clampCorrection()
    {
        QFETCH(qint64, value);
        QFETCH(OptInt, expected);
        QCOMPARE(::clampCorrection(value), expected);
    }

    void parseComponent_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptInt>("expected");
        const QLocale c = QLocale::c();
        const QLocale german(QLocale::German, QLocale::Germany);
        const QLocale swedish(QLocale::Swedish, QLocale::Sweden);
        QTest::newRow("digits") << c << QStringLiteral("42") << OptInt(42);
        QTest::newRow("blanks around") << c << QStringLiteral(" 7 ") << OptInt(7);
        QTest::newRow("minus") << c << QStringLiteral("-5") << OptInt(-5);
        QTest::newRow("out of range is read, clamped later")
            << c << QStringLiteral("300") << OptInt(300);
        QTest::newRow("letters") << c << QStringLiteral("abc") << OptInt();
        QTest::newRow("digits then letters") << c << QStringLiteral("12ab") << OptInt();
        QTest::newRow("empty") << c << QString() << OptInt();
        QTest::newRow("fraction") << c << QStringLiteral("12.5") << OptInt();
        QTest::newRow("too long saturates up")
            << c << QStringLiteral("99999999999999999999") << OptInt(maxInt);
        QTest::newRow("too long negative saturates down")
            << c << QStringLiteral("-99999999999999999999") << OptInt(minInt);
        QTest::newRow("German grouping") << german << QStringLiteral("1.000") << OptInt(1000);
        QTest::newRow("German plain minus") << german << QStringLiteral("-5") << OptInt(-5);
        QTest::newRow("Swedish plain minus") << swedish << QStringLiteral("-5") << OptInt(-5);
        QTest::newRow("Swedish own minus") << swedish << swedish.toString(-5) << OptInt(-5);
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
        const QList<QLocale> locales{
            QLocale::c(),
            QLocale(QLocale::Japanese, QLocale::Japan),
            QLocale(QLocale::German, QLocale::Germany),
            QLocale(QLocale::French, QLocale::France),
            QLocale(QLocale::Swedish, QLocale::Sweden),
            QLocale(QLocale::Arabic, QLocale::Egypt),
            QLocale(QLocale::Hindi, QLocale::India),
            QLocale(QLocale::Persian, QLocale::Iran),
        };
        for (const QLocale& locale : locales)
            for (qint64 v : {qint64(-5), qint64(0), qint64(128), qint64(255), qint64(123456)})
                QVERIFY2(::parseComponent(formatComponent(v, locale), locale) == OptInt(v),
                         qPrintable(locale.name() + QLatin1Char(' ') + formatComponent(v, locale)));
    }

    void checkerboardGrid_data()
    {
        QTest::addColumn<QSizeF>("area");
        QTest::addColumn<QSize>("grid");
        QTest::newRow("30 x 20") << QSizeF(30, 20) << QSize(3, 2);
        QTest::newRow("whole cells") << QSizeF(24, 12) << QSize(2, 1);
        QTest::newRow("a sliver starts a cell") << QSizeF(12.1, 12) << QSize(2, 1);
        QTest::newRow("empty") << QSizeF(0, 20) << QSize(0, 2);
        QTest::newRow("negative") << QSizeF(-5, -5) << QSize(0, 0);
        QTest::newRow("not a number") << QSizeF(std::nan(""), 12) << QSize(0, 1);
    }
    void checkerboardGrid()
    {
        QFETCH(QSizeF, area);
        QFETCH(QSize, grid);
        QCOMPARE(::checkerboardGrid(area), grid);
    }

    void checkerboardGreyCells()
    {
        const QList<QRectF> expected{QRectF(0, 0, 12, 12), QRectF(24, 0, 6, 12),
                                     QRectF(12, 12, 12, 8)};
        QCOMPARE(::checkerboardGreyCells(QSizeF(30, 20)), expected);
        QVERIFY(::checkerboardGreyCells(QSizeF(0, 0)).isEmpty());
        // Every other cell is grey, starting at the top-left.
        QCOMPARE(::checkerboardGreyCells(QSizeF(48, 48)).size(), 8);
    }
};

QTEST_MAIN(ColorRulesTest)
#include "tst_colorrules.moc"
