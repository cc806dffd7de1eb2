#include "app/ContentView.h"
#include "conditions/CropPairJson.h"
#include "conditions/CropPairRules.h"
#include "conditions/CropPairStore.h"
#include "conditions/LegacyCrop.h"
#include "support/Pixels.h"
#include "support/SettingsSandbox.h"
#include "ui/RoundedButton.h"

#include <QProcess>
#include <QTest>

#include <limits>

using OptCrop = std::optional<SavedCrop>;
using OptRect = std::optional<QRectF>;
Q_DECLARE_METATYPE(SavedCrop)
Q_DECLARE_METATYPE(OptCrop)
Q_DECLARE_METATYPE(OptRect)

namespace {

const SavedCropPair sample{
    {10, 20, 301, 301}, {0, 0, 512, 512}, BackgroundColor{204, 255, 204, 255}, 747032700.5};
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

// How the settings file holds bytes with commas in them, and a file holding a record.
QByteArray asFileEntry(QByteArray json)
{
    return "\"@ByteArray(" + json.replace('\\', "\\\\").replace('"', "\\\"") + ")\"";
}
const QByteArray key = "\nPairvue.savedCrops.both=";
QByteArray fileWith(const QByteArray& json)
{
    return "[General]" + key + asFileEntry(json) + "\n";
}
// As another process leaves them: number lists kept as plain text.
const QByteArray legacyLines = "[General]\nPairvue.savedCrop.left=10.4, 20.6, 99.2, 99.9\n"
                               "Pairvue.savedCrop.right=0, 0, 512, 512";
const char* const writerVariable = "PAIRVUE_CROP_PAIR_WRITER";

const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double infinity = std::numeric_limits<double>::infinity();

} // namespace

