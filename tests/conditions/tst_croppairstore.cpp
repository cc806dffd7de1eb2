#include "state/WindowState.h"
#include "conditions/CropPairJson.h"
#include "conditions/CropPairStore.h"
#include "support/SettingsSandbox.h"

#include <QProcess>
#include <QSettings>
#include <QTest>

namespace {

const SavedCropPair sample{
    {10, 20, 301, 301}, {0, 0, 512, 512}, SavedBackground{204, 255, 204, 255}, 747032700.5};

// How the settings file holds bytes with commas in them.
QByteArray asFileEntry(QByteArray json)
{
    return "\"@ByteArray(" + json.replace('\\', "\\\\").replace('"', "\\\"") + ")\"";
}

const QByteArray key = "\nPairvue.savedCrops.both=";
// As another process leaves them: number lists kept as plain text.
const QByteArray legacyLines = "[General]\nPairvue.savedCrop.left=10.4, 20.6, 99.2, 99.9\n"
                               "Pairvue.savedCrop.right=0, 0, 512, 512";
const char* const writerVariable = "PAIRVUE_CROP_PAIR_WRITER";

} // namespace

class CropPairStoreTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SettingsSandbox::setUp(); }
    void init()
    {
        // A writer child must not wipe what its sibling is saving.
        if (!qEnvironmentVariableIsSet(writerVariable))
            SettingsSandbox::writeFile("[General]\n");
    }

    void writesOneRecordAndKeepsOtherEntries()
    {
        SettingsSandbox::writeFile(legacyLines + "\nother=kept\n");
        QVERIFY(CropPairStore().write(sample));
        QCOMPARE(SettingsSandbox::fileEntry(CropPairStore::storageKey),
                 asFileEntry(*encodeCropPair(sample)));
        QCOMPARE(SettingsSandbox::fileEntry("other"), QByteArray("kept"));
        QCOMPARE(SettingsSandbox::fileEntry("Pairvue.savedCrop.left"), "10.4, 20.6, 99.2, 99.9");
        SavedCropPair invalid = sample;
        invalid.left.width = 0;
        QVERIFY(!CropPairStore().write(invalid));
        QCOMPARE(CropPairStore().readSavedCropPair(), std::optional<SavedCropPair>(sample));
    }

    void migratesLegacyEntriesIntoTheRecord_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("no record") << QByteArray();
        QTest::newRow("red 300")
            << key + asFileEntry(R"({"left":{"x":1,"y":1,"width":5,"height":5},)"
                                 R"("right":{"x":1,"y":1,"width":5,"height":5},)"
                                 R"("background":{"red":300,"green":0,"blue":0,"alpha":255}})");
        QTest::newRow("unreadable record") << key + "@ByteArray({)";
        QTest::newRow("text instead of bytes") << key + "hello";
    }
    void migratesLegacyEntriesIntoTheRecord()
    {
        QFETCH(QByteArray, record);
        SettingsSandbox::writeFile(legacyLines + record + "\n");
        const SavedCropPair expected{{10, 20, 100, 101}, {0, 0, 512, 512}, {}, {}};
        QCOMPARE(CropPairStore().readSavedCropPair(), std::optional<SavedCropPair>(expected));
        const QByteArray migrated =
            asFileEntry(R"({"left":{"x":10,"y":20,"width":100,"height":101},)"
                        R"("right":{"x":0,"y":0,"width":512,"height":512}})");
        QCOMPARE(SettingsSandbox::fileEntry(CropPairStore::storageKey), migrated);
        QCOMPARE(SettingsSandbox::fileEntry("Pairvue.savedCrop.left"), "10.4, 20.6, 99.2, 99.9");
        QCOMPARE(SettingsSandbox::fileEntry("Pairvue.savedCrop.right"), "0, 0, 512, 512");

        // From now on the record itself is read, also after the legacy entries go.
        SettingsSandbox::writeFile("[General]" + key + migrated + "\n");
        QCOMPARE(CropPairStore().readSavedCropPair(), std::optional<SavedCropPair>(expected));
    }

    void hostileSettingsReadAsNothing_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QByteArray good = asFileEntry(*encodeCropPair(sample));
        auto both = [](const QByteArray& value) { return "[General]" + key + value + "\n"; };
        QTest::newRow("a string") << both("hello");
        QTest::newRow("a list") << both("1, 2, 3");
        QTest::newRow("record as text")
            << both('"' + encodeCropPair(sample)->replace('"', "\\\"") + '"');
        QTest::newRow("half-written file") << "[General]" + key + good.left(good.size() / 2);
        QTest::newRow("another kind of value") << both(R"(@Variant(\0\0\0\t\xff\xff\xff\xff))");
        const QByteArray rightOnly = "[General]\nPairvue.savedCrop.right=1, 1, 1, 1\n";
        QTest::newRow("one legacy side only") << rightOnly;
        QTest::newRow("legacy list of a million")
            << rightOnly + "Pairvue.savedCrop.left=" + QByteArray("1, ").repeated(1000000) + "1\n";
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk += char(i * 7919 % 251);
        QTest::newRow("binary junk") << junk;
    }
    void hostileSettingsReadAsNothing()
    {
        QFETCH(QByteArray, file);
        SettingsSandbox::writeFile(file);
        QVERIFY(!CropPairStore().readSavedCropPair());
        QCOMPARE(SettingsSandbox::readFile(), file); // nothing migrated, nothing mended
        // Saving afterwards still leaves one good record.
        QVERIFY(CropPairStore().write(sample));
        QCOMPARE(CropPairStore().readSavedCropPair(), std::optional<SavedCropPair>(sample));
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
            QCOMPARE(writer->exitStatus(), QProcess::NormalExit);
            QCOMPARE(writer->exitCode(), 0);
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
};

QTEST_MAIN(CropPairStoreTest)
#include "tst_croppairstore.moc"
