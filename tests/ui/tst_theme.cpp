#include "ui/Theme.h"

#include <QTest>

class ThemeTest : public QObject {
    Q_OBJECT

private slots:
    void readsHexText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<double>>("rgb");
        auto row = [](const char* name, const char* text, QList<double> rgb) {
            QTest::newRow(name) << QString::fromUtf8(text) << rgb;
        };
        row("leading hash, uppercase", "#4F8EF7", {79, 142, 247});
        row("punctuation around", "(#4f8ef7);", {79, 142, 247});
        row("0X prefix", "0X4f8ef7", {79, 142, 247});
        row("stops at the first non-hex", "4f8ef7zz", {79, 142, 247});
        row("blank inside ends the number", "#4f 8ef7", {0, 0, 79});
        row("0x without digits is black", "0x", {0, 0, 0});
        row("non-hex before the digits is black", "zz4f8ef7", {0, 0, 0});
        row("full-width digits are not hex", "４f8ef7", {0, 0, 0});
        row("three digits are a number, not a short form", "fff", {0, 15, 255});
        row("eight digits spill into red", "ff4f8ef7", {0xff4f, 142, 247});
        row("too many digits saturate, never wrap", "ffffffffffffffffffffffff",
            {0xffffffffffff, 255, 255});
    }
    void readsHexText()
    {
        QFETCH(QString, text);
        QFETCH(QList<double>, rgb);
        const Color c(text);
        QCOMPARE((QList<double>{c.red, c.green, c.blue, c.alpha}),
                 (QList<double>{rgb[0] / 255.0, rgb[1] / 255.0, rgb[2] / 255.0, 1.0}));
    }
};

QTEST_APPLESS_MAIN(ThemeTest)
#include "tst_theme.moc"
