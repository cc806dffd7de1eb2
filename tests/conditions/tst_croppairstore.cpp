#include "app/WindowState.h"
#include "conditions/CropPairJson.h"
#include "conditions/CropPairStore.h"
#include "support/SettingsSandbox.h"

#include <QProcess>
#include <QSettings>
#include <QTest>

namespace {

const SavedCropPair sample{
    {10, 20, 301, 301}, {0, 0, 512, 512}, SavedBackground{204, 255, 204, 255}, 747032700.5};

// How the settings file holds bytes with commas in them: marked as bytes,
// quoted, with inner quotes and backslashes escaped.
QByteArray asFileEntry(const QByteArray& json)
{
    QByteArray escaped = json;
    escaped.replace('\\', "\\\\").replace('"', "\\\"");
    return "\"@ByteArray(" + escaped + ")\"";
}

const QByteArray legacyLines = "Pairvue.savedCrop.left=10.4, 20.6, 99.2, 99.9\n"
                               "Pairvue.savedCrop.right=0, 0, 512, 512\n";

const QByteArray migratedJson = R"({"left":{"x":10,"y":20,"width":100,"height":101},)"
                                R"("right":{"x":0,"y":0,"width":512,"height":512}})";

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
        SettingsSandbox::writeFile("[General]\n" + legacyLines + "other=kept\n");
        CropPairStore store;
        QVERIFY(store.write(sample));
        QCOMPARE(SettingsSandbox::fileEntry(WindowState::cropPairStorageKey),
                 asFileEntry(*encodeCropPair(sample)));
        QCOMPARE(SettingsSandbox::fileEntry("other"), QByteArray("kept"));
        QCOMPARE(SettingsSandbox::fileEntry("Pairvue.savedCrop.left"),
                 QByteArray("10.4, 20.6, 99.2, 99.9"));
        QCOMPARE(CropPairStore().readSavedCropPair(), std::optional<SavedCropPair>(sample));

