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
        row("0X prefix, punctuation around", "(0X4F8EF7);", {79, 142, 247});
        row("stops at the first non-hex", "#4f 8ef7", {0, 0, 79});
        row("three digits are a number, not a short form", "fff", {0, 15, 255});
        row("too many digits saturate into red, never wrap", "ffffffffffffffffffffffff",
            {0xffffffffffff, 255, 255});
    }
    void readsHexText()
    {
        QFETCH(QString, text);
        QFETCH(QList<double>, rgb);
        const Color c(text);
        QCOMPARE((QList<double>{c.red * 255, c.green * 255, c.blue * 255, c.alpha}),
                 rgb + QList<double>{1.0});
    }
};

QTEST_APPLESS_MAIN(ThemeTest)
#include "tst_theme.moc"
