#include "ui/Theme.h"

#include <QTest>

class ThemeTest : public QObject {
    Q_OBJECT

private slots:
    void readsHexText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("red");
        QTest::addColumn<double>("green");
        QTest::addColumn<double>("blue");
        auto row = [](const char* name, const char* text, double r, double g, double b) {
            QTest::newRow(name) << QString::fromUtf8(text) << r << g << b;
        };
        row("leading hash, uppercase", "#4F8EF7", 79, 142, 247);
        row("punctuation around", "(#4f8ef7);", 79, 142, 247);
        row("0x prefix", "0x4f8ef7", 79, 142, 247);
        row("0X prefix", "0X4f8ef7", 79, 142, 247);
        row("stops at the first non-hex", "4f8ef7zz", 79, 142, 247);
        row("blank inside ends the number", "#4f 8ef7", 0, 0, 79);
        row("empty is black", "", 0, 0, 0);
        row("0x without digits is black", "0x", 0, 0, 0);
        row("non-hex before the digits is black", "zz4f8ef7", 0, 0, 0);
        row("full-width digits are not hex", "４f8ef7", 0, 0, 0);
        row("three digits are a number, not a short form", "fff", 0, 15, 255);
        // Above six digits every higher bit lands in red, beyond 1.0.
        row("eight digits spill into red", "ff4f8ef7", 0xff4f, 142, 247);
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
        QCOMPARE(c.toQColor(), QColor(Qt::white));
    }
};

QTEST_APPLESS_MAIN(ThemeTest)
#include "tst_theme.moc"
