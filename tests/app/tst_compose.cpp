#include "app/ComposeCommand.h"
#include "app/ContentView.h"
#include "conditions/CropPairStore.h"
#include "imaging/PictureSource.h"
#include "slots/SlotLoading.h"
#include "support/AngioImage.h"
#include "support/DicomFiles.h"
#include "support/FakeSaveDialog.h"
#include "support/SettingsSandbox.h"
#include "support/SlotFixtures.h"
#include "support/Waits.h"

#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run {
    int status = -1;
    QString err;
};

Run compose(const QStringList& arguments, bool terminal = false)
{
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    const int status = runComposeCommand(arguments, out, err, terminal);
    return {status, errText};
}

} // namespace

class ComposeTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_image1, m_image2;

private slots:
    void initTestCase()
    {
        SettingsSandbox::setUp();
        // A grey angiogram and a colour picture with partial alpha.
        m_image1 = m_dir.filePath("rao.png");
        m_image2 = m_dir.filePath("lao.png");
        QVERIFY(testsupport::angiogram(300).save(m_image1));
        QImage colour(240, 180, QImage::Format_ARGB32);
        for (int y = 0; y < colour.height(); ++y)
            for (int x = 0; x < colour.width(); ++x)
                colour.setPixel(x, y, qRgba(x, 255 - y, (x * y) % 256, 255 - (x + y) % 200));
        QVERIFY(colour.save(m_image2));
    }
    void init() { SettingsSandbox::writeFile("[General]\n"); }

    // Each form of an option: the exit status, and a file only on success.
    void options_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::newRow("a new window's values") << QStringList{} << 0;
        QTest::newRow("signs, capital X, negative centres")
            << QStringList{"--canvas", "160X80", "--size", "+76", "--centers", "-10,20,0"} << 0;
        QTest::newRow("eight hex digits, fractional crops")
            << QStringList{"--background", "00000080", "--crop2=-5,3,1e3"} << 0;
        QTest::newRow("components clamped") << QStringList{"--background", "300, -5,12,255"} << 0;
        const QString bad = "--canvas=12.5x3|--canvas=1190|--size=0|--centers=1, 2,3|--crop1=1,2,0|"
                            "--crop1=nan,1,5|--background=CCFFC|--background=a,b,c,d|--frame2=0|"
                            "--jobs=0|--zoom=2|--pairs=l.tsv|--saved|--canvas=1000001x10";
        for (const QString& o : bad.split('|'))
            QTest::newRow(qPrintable(o)) << QStringList{o} << 2;
    }
    void options()
    {
        QFETCH(QStringList, options);
        QFETCH(int, status);
        const QString out = m_dir.filePath("option.png");
        QFile::remove(out);
        const Run run = compose(QStringList{m_image1, m_image2, "-o", out} + options);
        QVERIFY2(run.status == status, qPrintable(run.err));
        QCOMPARE(QFile::exists(out), status == 0);
    }

    void sameBytesAsWindowSave_data()
    {
        QTest::addColumn<QStringList>("options");
        // The crops snap outwards and slide into the images as a recall does.
        QTest::newRow("crops, layout and colour")
            << QStringList{"--crop1",  "10.4,20.6,99.2", "--crop2",      "-5,30,500",
                           "--canvas", "700x600",        "--background", "10,200,30,77"};
        QTest::newRow("stored conditions") << QStringList{"--saved"};
    }
    void sameBytesAsWindowSave()
    {
        QFETCH(QStringList, options);
        ContentView view;
        auto* dialog = new FakeSaveDialog;
        view.setSaveDialog(std::unique_ptr<SaveDialog>(dialog));
        WindowState& s = view.state();
        QVERIFY(CropPairStore().write(
            {{280, -7, 90, 120}, {60.4, 20, 100, 100}, BackgroundColor{0, 90, 200, 128}, 0}));
        view.loadSavedSettings();
        loadImage(s, 1, m_image1, {});
        loadImage(s, 2, m_image2, {});
        QTRY_VERIFY(!s.image(1).isNull() && !s.image(2).isNull()); // decoded on a worker
        if (options.contains("--saved")) {
            view.recallCropPair();
        } else {
            s.crop1.set(QRectF(10, 20, 100, 100));
            s.crop2.set(QRectF(0, 0, 180, 180));
            s.canvasW.set("700");
            s.borderR.set(10), s.borderG.set(200), s.borderB.set(30), s.borderA.set(77);
        }
        view.refresh();
        view.save();
        dialog->choose(m_dir.filePath("window.png"));
        const QString commandFile = m_dir.filePath("command.png");
        QCOMPARE(
            compose(QStringList{m_image1, m_image2, "-o", commandFile, "--force"} + options).status,
            0);
        const QByteArray bytes = readBytes(commandFile);
        QVERIFY(bytes.size() > 1000 && bytes == readBytes(m_dir.filePath("window.png")));
    }

    // A frame of a DICOM run composes as that frame saved as an image file
    // would; without a choice, the frame the window shows first. Messages
    // name the file only.
    void dicomFrames()
    {
        const QString run = m_dir.filePath("run.dcm");
        testsupport::DicomTestFile recipe;
        recipe.frames = 5;
        QVERIFY(testsupport::writeDicom(run, recipe));
        const QString frame3 = m_dir.filePath("frame3.png");
        QVERIFY(openPictureSource(run)->frame(2)->save(frame3));
        const QStringList layout{"--force", "--canvas",  "200x100",  "--size",
                                 "90",      "--centers", "50,150,50"};
        const auto bytesOf = [&](const QStringList& arguments) {
            const QString out = m_dir.filePath("frame-out.png");
            const Run r = compose(QStringList{"-o", out} + layout + arguments);
            return r.status == 0 ? readBytes(out) : r.err.toUtf8();
        };
        const QByteArray expected = bytesOf({frame3, m_image2});
        QVERIFY(expected.startsWith("\x89PNG"));
        QVERIFY(bytesOf({run, m_image2, "--frame1", "3"}) == expected);
        QVERIFY(bytesOf({run, m_image2}) == expected); // the middle frame
        QVERIFY(bytesOf({m_image2, run, "--frame2", "3"}) != expected);
        for (const QStringList& beyond : {QStringList{run, m_image2, "--frame1", "6"},
                                          QStringList{m_image2, m_image2, "--frame2", "2"}}) {
            const Run r = compose(QStringList{"-o", m_dir.filePath("none.png")} + layout + beyond);
            QCOMPARE(r.status, 1);
            QVERIFY2(r.err.startsWith("フレーム") && r.err.contains(".dcm") != (beyond[0] != run),
                     qPrintable(r.err));
            for (const QString& secret : testsupport::patientStrings)
                QVERIFY(!r.err.contains(secret));
        }
        QVERIFY(!QFile::exists(m_dir.filePath("none.png")));
    }

    void existingOutputNeedsForce()
    {
        const QString target = m_dir.filePath("existing.png");
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("earlier") == 7);
        file.close();
        QCOMPARE(compose({m_image1, m_image2, "-o", target}).status, 1);
        QCOMPARE(readBytes(target), QByteArray("earlier"));
        QCOMPARE(compose({m_image1, m_image2, "-o", target, "--force", "--canvas", "30x20"}).status,
                 0);
        QCOMPARE(QImageReader(target).size(), QSize(30, 20));
    }

    // A list with a bad line, an unreadable image and a folder that refuses
    // the file, run as a program with no display: the other pairs are
    // written, each failure is named by its line, the status is 1.
    void seriesGoesOnPastFailures()
    {
        QTemporaryDir dir;
        QVERIFY(chmod(QFile::encodeName(dir.path()).constData(), 0777) == 0);
        const QString folder = dir.path();
        QVERIFY(QFile::copy(m_image1, folder + "/rao.png") &&
                QFile::copy(m_image2, folder + "/lao.png"));
        QVERIFY(QDir(folder).mkpath("out/locked"));
        QVERIFY(chmod(QFile::encodeName(folder + "/out").constData(), 0777) == 0);
        QVERIFY(chmod(QFile::encodeName(folder + "/out/locked").constData(), 0555) == 0);
        QFile list(folder + "/studies.tsv");
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("# RAO\tLAO\tname\n"
                   "rao.png\tlao.png\n"                   // 2: dated name
                   "rao.png\n"                            // 3: bad line
                   "rao.png\tlao.png\tstudy_004\n"        // 4
                   "rao.png\tmissing.png\n"               // 5: unreadable
                   "rao.png\tlao.png\tlocked/study.png\n" // 6: refused
                   "lao.png\trao.png\n"                   // 7
                   "rao.png\tlao.png\t../escape\n");      // 8: outside the folder
        list.close();

        // A copy of the program, so that another user can run it wherever the
        // build lies.
        const QString program = folder + "/pairvue";
        QVERIFY(QFile::copy(PAIRVUE_BINARY, program));
        QStringList command{program,         "compose",  "--pairs", list.fileName(), "--out-dir",
                            folder + "/out", "--canvas", "120x60",  "--size",        "50",
                            "--centers",     "30,90,30"};
        if (geteuid() == 0) {
            // Permissions do not stop root: run as nobody.
            const QString setpriv = QStandardPaths::findExecutable("setpriv");
            if (setpriv.isEmpty())
                QSKIP("setpriv is needed to leave root");
            command =
                QStringList{setpriv, "--reuid=65534", "--regid=65534", "--clear-groups"} + command;
        }
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        process.setProcessEnvironment(env);
        process.start(command.takeFirst(), command);
        QVERIFY(process.waitForFinished(60000 * PAIRVUE_WAIT_FACTOR));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitCode(), 1);
        for (const char* line : {"3 行目: ", "5 行目: 画像を読み込めません: missing.png",
                                 "6 行目: ❌  保存失敗: ", "7 組中 3 組を書き出しました"})
            QVERIFY2(err.contains(QString::fromUtf8(line)), qPrintable(err));
        QVERIFY2(err.endsWith("（3, 5, 6, 8 行目）\n") && !err.contains('\r'), qPrintable(err));
        QStringList written = QDir(folder + "/out").entryList({"*.png"});
        QCOMPARE(written.size(), 3);
        QVERIFY(written.contains("study_004.png"));
        for (const QString& name : written)
            QCOMPARE(QImageReader(folder + "/out/" + name).size(), QSize(120, 60));
        QVERIFY(QDir(folder + "/out/locked").isEmpty());
        chmod(QFile::encodeName(folder + "/out/locked").constData(), 0755);
    }
};

QTEST_MAIN(ComposeTest)
#include "tst_compose.moc"
