#include "controls/ColorRules.h"

#include <QTest>

#include <cmath>
#include <limits>

using OptInt = std::optional<qint64>;
using OptColor = std::optional<BackgroundColor>;

class ColorRulesTest : public QObject {
    Q_OBJECT

private slots:
    void componentsFromColor()
    {
        using ::componentsFromColor;
        QVERIFY(componentsFromColor(QColor::fromRgbF(0.8f, 1, 0.8f, 0.5f)) ==
                OptColor({204, 255, 204, 128}));
        // Left beyond 0..255 for the fields to clamp.
        QVERIFY(componentsFromColor(QColor::fromRgbF(1.2f, -0.1f, 0.5f, 1)) ==
                OptColor({306, -25, 128, 255}));
        QVERIFY(componentsFromColor(QColor()) == std::nullopt);
        // Times 255, halves away from zero.
        QCOMPARE(componentFromUnit(0.5), 128);
        QCOMPARE(componentFromUnit(std::nan("")), OptInt());
        QCOMPARE(componentFromUnit(std::numeric_limits<double>::infinity()), OptInt());
        QVERIFY(*componentFromUnit(1e300) > 255 && *componentFromUnit(-1e300) < 0);
    }

    // A colour read and written back unchanged (the chooser opened and closed) keeps every value.
    void readThenWriteKeepsEveryValue()
    {
        for (qint64 n = 0; n <= 255; ++n) {
            const BackgroundColor c{n, 255 - n, (n * 7) % 256, n};
            QVERIFY2(::componentsFromColor(colorFromComponents(c)) == c,
                     qPrintable(QString::number(n)));
        }
        QCOMPARE(colorFromComponents({300, -4, 128, 999}), QColor(255, 0, 128, 255));
    }

    void captionAndClamp()
    {
        QCOMPARE(colorCaption({204, 255, 204, 255}), QStringLiteral("黄緑  #CCFFCC  A=255"));
        QCOMPARE(colorCaption({10, 11, 12, 13}), QStringLiteral("#0A0B0C  A=13"));
        QCOMPARE(clampCorrection(-1), 0);
        QCOMPARE(clampCorrection(255), OptInt()); // in range: nothing to correct
        QCOMPARE(clampCorrection(std::numeric_limits<qint64>::max()), 255);
    }

    void parseComponent_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptInt>("expected");
        const QLocale c = QLocale::c(), sv(QLocale::Swedish);
        QTest::newRow("blanks around") << c << " 7 " << OptInt(7);
        QTest::newRow("out of range is kept") << c << "-300" << OptInt(-300);
        QTest::newRow("letters") << c << "12ab" << OptInt();
        QTest::newRow("too large saturates") << c << "99999999999999999999" << OptInt(INT64_MAX);
        QTest::newRow("German grouping") << QLocale(QLocale::German) << "1.000" << OptInt(1000);
        QTest::newRow("Swedish hyphen-minus") << sv << "-5" << OptInt(-5);
        QTest::newRow("Swedish minus sign") << sv << sv.toString(-5) << OptInt(-5);
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
        for (const auto l : {QLocale::German, QLocale::Swedish, QLocale::Hindi, QLocale::Persian})
            for (qint64 v : {-5, 128, 123456})
                QCOMPARE(::parseComponent(formatComponent(v, QLocale(l)), QLocale(l)), OptInt(v));
    }
};

QTEST_APPLESS_MAIN(ColorRulesTest)
#include "tst_colorrules.moc"
