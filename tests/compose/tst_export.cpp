#include "app/ContentView.h"
#include "app/SaveDialog.h"
#include "compose/ExportName.h"
#include "compose/PngEncoding.h"
#include "support/FakeSaveDialog.h"
#include "support/SlotFixtures.h"
#include "ui/RoundedButton.h"

#include <QColorSpace>
#include <QDir>
#include <QFileDialog>
#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace {

const QString saved = QStringLiteral("✅  保存完了: ");
const QString saveFailed = QStringLiteral("❌  保存失敗: ");

// A window whose save dialog the test answers, showing the composite of two
// small pictures (one with many partial alphas) over the given background.
struct Window {
    std::unique_ptr<ContentView> view = std::make_unique<ContentView>();
    FakeSaveDialog* dialog = new FakeSaveDialog;
    WindowState& s = view->state();

    explicit Window(QList<int> bg = {204, 255, 204, 255})
    {
        view->setSaveDialog(std::unique_ptr<SaveDialog>(dialog));
        QImage image(8, 8, QImage::Format_ARGB32);
        for (int i = 0; i < 64; ++i) // many partial alphas
            image.setPixel(i % 8, i / 8, qRgba(30 * i % 256, 200 - 3 * i, 7 * i, 255 - 4 * i));
        s.borderR.set(bg[0]);
        s.borderG.set(bg[1]);
        s.borderB.set(bg[2]);
        s.borderA.set(bg[3]);
        s.image1.set(image);
        s.image2.set(image.convertToFormat(QImage::Format_RGB32));
        view->refresh();
    }
};

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// Lowers the largest file this process may write, root included, while it
// lives: writes past the limit fail with "File too large", no signal.
struct FileSizeLimit {
    rlimit old{};
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit limit = old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
};

} // namespace

class ExportTest : public QObject {
    Q_OBJECT

private slots:
    // Saving through the button writes a canvas-sized PNG with alpha whose
    // pixels, multiplied by their alpha again, are exactly the composite's,
    // under the name proposed or the one the user chose instead.
    void savedPngMatchesComposite_data()
    {
        QTest::addColumn<QList<int>>("background");
        QTest::addColumn<QString>("name"); // none: as proposed
        QTest::addColumn<bool>("existing");
        QTest::newRow("opaque, as proposed") << QList<int>{204, 255, 204, 255} << "" << false;
        QTest::newRow("transparent, name changed by the user")
            << QList<int>{204, 255, 204, 0} << "症例 12 RAO-LAO.png" << false;
        QTest::newRow("semi-transparent, replacing a file")
            << QList<int>{10, 200, 30, 77} << "old.png" << true;
    }
    void savedPngMatchesComposite()
    {
        QFETCH(QList<int>, background);
        QFETCH(QString, name);
        QFETCH(bool, existing);
        QTemporaryDir folder;
        if (existing)
            QVERIFY(!writeBytes(folder.path(), name, QByteArray(5000, 'x')).isEmpty());
        Window w(background);
        QTest::mouseClick(w.view->saveButton(), Qt::LeftButton);
        const QString proposed = w.s.exportName();
        name = name.isEmpty() ? proposed : name;
        w.dialog->choose(folder.filePath(name));
        QCOMPARE(w.s.statusMsg(), saved + name);
        QCOMPARE(entries(folder.path()), QStringList{name});
        QVERIFY(!w.s.showExporter());
        QCOMPARE(w.s.exportName(), proposed);
        QImageReader reader(folder.filePath(name), "png");
        const QImage read = reader.read();
        QVERIFY2(!read.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(read.size(), QSize(1190, 600));
        QCOMPARE(read.colorSpace(), QColorSpace(QColorSpace::SRgb));
        QCOMPARE(read.convertToFormat(QImage::Format_RGBA8888_Premultiplied), w.s.resultCG());
        // The next dialog opens where the last file went, in any window.
        Window other;
        other.view->save();
        QCOMPARE(QDir(other.dialog->last().startFolder), QDir(folder.path()));
    }

    void exportFileName()
    {
        // Local time, which is Tokyo's for the tests; the same name within a second.
        const QDateTime at(QDate(2026, 9, 3), QTime(14, 15, 30));
        QCOMPARE(::exportFileName(at.addMSecs(999)), "Pairvue_20260903_141530.png");
        QCOMPARE(::exportFileName(at.addMSecs(1000)), "Pairvue_20260903_141531.png");
        QCOMPARE(::exportFileName(QDateTime(QDate(2026, 12, 31), QTime(15, 0), Qt::UTC)),
                 "Pairvue_20270101_000000.png");
    }

    // The bytes are taken when the button is pressed; cancelling changes
    // nothing; a composition while the dialog is open does not change the file.
    void saveProposesNameAndKeepsPressTimeBytes()
    {
        QTemporaryDir folder;
        Window w;
        w.s.statusMsg.set("前の表示");
        const QString before = ::exportFileName(QDateTime::currentDateTime());
        w.view->save();
        const QString name = w.s.exportName();
        QVERIFY(before <= name && name <= ::exportFileName(QDateTime::currentDateTime()));
        QCOMPARE(w.dialog->last().proposedName, name);
        QVERIFY(w.s.showExporter());
        const QByteArray pressed = *pngData(w.s.resultCG());
        QCOMPARE(w.s.exportDoc()->data, pressed);
        w.view->save(); // pressed again while the dialog is open: no second dialog
        QCOMPARE(w.dialog->requests.size(), 1);

        QSignalSpy statusChanges(&w.s, &WindowState::statusMsgChanged);
        w.dialog->cancel();
        QVERIFY(!w.s.showExporter() && w.s.canSave());
        QCOMPARE(statusChanges.size(), 0);
        QCOMPARE(w.s.exportName(), name);
        QCOMPARE(w.s.exportDoc()->data, pressed);

        w.view->save();
        w.s.borderR.set(0);
        QVERIFY(*pngData(w.s.resultCG()) != pressed);
        w.dialog->choose(folder.filePath("out.png"));
        QCOMPARE(readBytes(folder.filePath("out.png")), pressed);
    }

    // Each way a write fails, root included: the failure text, an existing
    // file left as it was, and nothing new in the folder.
    void failedWrite_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("folder is a regular file") << "parent-is-file";
        QTest::newRow("a folder in the way") << "target-is-folder";
        QTest::newRow("cut off by the file size limit") << "size-limit";
        QTest::newRow("folder without write permission") << "read-only";
    }
    void failedWrite()
    {
        QFETCH(QString, how);
        QTemporaryDir folder;
        const QByteArray original("an earlier picture that must survive");
        const QString existing = writeBytes(folder.path(), "Pairvue_20260101_000000.png", original);
        QString target = existing;
        if (how == "parent-is-file")
            target = existing + "/x.png";
        if (how == "target-is-folder") {
            target = folder.filePath("sub.png");
            QVERIFY(QDir().mkdir(target));
        }
        if (how == "read-only") {
            if (geteuid() == 0)
                QSKIP("permissions do not stop root; the other rows fail for root too");
            QVERIFY(chmod(QFile::encodeName(folder.path()).constData(), 0555) == 0);
        }
        const QStringList before = entries(folder.path());
        Window w;
        const QImage composite = w.s.resultCG();
        w.view->save();
        {
            std::optional<FileSizeLimit> limit;
            if (how == "size-limit")
                limit.emplace(32);
            w.dialog->choose(target);
        }
        chmod(QFile::encodeName(folder.path()).constData(), 0755);
        const QString status = w.s.statusMsg();
        QVERIFY2(status.startsWith(saveFailed) && status.size() > saveFailed.size() + 3,
                 qPrintable(status));
        QCOMPARE(readBytes(existing), original);
        QCOMPARE(entries(folder.path()), before);
        QVERIFY(!w.s.showExporter());
        QCOMPARE(w.s.resultCG(), composite);
    }