        SavedCropPair invalid = sample;
        invalid.left.width = 0;
        QVERIFY(!store.write(invalid));
        QCOMPARE(CropPairStore().readSavedCropPair(), std::optional<SavedCropPair>(sample));
    }

    void migratesLegacyEntriesIntoTheRecord_data()
    {
        QTest::addColumn<QByteArray>("jsonLine");
        QTest::newRow("no record") << QByteArray();
        QTest::newRow("invalid record (red 300)")
            << "Pairvue.savedCrops.both=" +
                   asFileEntry(R"({"left":{"x":1,"y":1,"width":5,"height":5},)"
                               R"("right":{"x":1,"y":1,"width":5,"height":5},)"
                               R"("background":{"red":300,"green":0,"blue":0,"alpha":255}})") +
                   "\n";
        QTest::newRow("unreadable record") << QByteArray("Pairvue.savedCrops.both=@ByteArray({)\n");
        QTest::newRow("text instead of bytes") << QByteArray("Pairvue.savedCrops.both=hello\n");
    }
    void migratesLegacyEntriesIntoTheRecord()
    {
        QFETCH(QByteArray, jsonLine);
        // As another process leaves it: number lists kept as plain text.
        SettingsSandbox::writeFile("[General]\n" + legacyLines + jsonLine);
        const auto record = CropPairStore().readSavedCropPair();
        const SavedCropPair expected{{10, 20, 100, 101}, {0, 0, 512, 512}, {}, {}};
        QCOMPARE(record, std::optional<SavedCropPair>(expected));
        QCOMPARE(SettingsSandbox::fileEntry(WindowState::cropPairStorageKey),
                 asFileEntry(migratedJson));
        QCOMPARE(SettingsSandbox::fileEntry("Pairvue.savedCrop.left"),
                 QByteArray("10.4, 20.6, 99.2, 99.9"));
        QCOMPARE(SettingsSandbox::fileEntry("Pairvue.savedCrop.right"),
                 QByteArray("0, 0, 512, 512"));

        // From now on the record itself is read, also after the legacy entries go.
        SettingsSandbox::writeFile(
            "[General]\nPairvue.savedCrops.both=" + asFileEntry(migratedJson) + "\n");
        QCOMPARE(CropPairStore().readSavedCropPair(), std::optional<SavedCropPair>(expected));
    }

    void legacyEntriesWrittenByThisProcess()
    {
        {
            QSettings settings;
            settings.setValue("Pairvue.savedCrop.left", QVariantList{10.4, 20.6, 99.2, 99.9});
            settings.setValue("Pairvue.savedCrop.right", QVariantList{1, 2, 3, 4});
        }
        CropPairStore store;
        QCOMPARE(store.readLegacyCrop("Pairvue.savedCrop.left"),
                 std::optional<SavedCrop>(SavedCrop{10, 20, 100, 101}));
        QCOMPARE(store.readLegacyCrop("Pairvue.savedCrop.right"),
                 std::optional<SavedCrop>(SavedCrop{1, 2, 3, 4}));
        QVERIFY(!store.readLegacyCrop("Pairvue.savedCrop.missing"));
    }

    void oneLegacySideFormsNoRecord()
    {
        const QByteArray text = "[General]\nPairvue.savedCrop.left=0, 0, 10, 10\n";
        SettingsSandbox::writeFile(text);
        QVERIFY(!CropPairStore().readSavedCropPair());
        QCOMPARE(SettingsSandbox::readFile(), text);

        SettingsSandbox::writeFile("[General]\nPairvue.savedCrop.left=0, 0, 10\n"
                                   "Pairvue.savedCrop.right=0, 0, 10, 10\n");
        QVERIFY(!CropPairStore().readSavedCropPair());
    }

    void hostileSettingsReadAsNothing_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QByteArray key = "Pairvue.savedCrops.both=";
        const QByteArray good = asFileEntry(*encodeCropPair(sample));
        QByteArray padded = *encodeCropPair(sample);
        padded.insert(1, QByteArray(3 * 1024 * 1024, ' '));

        QTest::newRow("a string") << "[General]\n" + key + "hello\n";
        QTest::newRow("a number") << "[General]\n" + key + "42\n";
        QTest::newRow("a list") << "[General]\n" + key + "1, 2, 3\n";
        QTest::newRow("record as text, not bytes")
            << "[General]\n" + key + "\"" + encodeCropPair(sample)->replace('"', "\\\"") + "\"\n";
        QTest::newRow("megabytes of a good record") << "[General]\n" + key + asFileEntry(padded);
        QTest::newRow("deeply nested")
            << "[General]\n" + key + "@ByteArray(" + QByteArray(200000, '[') + ")\n";
        QTest::newRow("NaN and infinities")
            << "[General]\n" + key +
                   asFileEntry(R"({"left":{"x":NaN,"y":0,"width":1e999,"height":-Infinity},)"
                               R"("right":{"x":0,"y":0,"width":5,"height":5}})");
        QTest::newRow("half-written file") << "[General]\n" + key + good.left(good.size() / 2);
        QTest::newRow("stored value of another kind")
            << "[General]\n" + key + "@Variant(\\0\\0\\0\\t\\xff\\xff\\xff\\xff)\n";
        QTest::newRow("legacy list of a million numbers")
            << "[General]\nPairvue.savedCrop.left=" + QByteArray("1, ").repeated(1000000) +
                   "1\nPairvue.savedCrop.right=1, 1, 1, 1\n";
        QTest::newRow("legacy list with text")
            << QByteArray("[General]\nPairvue.savedCrop.left=1, 1, one, 1\n"
                          "Pairvue.savedCrop.right=1, 1, 1, 1\n");
        QTest::newRow("legacy list of NaN")
            << QByteArray("[General]\nPairvue.savedCrop.left=nan, nan, nan, nan\n"
                          "Pairvue.savedCrop.right=1, 1, 1, 1\n");
        QByteArray junk(4096, '\0');
        for (int i = 0; i < junk.size(); ++i)
            junk[i] = char((i * 7919) % 251);
        QTest::newRow("binary junk") << junk;
    }
    void hostileSettingsReadAsNothing()
    {
        QFETCH(QByteArray, file);
        SettingsSandbox::writeFile(file);
        QVERIFY(!CropPairStore().readSavedCropPair());

        // Saving afterwards still leaves one good record.
        QVERIFY(CropPairStore().write(sample));
        QCOMPARE(CropPairStore().readSavedCropPair(), std::optional<SavedCropPair>(sample));
    }

    void twoProcessesSavingAtOnce()
    {
        QList<QProcess*> writers;
        for (const char* id : {"1", "2"}) {
            auto* writer = new QProcess(this);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(writerVariable, id);
            writer->setProcessEnvironment(env);
            writer->setProcessChannelMode(QProcess::ForwardedChannels);
            writer->start(QCoreApplication::applicationFilePath(), {"writeRepeatedly"});
            writers << writer;
        }
        for (QProcess* writer : writers) {
            QVERIFY(writer->waitForFinished(120000));
            QCOMPARE(writer->exitStatus(), QProcess::NormalExit);
            QCOMPARE(writer->exitCode(), 0);
        }
        const auto record = CropPairStore().readSavedCropPair();
        QVERIFY(record);
        // The last save of one of the two, whole.
        QVERIFY(record->left.x == 1049 || record->left.x == 2049);
        QCOMPARE(record->right.x, record->left.x);
        // Neither overwrote what the other had stored under another key.
        QCOMPARE(SettingsSandbox::fileEntry("Pairvue.writer.1"), QByteArray("done"));
        QCOMPARE(SettingsSandbox::fileEntry("Pairvue.writer.2"), QByteArray("done"));
    }

    // Run only as a child of twoProcessesSavingAtOnce: saves fifty records
    // while the other child does the same, and checks that every read in
    // between finds a whole record of one of the two.
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
            QVERIFY(seen);
            QCOMPARE(seen->right.x, seen->left.x);
            QCOMPARE(seen->background, sample.background);
        }
        QSettings settings;
        settings.setValue(QStringLiteral("Pairvue.writer.%1").arg(id), "done");
        settings.sync();
        QCOMPARE(settings.status(), QSettings::NoError);
    }
};

QTEST_MAIN(CropPairStoreTest)
#include "tst_croppairstore.moc"
