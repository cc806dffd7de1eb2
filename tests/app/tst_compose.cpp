#include "app/ComposeCommand.h"
#include "app/ContentView.h"
#include "conditions/CropPairStore.h"
#include "imaging/PictureSource.h"
#include "slots/SlotLoading.h"
#include "support/AngioImage.h"
#include "support/DicomFiles.h"
#include "support/FakeSaveDialog.h"
#include "support/SettingsSandbox.h"

#include <QDir>
#include <QFile>
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

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the parser made of the options, or its message.
QString described(const QStringList& arguments)
{
    const auto parsed = parseComposeArguments(arguments);
    if (const QString* error = std::get_if<QString>(&parsed))
        return "error: " + *error;
    const ComposeOptions& o = std::get<ComposeOptions>(parsed);
    const auto crop = [](const std::optional<CropSquare>& c) {
        return c ? QString("%1,%2,%3").arg(c->x).arg(c->y).arg(c->side) : QString("-");
    };
    const QString bg = o.background ? QString("%1,%2,%3,%4")
                                          .arg(o.background->red)
                                          .arg(o.background->green)
                                          .arg(o.background->blue)
                                          .arg(o.background->alpha)
                                    : QString("-");
    return QString("%1x%2 %3 %4,%5,%6 bg %7 crops %8 %9 frames %10,%11")
        .arg(o.canvasW, o.canvasH, o.imgSize, o.cx1, o.cx2, o.cy, bg, crop(o.crop1), crop(o.crop2))
        .arg(o.frame1)
        .arg(o.frame2);
}