// The stored crop pair: its text, its rules, the settings file and the two
// buttons of the window.
class CropPairTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SettingsSandbox::setUp(); }
    void init()
    {
        // A writer child must not wipe what its sibling is saving.
        if (!qEnvironmentVariableIsSet(writerVariable))
            SettingsSandbox::writeFile("[General]\n");
    }

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
        QTest::newRow("unknown members")
            << doc(R"(,"v":[{}])", R"({"x":1,"y":2,"width":3,"height":4,"z":7})") << 2;
        QTest::newRow("null background, savedAt")
            << doc(R"(,"background":null,"savedAt":null)") << 2;
        QTest::newRow("red 300") << bg("300", "255") << 1;
        QTest::newRow("width 0") << doc("", R"({"x":0,"y":0,"width":0,"height":512})") << 1;
        QTest::newRow("x as a string")
            << doc("", R"({"x":"10","y":20,"width":301,"height":301})") << 0;
        QTest::newRow("12.5 in the background") << bg("12.5", "255") << 0;
        QTest::newRow("cut short") << sampleJson.chopped(1) << 0;
        QTest::newRow("infinite") << doc("", R"({"x":1e999,"y":20,"width":301,"height":301})") << 0;
        const QByteArray deep = QByteArray(20000, '[') + QByteArray(20000, ']');
        QTest::newRow("20 000 nested arrays") << "{\"junk\":" + deep + "," + sampleJson.mid(1) << 0;
        QByteArray padded = sampleJson; // larger than any record: refused before parsing
        padded.insert(1, QByteArray(maxCropPairJsonSize - padded.size(), ' '));
        QTest::newRow("padded to the size limit") << padded << 2;
        QTest::newRow("one byte past it, though well formed") << padded.insert(1, ' ') << 0;
    }
    void decodes()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, outcome);
        const auto record = decodeCropPair(json);
        QCOMPARE(record ? isValid(*record) ? 2 : 1 : 0, outcome);
    }

    // The crop lists another process left behind.
    void legacyCrop_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<OptCrop>("expected");
        const OptCrop none, rounded = SavedCrop{10, 20, 100, 101};
        auto row = [](const char* name, QVariant value, OptCrop expected) {
            QTest::newRow(name) << value << expected;
        };
        row("rounds outwards", QVariantList{10.4, 20.6, 99.2, 99.9}, rounded);
        row("comma decimal", QStringList{"1", "2,5", "3", "4"}, none);
        row("NaN, infinite", QVariantList{notANumber, 2, infinity, 4}, none);
        const QString digitsThenX = QString(64000, u'7') + u'x';
        row("64 000 digits and an x, read at once", QStringList{"1", "2", digitsThenX, "4"}, none);
    }
    void legacyCrop()
    {
        QFETCH(QVariant, value);
        QFETCH(OptCrop, expected);
        QCOMPARE(::legacyCrop(value), expected);
    }

    // A recalled crop made to fit the image it meets.
    void clampedCrop_data()
    {
        QTest::addColumn<SavedCrop>("crop");
        QTest::addColumn<QSize>("image");
        QTest::addColumn<OptRect>("expected");
        const QSize big(2000, 2000);
        auto row = [](const char* name, SavedCrop crop, QSize image, OptRect expected) {
            QTest::newRow(name) << crop << image << expected;
        };
        row("shorter side", {0, 0, 300, 200}, big, QRectF(0, 0, 200, 200));
        row("far away", {1e300, -1e300, 50, 50}, {400, 300}, QRectF(350, 0, 50, 50));
        row("under a pixel", {0, 0, 0.6, 0.6}, big, {});
        row("NaN origin", {notANumber, 0, 50, 50}, big, {});
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
        // In Tokyo's local time (UTC+9), which the tests run in.
        QCOMPARE(recallButtonTitle(true, QDateTime(QDate(2025, 9, 3), QTime(5, 5), Qt::UTC)),
                 QString("呼び出し（9/3 14:05 保存データ）"));
    }

    void writesOneRecordAndKeepsOtherEntries()
    {
        SettingsSandbox::writeFile(legacyLines + "\nother=kept\n");
        QVERIFY(CropPairStore().write(sample));
        QCOMPARE(SettingsSandbox::fileEntry(CropPairStore::storageKey), asFileEntry(sampleJson));
        QCOMPARE(SettingsSandbox::fileEntry("other"), QByteArray("kept"));
        QCOMPARE(SettingsSandbox::fileEntry("Pairvue.savedCrop.left"), "10.4, 20.6, 99.2, 99.9");
        SavedCropPair invalid = sample;
        invalid.left.width = 0;
        QVERIFY(!CropPairStore().write(invalid));
        QCOMPARE(CropPairStore().readSavedCropPair(), std::optional<SavedCropPair>(sample));
    }

    // Without a usable record the legacy lists are read, and written as one.
    void migratesLegacyEntriesIntoTheRecord_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("no record") << QByteArray();
        QTest::newRow("red 300") << key + asFileEntry(bg("300", "255"));
    }
    void migratesLegacyEntriesIntoTheRecord()
    {
        QFETCH(QByteArray, record);
        SettingsSandbox::writeFile(legacyLines + record + "\n");
        const SavedCropPair expected{{10, 20, 100, 101}, {0, 0, 512, 512}, {}, {}};
        QCOMPARE(CropPairStore().readSavedCropPair(), std::optional<SavedCropPair>(expected));
        const QByteArray migrated = doc("", R"({"x":10,"y":20,"width":100,"height":101})");
        QCOMPARE(SettingsSandbox::fileEntry(CropPairStore::storageKey), asFileEntry(migrated));
        QCOMPARE(SettingsSandbox::fileEntry("Pairvue.savedCrop.right"), "0, 0, 512, 512");
        // From now on the record itself is read, also after the legacy entries go.
        SettingsSandbox::writeFile(fileWith(migrated));
        QCOMPARE(CropPairStore().readSavedCropPair(), std::optional<SavedCropPair>(expected));
    }

    void hostileSettingsReadAsNothing_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("keptAside"); // saving moves the file aside whole
        const QByteArray good = asFileEntry(sampleJson);
        const QByteArray rightOnly = "[General]\nPairvue.savedCrop.right=1, 1, 1, 1\n";
        QTest::newRow("one legacy side only") << rightOnly << false;
        QTest::newRow("legacy list of a million")
            << rightOnly + "Pairvue.savedCrop.left=" + QByteArray("1, ").repeated(1000000) + "1\n"
            << true;
        // A list in a list... 40 000 deep: the settings loader's recursion
        // runs off the end of the stack (20 000 still loads).
        const QByteArray nested = "@Variant(" +
                                  QByteArray("\\0\\0\\0\\t\\0\\0\\0\\x1").repeated(40000) +
                                  "\\0\\0\\0\\x2\\0\\0\\0\\x5)";
        QTest::newRow("another key nested 40 000 deep")
            << "[General]\nother=" + nested + key + good + "\n"
            << true;
        QTest::newRow("another key's list claiming 2^31 - 1 items (64 GB asked for)")
            << "[General]\nother=@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\n" + key + good << true;
        QTest::newRow("the same behind an escaped @")
            << "[General]\nother=\\x40Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\n" + key + good
            << true;
    }
    void hostileSettingsReadAsNothing()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, keptAside);
        const QFileInfo settingsFile(QSettings().fileName());
        QDir folder = settingsFile.dir();
        const QStringList asideNames{settingsFile.fileName() + ".unreadable-*"};
        for (const QString& name : folder.entryList(asideNames))
            QVERIFY(folder.remove(name));
        SettingsSandbox::writeFile(file);
        QVERIFY(!CropPairStore().readSavedCropPair());
        QCOMPARE(SettingsSandbox::readFile(), file); // nothing migrated, nothing mended
        // Saving afterwards still leaves one good record, and the user's bytes.
        QVERIFY(CropPairStore().write(sample));
        QCOMPARE(CropPairStore().readSavedCropPair(), std::optional<SavedCropPair>(sample));
        const QStringList aside = folder.entryList(asideNames);
        QCOMPARE(aside.size(), keptAside ? 1 : 0);
        if (keptAside) {
            QFile kept(folder.filePath(aside.first()));
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), file);
        }
    }

    void twoProcessesSavingAtOnce()
    {
        QList<QProcess*> writers;
        for (const char* id : {"1", "2"}) {
            qputenv(writerVariable, id);
            writers << new QProcess(this);
            writers.last()->setProcessChannelMode(QProcess::ForwardedChannels);
            writers.last()->start(QCoreApplication::applicationFilePath(), {"writeRepeatedly"});
        }
        qunsetenv(writerVariable);
        for (QProcess* writer : writers) {
            QVERIFY(writer->waitForFinished(120000));
            QVERIFY(writer->exitStatus() == QProcess::NormalExit && writer->exitCode() == 0);
        }
        // The last save of one of the two, whole, and neither lost the other's entries.
        const auto record = CropPairStore().readSavedCropPair();
        QVERIFY(record && (record->left.x == 1049 || record->left.x == 2049));
        QCOMPARE(record->right.x, record->left.x);
        QCOMPARE(SettingsSandbox::fileEntry("Pairvue.writer.1"), "done");
        QCOMPARE(SettingsSandbox::fileEntry("Pairvue.writer.2"), "done");
    }

    // Run only as a child of twoProcessesSavingAtOnce: saves fifty records while
    // the other child does the same; every read in between finds a whole record.
    void writeRepeatedly()
    {
        const int id = qEnvironmentVariableIntValue(writerVariable);
        if (id == 0)
            QSKIP("runs as a child process of twoProcessesSavingAtOnce");
        CropPairStore store;
        for (int i = 0; i < 50; ++i) {
            SavedCropPair record = sample;
            record.left.x = record.right.x = id * 1000 + i;
            QVERIFY(store.write(record));
            const auto seen = store.readSavedCropPair();
            QVERIFY(seen && seen->right.x == seen->left.x && seen->background == sample.background);
        }
        QSettings settings;
        settings.setValue(QStringLiteral("Pairvue.writer.%1").arg(id), "done");
        settings.sync();
        QCOMPARE(settings.status(), QSettings::NoError);
    }

    void saveAndRecall()
    {
        SettingsSandbox::writeFile(
            fileWith(doc("", R"({"x":500,"y":100,"width":800,"height":800})")));
        ContentView view;
        view.show();
        WindowState& s = view.state();
        RoundedButton* save = view.saveCropPairButton();
        RoundedButton* recall = view.recallCropPairButton();
        s.image1.set(testsupport::solidImage(600, 400, Qt::gray));
        s.crop1.set(QRectF(10.5, 20.2, 300.4, 300.4));
        QVERIFY(!save->isEnabled() && !recall->isEnabled()); // image 2 missing
        s.image2.set(testsupport::solidImage(300, 300, Qt::gray));
        QTest::mouseClick(recall, Qt::LeftButton);
        QCOMPARE(s.crop1(), OptRect(QRectF(200, 0, 400, 400)));
        QCOMPARE(s.crop2(), OptRect(QRectF(0, 0, 300, 300)));

        s.crop1.set(QRectF(10.5, 20.2, 300.4, 300.4));
        QTest::mouseClick(save, Qt::LeftButton);
        const auto stored = CropPairStore().readSavedCropPair();
        QVERIFY(stored && stored->savedAt);
        QCOMPARE(stored->left, (SavedCrop{10, 20, 301, 301}));
        QCOMPARE(savedAtDateTime(*stored->savedAt), s.savedCropPairAt());
    }
};

QTEST_MAIN(CropPairTest)
#include "tst_croppair.moc"
