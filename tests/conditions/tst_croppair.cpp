#include "conditions/CropPairJson.h"
#include "conditions/CropPairRules.h"
#include "conditions/LegacyCrop.h"

#include <QRandomGenerator>
#include <QTest>

#include <limits>

using OptCrop = std::optional<SavedCrop>;
using OptRect = std::optional<QRectF>;
Q_DECLARE_METATYPE(SavedCrop)
Q_DECLARE_METATYPE(OptCrop)
Q_DECLARE_METATYPE(OptRect)

namespace {

const SavedCropPair sample{
    {10, 20, 301, 301}, {0, 0, 512, 512}, SavedBackground{204, 255, 204, 255}, 747032700.5};
const QByteArray leftCrop = R"({"x":10,"y":20,"width":301,"height":301})";

// A record text with this left crop, the right crop of the sample and `more` members.
QByteArray doc(const QByteArray& more = "", const QByteArray& left = leftCrop)
{
    return R"({"left":)" + left + R"(,"right":{"x":0,"y":0,"width":512,"height":512})" + more + "}";
}
QByteArray bg(const char* red, const char* alpha)
{
    return doc(R"(,"background":{"red":)" + QByteArray(red) + R"(,"green":0,"blue":0,"alpha":)" +
               alpha + "}");
}

const QByteArray sampleJson =
    doc(R"(,"background":{"red":204,"green":255,"blue":204,"alpha":255},"savedAt":747032700.5)");

const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double infinity = std::numeric_limits<double>::infinity();

} // namespace

class CropPairTest : public QObject {
    Q_OBJECT

private slots:
    void encodesTheStoredText()
    {
        QCOMPARE(encodeCropPair(sample), std::optional<QByteArray>(sampleJson));
        QCOMPARE(decodeCropPair(sampleJson), std::optional<SavedCropPair>(sample));
        SavedCropPair bare{sample.left, sample.right, {}, {}};
        QCOMPARE(encodeCropPair(bare), std::optional<QByteArray>(doc()));
        bare.right.y = infinity;
        QVERIFY(!encodeCropPair(bare));

        // Numbers in the shortest text that reads back to the same double.
        const SavedCropPair odd{{1.0 / 3, 1e20, 5e-324, -0.0}, sample.right, {}, 747032700.123};
        const QByteArray oddJson =
            doc(R"(,"savedAt":747032700.123)",
                R"({"x":0.3333333333333333,"y":1e+20,"width":5e-324,"height":0})");
        QCOMPARE(encodeCropPair(odd), std::optional<QByteArray>(oddJson));
        QCOMPARE(decodeCropPair(oddJson), std::optional<SavedCropPair>(odd));
    }

