#include "conditions/CropPairJson.h"
#include "conditions/CropPairRules.h"
#include "conditions/LegacyCrop.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTimeZone>

#include <cmath>
#include <limits>

using OptCrop = std::optional<SavedCrop>;
using OptRect = std::optional<QRectF>;
Q_DECLARE_METATYPE(SavedCrop)
Q_DECLARE_METATYPE(OptCrop)
Q_DECLARE_METATYPE(OptRect)

namespace {

const SavedCropPair sample{
    {10, 20, 301, 301}, {0, 0, 512, 512}, SavedBackground{204, 255, 204, 255}, 747032700.5};

const QByteArray sampleJson =
    R"({"left":{"x":10,"y":20,"width":301,"height":301},)"
    R"("right":{"x":0,"y":0,"width":512,"height":512},)"
    R"("background":{"red":204,"green":255,"blue":204,"alpha":255},"savedAt":747032700.5})";

const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double infinity = std::numeric_limits<double>::infinity();

} // namespace

class CropPairTest : public QObject {
    Q_OBJECT

private slots:
    void encodesTheStoredText()
    {
        QCOMPARE(encodeCropPair(sample), std::optional<QByteArray>(sampleJson));

        SavedCropPair bare = sample;
        bare.background.reset();
        bare.savedAt.reset();
        QCOMPARE(encodeCropPair(bare),
                 std::optional<QByteArray>(R"({"left":{"x":10,"y":20,"width":301,"height":301},)"
                                           R"("right":{"x":0,"y":0,"width":512,"height":512}})"));

        SavedCropPair broken = sample;
        broken.right.y = infinity;
        QVERIFY(!encodeCropPair(broken));
    }

