#include "controls/ColorRules.h"
#include "controls/TransparencyCheckerboard.h"

#include <QTest>

#include <cmath>
#include <limits>

using OptInt = std::optional<qint64>;
using OptColor = std::optional<ColorComponents>;

namespace {
constexpr qint64 maxInt = std::numeric_limits<qint64>::max();
constexpr qint64 minInt = std::numeric_limits<qint64>::min();
} // namespace

class ColorRulesTest : public QObject {
    Q_OBJECT

private slots:
    void componentsFromColor()
    {
        const QList<std::pair<QColor, OptColor>> cases{
            {QColor::fromRgbF(0.8f, 1, 0.8f, 0.5f), ColorComponents{204, 255, 204, 128}},
            {QColor::fromHsv(120, 255, 255), ColorComponents{0, 255, 0, 255}},
            {QColor::fromCmyk(0, 255, 255, 0), ColorComponents{255, 0, 0, 255}},
            // Left beyond 0..255 for the fields to clamp.
            {QColor::fromRgbF(1.2f, -0.1f, 0.5f, 1), ColorComponents{306, -25, 128, 255}},
            {QColor(), std::nullopt}};
        for (const auto& [color, expected] : cases)
            QVERIFY2(::componentsFromColor(color) == expected, qPrintable(color.name()));
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

    void parseComponent()
    {
        const QLocale c = QLocale::c(), sv(QLocale::Swedish), de(QLocale::German);
        const QList<std::tuple<QLocale, QString, OptInt>> cases{
            {c, " 7 ", 7},
            {c, "-5", -5},
            {c, "300", 300},
            {c, "12ab", {}},
            {c, "", {}},
            {c, "12.5", {}},
            {c, "99999999999999999999", maxInt},
            {c, "-99999999999999999999", minInt},
            {de, "1.000", 1000},
            {sv, "-5", -5},
            {sv, sv.toString(-5), -5}};
        for (const auto& [locale, text, expected] : cases)
            QVERIFY2(::parseComponent(text, locale) == expected, qPrintable(text));
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