// The lines of a list after naming, as "line:image1|image2|name" or "line:!".
QString listed(const QString& text)
{
    QList<PairLine> lines = parsePairList(text);
    assignOutputNames(lines, "P.png", [](const QString& name) { return name == "P.png"; });
    QStringList parts;
    for (const PairLine& l : lines)
        parts << QString::number(l.line) + ":" +
                     (l.error.isEmpty() ? l.image1 + "|" + l.image2 + "|" + l.name : "!");
    return parts.join(' ');
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

    void options_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("expected");
        const QString invalid = "error: ❌  パラメータに不正な値があります";
        QTest::newRow("a new window's values")
            << QStringList{} << "1190x600 580 300,890,300 bg - crops - - frames 0,0";
        QTest::newRow("layout as typed, signs and negative centres kept")
            << QStringList{"--canvas", "1600X800", "--size", "+760", "--centers", "-10,20,0"}
            << "1600x800 +760 -10,20,0 bg - crops - - frames 0,0";
        QTest::newRow("crops with fractions, colour, frames")
            << QStringList{"--crop1",
                           "10.4,20.6,99.2",
                           "--crop2=-5,3,1e3",
                           "--background",
                           "#ccFF00",
                           "--frame1",
                           "3",
                           "--frame2",
                           "12"}
            << "1190x600 580 300,890,300 bg 204,255,0,255 crops 10.4,20.6,99.2 -5,3,1000 frames "
               "3,12";
        QTest::newRow("eight hex digits carry alpha")
            << QStringList{"--background", "00000080"}
            << "1190x600 580 300,890,300 bg 0,0,0,128 crops - - frames 0,0";
        QTest::newRow("components are clamped as the fields do")
            << QStringList{"--background", "300, -5,12,255"}
            << "1190x600 580 300,890,300 bg 255,0,12,255 crops - - frames 0,0";
        QTest::newRow("decimal canvas") << QStringList{"--canvas", "12.5x3"} << invalid;
        QTest::newRow("canvas without height") << QStringList{"--canvas", "1190"} << invalid;
        QTest::newRow("size zero") << QStringList{"--size", "0"} << invalid;
        QTest::newRow("two centres") << QStringList{"--centers", "1,2"} << invalid;
        QTest::newRow("blank in a centre") << QStringList{"--centers", "1, 2,3"} << invalid;
        QTest::newRow("canvas beyond the limit")
            << QStringList{"--canvas", "40000x10"} << "error: ❌  合成に失敗しました";
        for (const char* bad : {"1,2,0", "1,2", "nan,1,5", "1,2,-3"})
            QTest::newRow(qPrintable(QString("crop %1").arg(bad)))
                << QStringList{"--crop1", bad} << "error: --crop1";
        for (const char* bad : {"CCFFC", "1,2,3", "a,b,c,d", "CCFFCCF"})
            QTest::newRow(qPrintable(QString("background %1").arg(bad)))
                << QStringList{"--background", bad} << "error: --background";
        QTest::newRow("frame zero") << QStringList{"--frame2", "0"} << "error: --frame2";
        QTest::newRow("no jobs") << QStringList{"--jobs", "0"} << "error: --jobs";
        QTest::newRow("unknown option") << QStringList{"--zoom", "2"} << "error: 知らない";
        QTest::newRow("a list beside images")
            << QStringList{"--pairs", "l.tsv", "--out-dir", "d"} << "error: --pairs";
    }
    void options()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, expected);
        const QString got = described(QStringList{"a.png", "b.png", "-o", "c.png"} + options);
        QVERIFY2(got.startsWith(expected), qPrintable(got));
    }

    void pairList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("comments, blank lines and CRLF skipped") << "# studies\r\n\r\n  \na\tb\r\n"
                                                                << "4:a|b|P_2.png";
        QTest::newRow("default names count past taken ones")
            << "a\tb\tP_3\nc\td\ne\tf\t\n"
            << "1:a|b|P_3.png 2:c|d|P_2.png 3:e|f|P_4.png";
        QTest::newRow("one field, four fields, an empty image") << "a\na\tb\tc\td\n\tb"
                                                                << "1:! 2:! 3:!";
        QTest::newRow("names stay inside the folder") << "a\tb\t../x\na\tb\t/tmp/x\na\tb\tsub/x.jpg"
                                                      << "1:! 2:! 3:a|b|sub/x.jpg";
        QTest::newRow("a repeated name fails the later line") << "a\tb\tx\nc\td\tx.png"
                                                              << "1:a|b|x.png 2:!";
    }
    void pairList()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(listed(text), expected);
    }

    // The command writes the very file the window's save writes for the same
    // images, crops, layout and colour.
    void sameBytesAsWindowSave_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QRectF>("crop1");
        QTest::addColumn<QRectF>("crop2");
        QTest::addColumn<QStringList>("layout");
        QTest::addColumn<QList<int>>("colour");
        QTest::newRow("a new window, whole images")
            << QStringList{} << QRectF() << QRectF() << QStringList{} << QList<int>{};
        // The crops snap outwards and slide into the images as a recall does.
        QTest::newRow("crops, layout and colour")
            << QStringList{"--crop1",   "10.4,20.6,99.2", "--crop2",      "-5,30,500",
                           "--canvas",  "700x400",        "--size",       "301",
                           "--centers", "150,-20,210",    "--background", "10,200,30,77"}
            << QRectF(10, 20, 100, 100) << QRectF(0, 0, 180, 180)
            << QStringList{"700", "400", "301", "150", "-20", "210"} << QList<int>{10, 200, 30, 77};
        QTest::newRow("stored conditions")
            << QStringList{"--saved"} << QRectF() << QRectF() << QStringList{} << QList<int>{};
    }
    void sameBytesAsWindowSave()
    {
        QFETCH(QStringList, options);
        QFETCH(QRectF, crop1);
        QFETCH(QRectF, crop2);
        QFETCH(QStringList, layout);
        QFETCH(QList<int>, colour);
        const bool stored = options.contains("--saved");
        if (stored)
            QVERIFY(CropPairStore().write(
                {{280, -7, 90, 120}, {60.4, 20, 100, 100}, BackgroundColor{0, 90, 200, 128}, 0}));

        ContentView view;
        auto* dialog = new FakeSaveDialog;
        view.setSaveDialog(std::unique_ptr<SaveDialog>(dialog));
        WindowState& s = view.state();
        view.loadSavedSettings();
        loadImage(s, 1, m_image1, {});
        loadImage(s, 2, m_image2, {});
        QTRY_VERIFY(!s.image(1).isNull() && !s.image(2).isNull()); // decoded on a worker
        if (!crop1.isNull())
            s.crop1.set(crop1);
        if (!crop2.isNull())
            s.crop2.set(crop2);
        if (!layout.isEmpty()) {
            s.canvasW.set(layout[0]);
            s.canvasH.set(layout[1]);
            s.imgSize.set(layout[2]);
            s.cx1.set(layout[3]);
            s.cx2.set(layout[4]);
            s.cy.set(layout[5]);
        }
        if (!colour.isEmpty()) {
            s.borderR.set(colour[0]);
            s.borderG.set(colour[1]);
            s.borderB.set(colour[2]);
            s.borderA.set(colour[3]);
        }
        if (stored)
            view.recallCropPair();
        view.refresh();
        QCOMPARE(s.statusMsg(), QString());
        view.save();
        const QString windowFile = m_dir.filePath("window.png");
        dialog->choose(windowFile);

        const QString commandFile = m_dir.filePath("command.png");
        const Run run =
            compose(QStringList{m_image1, m_image2, "-o", commandFile, "--force"} + options);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QString("✅  保存完了: command.png\n"));
        const QByteArray bytes = fileBytes(commandFile);
        QVERIFY(bytes.size() > 1000);
        QVERIFY(bytes == fileBytes(windowFile));
    }

    // A frame of a DICOM run composes as that frame saved as an image file
    // would; without a choice, the frame the window shows first. Messages
    // name the file only.
    void dicomFrames()
    {
        const QString run = m_dir.filePath("run.dcm");
        testsupport::DicomSpec spec;
        spec.frames = 5;
        QVERIFY(testsupport::writeDicom(run, spec));
        const QString frame3 = m_dir.filePath("frame3.png");
        QVERIFY(openPictureSource(run)->frame(2)->save(frame3));
        const QStringList layout{"--force", "--canvas",  "200x100",  "--size",
                                 "90",      "--centers", "50,150,50"};
        const auto bytesOf = [&](const QStringList& arguments) {
            const QString out = m_dir.filePath("frame-out.png");
            const Run r = compose(QStringList{"-o", out} + layout + arguments);
            return r.status == 0 ? fileBytes(out) : r.err.toUtf8();
        };
        const QByteArray expected = bytesOf({frame3, m_image2});
        QVERIFY(expected.startsWith("\x89PNG"));
        QVERIFY(bytesOf({run, m_image2, "--frame1", "3"}) == expected);
        QVERIFY(bytesOf({run, m_image2}) == expected); // the middle frame
        QVERIFY(bytesOf({m_image2, run, "--frame2", "3"}) != expected);
        // Runs opened on two threads at once give the same file.
        QFile list(m_dir.filePath("runs.tsv"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        for (int i = 0; i < 6; ++i)
            list.write("run.dcm\tlao.png\tframe" + QByteArray::number(i) + "\n");
        list.close();
        const QString out = m_dir.filePath("runs");
        QCOMPARE(compose(QStringList{"--pairs", list.fileName(), "--out-dir", out, "--jobs", "2"} +
                         layout)
                     .status,
                 0);
        for (int i = 0; i < 6; ++i)
            QVERIFY(fileBytes(out + QString("/frame%1.png").arg(i)) == expected);

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

    void savedWithoutRecordWritesNothing()
    {
        const QString target = m_dir.filePath("none.png");
        const Run run = compose({m_image1, m_image2, "-o", target, "--saved"});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.startsWith("保存されたクリッピング条件がありません"), qPrintable(run.err));
        QVERIFY(!QFile::exists(target));
    }

    void existingOutputNeedsForce()
    {
        const QString target = m_dir.filePath("existing.png");
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("earlier") == 7);
        file.close();
        Run run = compose({m_image1, m_image2, "-o", target});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.startsWith("❌  保存失敗: 「existing.png」は既にあります"),
                 qPrintable(run.err));
        QCOMPARE(fileBytes(target), QByteArray("earlier"));
        run = compose({m_image1, m_image2, "-o", target, "--force", "--canvas", "30x20"});
        QCOMPARE(run.status, 0);
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
                   "lao.png\trao.png\n");                 // 7
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
        QVERIFY(process.waitForFinished(60000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitCode(), 1);
        for (const char* line : {"3 行目: ", "5 行目: 画像を読み込めません: missing.png",
                                 "6 行目: ❌  保存失敗: ", "6 組中 3 組を書き出しました"})
            QVERIFY2(err.contains(QString::fromUtf8(line)), qPrintable(err));
        QVERIFY2(err.endsWith("（3, 5, 6 行目）\n") && !err.contains('\r'), qPrintable(err));
        QStringList written = QDir(folder + "/out").entryList({"*.png"});
        QCOMPARE(written.size(), 3);
        QVERIFY(written.contains("study_004.png"));
        for (const QString& name : written)
            QCOMPARE(QImageReader(folder + "/out/" + name).size(), QSize(120, 60));
        QVERIFY(QDir(folder + "/out/locked").isEmpty());
        chmod(QFile::encodeName(folder + "/out/locked").constData(), 0755);

        // On a terminal a progress line follows each pair.
        const Run run = compose(
            {"--pairs", list.fileName(), "--out-dir", folder + "/again", "--jobs", "1"}, true);
        QVERIFY2(run.err.contains("\r\x1b[K6/6  ✓ Pairvue_") && run.status == 1,
                 qPrintable(run.err));
    }
};

QTEST_MAIN(ComposeTest)
#include "tst_compose.moc"