    void numbersReadBackExactly_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("whole, no fraction") << 512.0 << QByteArray("512");
        QTest::newRow("negative zero") << -0.0 << QByteArray("0");
        QTest::newRow("ten point one") << 10.1 << QByteArray("10.1");
        QTest::newRow("one third") << 1.0 / 3 << QByteArray("0.3333333333333333");
        QTest::newRow("past 2^53") << 9007199254740993.0 << QByteArray("9007199254740992");
        QTest::newRow("beyond 64 bits") << 1e20 << QByteArray("1e+20");
        QTest::newRow("largest") << std::numeric_limits<double>::max()
                                 << QByteArray("1.7976931348623157e+308");
        QTest::newRow("smallest") << std::numeric_limits<double>::denorm_min()
                                  << QByteArray("5e-324");
        QTest::newRow("save time") << 747032700.123 << QByteArray("747032700.123");
    }
    void numbersReadBackExactly()
    {
        QFETCH(double, value);
        QFETCH(QByteArray, text);
        QCOMPARE(jsonNumber(value), text);

        SavedCropPair record = sample;
        record.left = {value, value, value, value};
        record.savedAt = value;
        const auto json = encodeCropPair(record);
        QVERIFY(json);
        const auto decoded = decodeCropPair(*json);
        QVERIFY(decoded);
        QCOMPARE(decoded->left.x, value);
        QCOMPARE(decoded->left.height, value);
        QCOMPARE(*decoded->savedAt, value);
    }

    void decodes_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("valid");

        const QByteArray left = R"("left":{"x":10,"y":20,"width":301,"height":301})";
        const QByteArray right = R"("right":{"x":0,"y":0,"width":512,"height":512})";
        auto doc = [&](const QByteArray& extra) {
            return "{" + left + "," + right + (extra.isEmpty() ? "" : "," + extra) + "}";
        };

        QTest::newRow("as written") << sampleJson << true << true;
        QTest::newRow("members in any order")
            << QByteArray(R"({"savedAt":1,"right":{"height":5,"width":5,"y":0,"x":0},)"
                          R"("background":{"alpha":1,"blue":2,"green":3,"red":4},)"
                          R"("left":{"height":5,"x":1,"width":5,"y":2}})")
            << true << true;
        QTest::newRow("unknown members ignored")
            << QByteArray(R"({"version":7,"left":{"x":1,"y":2,"width":3,"height":4,"z":[{}]},)" +
                          right + R"(,"note":null})")
            << true << true;
        QTest::newRow("only left and right") << doc("") << true << true;
        QTest::newRow("null background and savedAt")
            << doc(R"("background":null,"savedAt":null)") << true << true;
        QTest::newRow("real crop numbers")
            << QByteArray(R"({"left":{"x":10.5,"y":-2.25,"width":0.5,"height":1e2},)" + right + "}")
            << true << true;
        QTest::newRow("red 300")
            << doc(R"("background":{"red":300,"green":0,"blue":0,"alpha":255})") << true << false;
        QTest::newRow("alpha -1") << doc(R"("background":{"red":0,"green":0,"blue":0,"alpha":-1})")
                                  << true << false;
        QTest::newRow("width 0 in right")
            << QByteArray("{" + left + R"(,"right":{"x":0,"y":0,"width":0,"height":512}})") << true
            << false;
        QTest::newRow("negative height")
            << QByteArray("{" + left + R"(,"right":{"x":0,"y":0,"width":5,"height":-5}})") << true
            << false;
        QTest::newRow("x as a string")
            << QByteArray(R"({"left":{"x":"10","y":20,"width":301,"height":301},)" + right + "}")
            << false << false;
        QTest::newRow("12.5 in the background")
            << doc(R"("background":{"red":12.5,"green":0,"blue":0,"alpha":255})") << false << false;
        QTest::newRow("whole real in the background counts as an integer")
            << doc(R"("background":{"red":12.0,"green":0,"blue":0,"alpha":2.55e2})") << true
            << true;
        QTest::newRow("background integer beyond 64 bits")
            << doc(R"("background":{"red":9223372036854775808,"green":0,"blue":0,"alpha":255})")
            << false << false;
        QTest::newRow("background member missing")
            << doc(R"("background":{"red":1,"green":0,"blue":0})") << false << false;
        QTest::newRow("background member null")
            << doc(R"("background":{"red":1,"green":0,"blue":0,"alpha":null})") << false << false;
        QTest::newRow("background as a number") << doc(R"("background":255)") << false << false;
        QTest::newRow("savedAt as text") << doc(R"("savedAt":"today")") << false << false;
        QTest::newRow("right missing") << QByteArray("{" + left + "}") << false << false;
        QTest::newRow("height missing")
            << QByteArray(R"({"left":{"x":10,"y":20,"width":301},)" + right + "}") << false
            << false;
        QTest::newRow("names are case-sensitive")
            << QByteArray(R"({"Left":{"x":10,"y":20,"width":301,"height":301},)" + right + "}")
            << false << false;
        QTest::newRow("left as an array")
            << QByteArray(R"({"left":[10,20,301,301],)" + right + "}") << false << false;
        QTest::newRow("a list of records") << QByteArray("[" + sampleJson + "]") << false << false;
        QTest::newRow("a string") << QByteArray(R"("left")") << false << false;
        QTest::newRow("a number") << QByteArray("42") << false << false;
        QTest::newRow("empty") << QByteArray() << false << false;
        QTest::newRow("cut short") << sampleJson.left(sampleJson.size() - 1) << false << false;
        QTest::newRow("trailing text") << sampleJson + "x" << false << false;
        QTest::newRow("NaN") << doc(R"("savedAt":NaN)") << false << false;
        QTest::newRow("infinite number")
            << QByteArray(R"({"left":{"x":1e999,"y":20,"width":301,"height":301},)" + right + "}")
            << false << false;
    }
    void decodes()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, readable);
        QFETCH(bool, valid);
        const auto record = decodeCropPair(json);
        QCOMPARE(record.has_value(), readable);
        if (record)
            QCOMPARE(isValid(*record), valid);
    }

    void decodesTheFields()
    {
        QCOMPARE(decodeCropPair(sampleJson), std::optional<SavedCropPair>(sample));

        const auto nulls =
            decodeCropPair(R"({"right":{"x":0,"y":0,"width":512,"height":512},"background":null,)"
                           R"("left":{"x":1.5,"y":2,"width":3,"height":4}})");
        QVERIFY(nulls);
        QCOMPARE(nulls->left, (SavedCrop{1.5, 2, 3, 4}));
        QVERIFY(!nulls->background);
        QVERIFY(!nulls->savedAt);
    }

    void hostileDocumentsAreUnreadable()
    {
        // Nested deeper than the parser accepts, inside an otherwise good record.
        const QByteArray deep = QByteArray(20000, '[') + QByteArray(20000, ']');
        QVERIFY(!decodeCropPair("{\"junk\":" + deep + "," + sampleJson.mid(1)));

        // Larger than any record: refused before parsing, even if well formed.
        QByteArray padded = sampleJson;
        padded.insert(1, QByteArray(maxCropPairJsonSize, ' '));
        QVERIFY(!decodeCropPair(padded));
        padded = sampleJson;
        padded.insert(1, QByteArray(maxCropPairJsonSize - sampleJson.size(), ' '));
        QVERIFY(decodeCropPair(padded));
        QVERIFY(!decodeCropPair(QByteArray(8 * 1024 * 1024, '[')));

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
        const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
        QCOMPARE(savedAtSeconds(reference), 0.0);
        QCOMPARE(savedAtSeconds(QDateTime::fromMSecsSinceEpoch(1500, Qt::UTC)), 1.5 - 978307200.0);
        const QDateTime moment = QDateTime::fromMSecsSinceEpoch(1756875900123, Qt::UTC);
        QCOMPARE(savedAtDateTime(savedAtSeconds(moment)), std::optional<QDateTime>(moment));
        QVERIFY(!savedAtDateTime(notANumber));
        QVERIFY(!savedAtDateTime(1e300));
        QVERIFY(!savedAtDateTime(-infinity));
    }

    void legacyCrop_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<OptCrop>("expected");
        const OptCrop none;
        const OptCrop rounded = SavedCrop{10, 20, 100, 101};

        QTest::newRow("rounds outwards")
            << QVariant(QVariantList{10.4, 20.6, 99.2, 99.9}) << rounded;
        QTest::newRow("numbers kept as text")
            << QVariant(QStringList{"10.4", "20.6", "99.2", "99.9"}) << rounded;
        QTest::newRow("text and numbers mixed")
            << QVariant(QVariantList{10.4, "20.6", 99.2f, "+99.9"})
            << OptCrop(SavedCrop{10, 20, 100, 101});
        QTest::newRow("integers") << QVariant(QVariantList{0, 0, 512LL, 512u})
                                  << OptCrop(SavedCrop{0, 0, 512, 512});
        QTest::newRow("exponent and bare point")
            << QVariant(QStringList{"1e1", ".5", "2.", "3"}) << OptCrop(SavedCrop{10, 0, 2, 4});
        QTest::newRow("negative size normalised")
            << QVariant(QVariantList{10, 10, -5.5, -2}) << OptCrop(SavedCrop{4, 8, 6, 2});
        QTest::newRow("five numbers") << QVariant(QVariantList{1, 2, 3, 4, 5}) << none;
        QTest::newRow("three numbers") << QVariant(QVariantList{1, 2, 3}) << none;
        QTest::newRow("empty list") << QVariant(QVariantList{}) << none;
        QTest::newRow("a string element") << QVariant(QVariantList{1, 2, "abc", 4}) << none;
        QTest::newRow("text with blanks") << QVariant(QStringList{"1", " 2", "3", "4"}) << none;
        QTest::newRow("text with a comma decimal")
            << QVariant(QStringList{"1", "2,5", "3", "4"}) << none;
        QTest::newRow("nan as text") << QVariant(QStringList{"1", "nan", "3", "4"}) << none;
        QTest::newRow("inf as text") << QVariant(QStringList{"1", "inf", "3", "4"}) << none;
        QTest::newRow("overflowing text") << QVariant(QStringList{"1", "2", "1e999", "4"}) << none;
        QTest::newRow("NaN") << QVariant(QVariantList{notANumber, 2, 3, 4}) << none;
        QTest::newRow("infinite") << QVariant(QVariantList{1, 2, infinity, 4}) << none;
        QTest::newRow("zero width") << QVariant(QVariantList{1, 2, 0, 4}) << none;
        QTest::newRow("a flag") << QVariant(QVariantList{true, 2, 3, 4}) << none;
        QTest::newRow("a nested list")
            << QVariant(QVariantList{QVariant(QVariantList{1}), 2, 3, 4}) << none;
        QTest::newRow("one text, not a list")
            << QVariant(QString("10.4, 20.6, 99.2, 99.9")) << none;
        QTest::newRow("a number, not a list") << QVariant(42) << none;
        QTest::newRow("missing") << QVariant() << none;
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
        QTest::newRow("fits as stored")
            << SavedCrop{10, 20, 300, 300} << big << OptRect(QRectF(10, 20, 300, 300));
        QTest::newRow("larger than the image shrinks and slides")
            << SavedCrop{500, 100, 800, 800} << QSize(600, 400)
            << OptRect(QRectF(200, 0, 400, 400));
        QTest::newRow("negative origin stops at zero")
            << SavedCrop{-3.5, -0.4, 100, 100} << big << OptRect(QRectF(0, 0, 100, 100));
        QTest::newRow("halves round away from zero")
            << SavedCrop{10.5, 2.5, 100, 100} << big << OptRect(QRectF(11, 3, 100, 100));
        QTest::newRow("below a half rounds down")
            << SavedCrop{10.49, 2.4, 100, 100} << big << OptRect(QRectF(10, 2, 100, 100));
        QTest::newRow("non-square takes the shorter side")
            << SavedCrop{0, 0, 300, 200} << big << OptRect(QRectF(0, 0, 200, 200));
        QTest::newRow("fractional side floors")
            << SavedCrop{0, 0, 100.9, 120} << big << OptRect(QRectF(0, 0, 100, 100));
        QTest::newRow("past the bottom slides back")
            << SavedCrop{0, 350, 100, 100} << QSize(400, 400) << OptRect(QRectF(0, 300, 100, 100));
        QTest::newRow("far away slides back") << SavedCrop{1e300, -1e300, 50, 50} << QSize(400, 300)
                                              << OptRect(QRectF(350, 0, 50, 50));
        QTest::newRow("under a pixel gives nothing")
            << SavedCrop{0, 0, 0.6, 0.6} << big << OptRect();
        QTest::newRow("one-pixel image")
            << SavedCrop{5, 5, 50, 50} << QSize(1, 1) << OptRect(QRectF(0, 0, 1, 1));
        QTest::newRow("no image") << SavedCrop{0, 0, 50, 50} << QSize(-1, -1) << OptRect();
        QTest::newRow("NaN origin") << SavedCrop{notANumber, 0, 50, 50} << big << OptRect();
        QTest::newRow("NaN height") << SavedCrop{0, 0, 50, notANumber} << big << OptRect();
    }
    void clampedCrop()
    {
        QFETCH(SavedCrop, crop);
        QFETCH(QSize, image);
        QFETCH(OptRect, expected);
        QImage picture;
        if (image.isValid())
            picture = QImage(image, QImage::Format_RGB32);
        QCOMPARE(::clampedCrop(crop, picture), expected);
    }

    void recallTitles()
    {
        // Tests run with the local time of Tokyo (UTC+9).
        const QDateTime afternoon(QDate(2025, 9, 3), QTime(5, 5), Qt::UTC);
        const QDateTime morning(QDate(2026, 1, 5), QTime(9, 7), Qt::LocalTime);
        QCOMPARE(recallButtonTitle(false, afternoon), QString("呼び出し"));
        QCOMPARE(recallButtonTitle(true, std::nullopt), QString("呼び出し（保存データ）"));
        if (QDateTime::currentDateTime().offsetFromUtc() == 9 * 3600)
            QCOMPARE(recallButtonTitle(true, afternoon),
                     QString("呼び出し（9/3 14:05 保存データ）"));
        QCOMPARE(recallButtonTitle(true, morning), QString("呼び出し（1/5 09:07 保存データ）"));
    }

    void recordToSave()
    {
        const SavedBackground green{204, 255, 204, 255};
        const QDateTime at(QDate(2025, 9, 3), QTime(5, 5), Qt::UTC);
        const auto record =
            cropPairToSave(QRectF(10.5, 20.2, 300.4, 300.4), QRectF(0, 0, 512, 512), green, at);
        QVERIFY(record);
        QCOMPARE(record->left, (SavedCrop{10, 20, 301, 301}));
        QCOMPARE(record->right, (SavedCrop{0, 0, 512, 512}));
        QCOMPARE(record->background, std::optional<SavedBackground>(green));
        QCOMPARE(record->savedAt, std::optional<double>(savedAtSeconds(at)));

        QVERIFY(!cropPairToSave(std::nullopt, QRectF(0, 0, 5, 5), green, at));
        QVERIFY(!cropPairToSave(QRectF(0, 0, 5, 5), std::nullopt, green, at));
        QVERIFY(!cropPairToSave(QRectF(0, 0, 5, 5), QRectF(0, 0, 5, 5), {0, 0, 0, 256}, at));
        QVERIFY(!cropPairToSave(QRectF(0, 0, infinity, 5), QRectF(0, 0, 5, 5), green, at));
    }
};

QTEST_APPLESS_MAIN(CropPairTest)
#include "tst_croppair.moc"