    void decodes_data()
    {
        // 0: unreadable, 1: readable but not usable, 2: usable.
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("outcome");
        QTest::newRow("members in any order")
            << QByteArray(R"({"savedAt":1,"right":{"height":5,"width":5,"y":0,"x":0},)"
                          R"("background":{"alpha":1,"blue":2,"green":3,"red":4},)"
                          R"("left":{"height":5,"x":1,"width":5,"y":2}})")
            << 2;
        QTest::newRow("unknown members")
            << doc(R"(,"v":[{}])", R"({"x":1,"y":2,"width":3,"height":4,"z":7})") << 2;
        QTest::newRow("only left and right") << doc() << 2;
        QTest::newRow("null background, savedAt")
            << doc(R"(,"background":null,"savedAt":null)") << 2;
        QTest::newRow("real crop numbers")
            << doc("", R"({"x":10.5,"y":-2.25,"width":0.5,"height":1e2})") << 2;
        QTest::newRow("red 300") << bg("300", "255") << 1;
        QTest::newRow("width 0") << doc("", R"({"x":0,"y":0,"width":0,"height":512})") << 1;
        QTest::newRow("x as a string")
            << doc("", R"({"x":"10","y":20,"width":301,"height":301})") << 0;
        QTest::newRow("12.5 in the background") << bg("12.5", "255") << 0;
        QTest::newRow("colour member null") << bg("1", "null") << 0;
        QTest::newRow("colour member missing")
            << doc(R"(,"background":{"red":1,"green":0,"blue":0})") << 0;
        QTest::newRow("background a number") << doc(R"(,"background":255)") << 0;
        QTest::newRow("savedAt as text") << doc(R"(,"savedAt":"today")") << 0;
        QTest::newRow("right missing") << QByteArray(R"({"left":)" + leftCrop + "}") << 0;
        QTest::newRow("height missing") << doc("", R"({"x":10,"y":20,"width":301})") << 0;
        QTest::newRow("left an array") << doc("", "[10,20,301,301]") << 0;
        QTest::newRow("cut short") << sampleJson.chopped(1) << 0;
        QTest::newRow("NaN") << doc(R"(,"savedAt":NaN)") << 0;
        QTest::newRow("infinite") << doc("", R"({"x":1e999,"y":20,"width":301,"height":301})") << 0;
    }
    void decodes()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, outcome);
        const auto record = decodeCropPair(json);
        QCOMPARE(record ? isValid(*record) ? 2 : 1 : 0, outcome);
    }

    void hostileDocumentsAreUnreadable()
    {
        const QByteArray deep = QByteArray(20000, '[') + QByteArray(20000, ']');
        QVERIFY(!decodeCropPair("{\"junk\":" + deep + "," + sampleJson.mid(1)));
        // Larger than any record: refused before parsing, even if well formed.
        QByteArray padded = sampleJson;
        padded.insert(1, QByteArray(maxCropPairJsonSize - padded.size(), ' '));
        QVERIFY(decodeCropPair(padded));
        QVERIFY(!decodeCropPair(padded.insert(1, ' ')));
        // Random damage to a good record never crashes; what still decodes is whole.
        QRandomGenerator random(20240903);
        for (int i = 0; i < 3000; ++i) {
            QByteArray damaged = sampleJson;
            for (int n = random.bounded(1, 4); n > 0; --n)
                damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
            if (const auto record = decodeCropPair(damaged))
                QVERIFY(encodeCropPair(*record) || !isValid(*record));
        }
    }

    void savedAtCountsFrom2001()
    {
        QCOMPARE(savedAtSeconds(QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC)), 0.0);
        QCOMPARE(savedAtSeconds(QDateTime::fromMSecsSinceEpoch(1500, Qt::UTC)), 1.5 - 978307200.0);
        const QDateTime moment = QDateTime::fromMSecsSinceEpoch(1756875900123, Qt::UTC);
        QCOMPARE(savedAtDateTime(savedAtSeconds(moment)), std::optional<QDateTime>(moment));
        for (double bad : {notANumber, 1e300, -infinity})
            QVERIFY(!savedAtDateTime(bad));
    }

    void legacyCrop_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<OptCrop>("expected");
        const OptCrop none, rounded = SavedCrop{10, 20, 100, 101};
        auto row = [](const char* name, QVariant value, OptCrop expected) {
            QTest::newRow(name) << value << expected;
        };
        row("rounds outwards", QVariantList{10.4, 20.6, 99.2, 99.9}, rounded);
        row("numbers as text", QStringList{"10.4", "20.6", "99.2", "99.9"}, rounded);
        row("mixed", QVariantList{10.4, "20.6", 99.2f, "+99.9"}, rounded);
        row("exponent, bare point", QStringList{"1e1", ".5", "2.", "3"}, SavedCrop{10, 0, 2, 4});
        row("negative size", QVariantList{10, 10, -5.5, -2}, SavedCrop{4, 8, 6, 2});
        row("five numbers", QVariantList{1, 2, 3, 4, 5}, none);
        row("three numbers", QVariantList{1, 2, 3}, none);
        row("a string element", QVariantList{1, 2, "abc", 4}, none);
        row("blank in text", QStringList{"1", " 2", "3", "4"}, none);
        row("comma decimal", QStringList{"1", "2,5", "3", "4"}, none);
        row("nan, inf as text", QStringList{"1", "nan", "inf", "4"}, none);
        row("overflowing text", QStringList{"1", "2", "1e999", "4"}, none);
        row("NaN, infinite", QVariantList{notANumber, 2, infinity, 4}, none);
        row("zero width", QVariantList{1, 2, 0, 4}, none);
        row("a flag", QVariantList{true, 2, 3, 4}, none);
        row("one text", QString("10.4, 20.6, 99.2, 99.9"), none);
    }
    void legacyCrop()
    {
        QFETCH(QVariant, value);
        QFETCH(OptCrop, expected);
        QCOMPARE(::legacyCrop(value), expected);
    }

    void clampedCrop_data()
    {
        QTest::addColumn<SavedCrop>("crop");
        QTest::addColumn<QSize>("image");
        QTest::addColumn<OptRect>("expected");
        const QSize big(2000, 2000);
        auto row = [](const char* name, SavedCrop crop, QSize image, OptRect expected) {
            QTest::newRow(name) << crop << image << expected;
        };
        row("fits as stored", {10, 20, 300, 300}, big, QRectF(10, 20, 300, 300));
        row("too large", {500, 100, 800, 800}, {600, 400}, QRectF(200, 0, 400, 400));
        row("negative origin", {-3.5, -0.4, 100, 100}, big, QRectF(0, 0, 100, 100));
        row("halves away from zero", {10.5, 2.5, 100, 100}, big, QRectF(11, 3, 100, 100));
        row("below a half", {10.49, 2.4, 100, 100}, big, QRectF(10, 2, 100, 100));
        row("shorter side", {0, 0, 300, 200}, big, QRectF(0, 0, 200, 200));
        row("side floors", {0, 0, 100.9, 120}, big, QRectF(0, 0, 100, 100));
        row("past the bottom", {0, 350, 100, 100}, {400, 400}, QRectF(0, 300, 100, 100));
        row("far away", {1e300, -1e300, 50, 50}, {400, 300}, QRectF(350, 0, 50, 50));
        row("under a pixel", {0, 0, 0.6, 0.6}, big, {});
        row("one-pixel image", {5, 5, 50, 50}, {1, 1}, QRectF(0, 0, 1, 1));
        row("no image", {0, 0, 50, 50}, {}, {});
        row("NaN origin", {notANumber, 0, 50, 50}, big, {});
        row("NaN height", {0, 0, 50, notANumber}, big, {});
    }
    void clampedCrop()
    {
        QFETCH(SavedCrop, crop);
        QFETCH(QSize, image);
        QFETCH(OptRect, expected);
        const QImage picture = image.isValid() ? QImage(image, QImage::Format_RGB32) : QImage();
        QCOMPARE(::clampedCrop(crop, picture), expected);
    }

    void recallTitles()
    {
        // Tests run with the local time of Tokyo (UTC+9).
        const QDateTime afternoon(QDate(2025, 9, 3), QTime(5, 5), Qt::UTC);
        QCOMPARE(recallButtonTitle(false, afternoon), QString("呼び出し"));
        QCOMPARE(recallButtonTitle(true, std::nullopt), QString("呼び出し（保存データ）"));
        if (QDateTime::currentDateTime().offsetFromUtc() == 9 * 3600)
            QCOMPARE(recallButtonTitle(true, afternoon),
                     QString("呼び出し（9/3 14:05 保存データ）"));
        QCOMPARE(recallButtonTitle(true, QDateTime(QDate(2026, 1, 5), QTime(9, 7))),
                 QString("呼び出し（1/5 09:07 保存データ）"));
    }
};

QTEST_APPLESS_MAIN(CropPairTest)
#include "tst_croppair.moc"