    void noCompositeGivesPngFailureAndNoDialog()
    {
        QVERIFY(!pngData(QImage()).has_value());
        Window w;
        w.s.image2.set(QImage());
        w.view->refresh();
        w.view->save();
        QCOMPARE(w.s.statusMsg(), QStringLiteral("❌  PNG生成に失敗しました"));
        QVERIFY(w.dialog->requests.isEmpty() && !w.s.showExporter() && !w.s.exportDoc());
    }

    // The real dialog: proposes the name in the start folder, adds the
    // extension the user left out, and leaves on asking before replacing a file.
    void realDialog()
    {
        QTemporaryDir folder;
        QWidget window;
        PngSaveDialog dialog;
        QList<std::optional<QString>> answers;
        const auto ask = [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            dialog.ask(&window, "Pairvue_20260903_141530.png", folder.path(),
                       [&](const std::optional<QString>& path) { answers.append(path); });
            return window.findChild<QFileDialog*>();
        };
        QFileDialog* fd = ask();
        QCOMPARE(fd->acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(!fd->testOption(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(fd->selectedFiles(), QStringList{folder.filePath("Pairvue_20260903_141530.png")});
        fd->selectFile("症例12");
        static_cast<QDialog*>(fd)->accept();
        QCOMPARE(answers, QList<std::optional<QString>>{folder.filePath("症例12.png")});
        ask()->reject();
        QCOMPARE(answers.size(), 2);
        QCOMPARE(answers.last(), std::nullopt);
    }

    void startFolder()
    {
        QTemporaryDir last, pictures;
        const QString gone = last.filePath("gone");
        QCOMPARE(exportStartFolder(last.path(), pictures.path(), "/home/u"), last.path());
        QCOMPARE(exportStartFolder(QString(), pictures.path(), "/home/u"), pictures.path());
        QCOMPARE(exportStartFolder(gone, pictures.path(), "/home/u"), pictures.path());
        QCOMPARE(exportStartFolder(QString(), gone, "/home/u"), QStringLiteral("/home/u"));
    }
};

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
