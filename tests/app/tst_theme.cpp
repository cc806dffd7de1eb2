#include "app/Theme.h"

#include <QTest>

Q_DECLARE_METATYPE(Color)

class ThemeTest : public QObject {
    Q_OBJECT

private slots:
    void readsHexText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("red");
        QTest::addColumn<double>("green");
        QTest::addColumn<double>("blue");

        const double r = 79, g = 142, b = 247;
        QTest::newRow("six lowercase digits") << "4f8ef7" << r << g << b;
        QTest::newRow("leading hash") << "#4f8ef7" << r << g << b;
        QTest::newRow("uppercase digits") << "4F8EF7" << r << g << b;
        QTest::newRow("blanks around") << "  #4f8ef7 \t\n" << r << g << b;
        QTest::newRow("punctuation around") << "(#4f8ef7);" << r << g << b;
        QTest::newRow("0x prefix") << "0x4f8ef7" << r << g << b;
        QTest::newRow("0X prefix") << "0X4f8ef7" << r << g << b;
        QTest::newRow("stops at first non-hex") << "4f8ef7zz" << r << g << b;
        QTest::newRow("stops inside") << "4f8ef7 zz" << r << g << b;

        QTest::newRow("empty is black") << "" << 0.0 << 0.0 << 0.0;
        QTest::newRow("lone hash is black") << "#" << 0.0 << 0.0 << 0.0;
        QTest::newRow("blanks only are black") << "   " << 0.0 << 0.0 << 0.0;
        QTest::newRow("letters are black") << "xyz" << 0.0 << 0.0 << 0.0;
        QTest::newRow("non-hex before digits is black") << "zz4f8ef7" << 0.0 << 0.0 << 0.0;
        QTest::newRow("blank inside ends the number") << "#4f 8ef7" << 0.0 << 0.0 << 79.0;
        QTest::newRow("full-width digits are not hex") << "４f8ef7" << 0.0 << 0.0 << 0.0;
        QTest::newRow("0x without digits") << "0x" << 0.0 << 0.0 << 0.0;

        QTest::newRow("black") << "000000" << 0.0 << 0.0 << 0.0;
        QTest::newRow("white") << "ffffff" << 255.0 << 255.0 << 255.0;
        QTest::newRow("three digits are a number, not a short form")
            << "fff" << 0.0 << 15.0 << 255.0;
        QTest::newRow("two digits are blue") << "80" << 0.0 << 0.0 << 128.0;
        // Above six digits every higher bit lands in red, beyond 1.0.
        QTest::newRow("eight digits spill into red") << "ff4f8ef7" << double(0xff4f) << g << b;
    }
    void readsHexText()
    {
        QFETCH(QString, text);
        QFETCH(double, red);
        QFETCH(double, green);
        QFETCH(double, blue);
        const Color c(text);
        QCOMPARE(c.red, red / 255.0);
        QCOMPARE(c.green, green / 255.0);
        QCOMPARE(c.blue, blue / 255.0);
        QCOMPARE(c.alpha, 1.0);
    }

    void tooManyDigitsNeverWrapAround()
    {
        const Color c(u"ffffffffffffffffffffffff");
        QVERIFY(c.red > 1.0);
        QCOMPARE(c.green, 1.0);
        QCOMPARE(c.blue, 1.0);
        QCOMPARE(c.toQColor(), QColor(Qt::white));
    }

    void themeConstants_data()
    {
        QTest::addColumn<Color>("color");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("cBgDark") << cBgDark << QColor(15, 17, 23);
        QTest::newRow("cBgCard") << cBgCard << QColor(30, 33, 48);
        QTest::newRow("cBgSec") << cBgSec << QColor(26, 29, 39);
        QTest::newRow("cAccent") << cAccent << QColor(79, 142, 247);
        QTest::newRow("cAccent2") << cAccent2 << QColor(124, 106, 247);
        QTest::newRow("cSuccess") << cSuccess << QColor(52, 211, 153);
        QTest::newRow("cTextPri") << cTextPri << QColor(232, 234, 242);
        QTest::newRow("cTextSec") << cTextSec << QColor(139, 144, 167);
    }
    void themeConstants()
    {
        QFETCH(Color, color);
        QFETCH(QColor, expected);
        QCOMPARE(color.red, expected.red() / 255.0);
        QCOMPARE(color.green, expected.green() / 255.0);
        QCOMPARE(color.blue, expected.blue() / 255.0);
        QCOMPARE(color.alpha, 1.0);
        QCOMPARE(color.toQColor(), expected);
        QCOMPARE(color.withOpacity(0.6).alphaF(), 0.6f);
    }
};

QTEST_APPLESS_MAIN(ThemeTest)
#include "tst_theme.moc"
