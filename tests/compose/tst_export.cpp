#include "app/ContentView.h"
#include "compose/ExportName.h"
#include "support/FakeSaveDialog.h"
#include "support/SlotFixtures.h"
#include "ui/RoundedButton.h"

#include <QColorSpace>
#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

const QString saveFailed = QStringLiteral("❌  保存失敗: ");

// A window whose save dialog the test answers, showing the composite of a
// picture with many partial alphas over the given background.
struct Window {
    std::unique_ptr<ContentView> view = std::make_unique<ContentView>();
    FakeSaveDialog* dialog = new FakeSaveDialog;
    WindowState& s = view->state();

    explicit Window(BackgroundColor bg = {})
    {
        view->setSaveDialog(std::unique_ptr<SaveDialog>(dialog));
        QImage image(8, 8, QImage::Format_ARGB32);
        for (int i = 0; i < 64; ++i)
            image.setPixel(i % 8, i / 8, qRgba(30 * i % 256, 200 - 3 * i, 7 * i, 255 - 4 * i));
        s.setBackground(bg);
        s.image1.set(image);
        s.image2.set(image.convertToFormat(QImage::Format_RGB32));
        view->refresh();
    }
};

} // namespace

class ExportTest : public QObject {
    Q_OBJECT

private slots:
    // The saved PNG, read back and premultiplied, is exactly the composite
    // when the button was pressed; cancelling changes nothing; it replaces
    // the file chosen.
    void savedPngIsTheCompositeAtThePress()
    {
        QTemporaryDir folder;
        const QString path = writeBytes(folder.path(), "症例 12.png", QByteArray(5000, 'x'));
        Window w({10, 200, 30, 77});
        QTest::mouseClick(w.view->saveButton(), Qt::LeftButton);
        QCOMPARE(w.dialog->requests.last().proposedName, w.s.exportName());
        w.view->save(); // pressed again while the dialog is open: no second dialog
        QCOMPARE(w.dialog->requests.size(), 1);
        QSignalSpy statusChanges(&w.s, &WindowState::statusMsgChanged);
        w.dialog->cancel();
        QVERIFY(!w.s.showExporter() && w.s.canSave() && statusChanges.isEmpty());
        w.view->save();
        const QImage pressed = w.s.resultCG();
        w.s.borderR.set(0);
        QVERIFY(w.s.resultCG() != pressed);
        w.dialog->choose(path);
        QCOMPARE(w.s.statusMsg(), "✅  保存完了: 症例 12.png");
        QVERIFY(!w.s.showExporter());
        const QImage read = QImageReader(path, "png").read();
        QCOMPARE(read.colorSpace(), QColorSpace(QColorSpace::SRgb));
        QCOMPARE(read.convertToFormat(QImage::Format_RGBA8888_Premultiplied), pressed);
        Window other; // the next dialog opens where the last file went
        other.view->save();
        QCOMPARE(QDir(other.dialog->requests.last().startFolder), QDir(folder.path()));
    }

    void exportFileName()
    {
        // Local time (Tokyo's for the tests); the same name within a second.
        const QDateTime at(QDate(2026, 9, 3), QTime(14, 15, 30));
        QCOMPARE(::exportFileName(at.addMSecs(999)), "Pairvue_20260903_141530.png");
        QCOMPARE(::exportFileName(QDateTime(QDate(2026, 12, 31), QTime(15, 0), Qt::UTC)),
                 "Pairvue_20270101_000000.png");
    }

    // A failed write says so, leaves an existing file as it was and adds nothing.
    void failedWrite_data()
    {
        QTest::addColumn<bool>("sizeLimit");
        QTest::newRow("a folder in the way") << false;
        QTest::newRow("cut off by the file size limit") << true;
    }
    void failedWrite()
    {
        QFETCH(bool, sizeLimit);
        QTemporaryDir folder;
        const QByteArray original("an earlier picture that must survive");
        const QString existing = writeBytes(folder.path(), "old.png", original);
        const QString target = sizeLimit ? existing : folder.filePath("sub.png");
        QDir().mkdir(folder.filePath("sub.png"));
        const auto entries = [&] {
            return QDir(folder.path()).entryList(QDir::Hidden | QDir::AllEntries);
        };
        const QStringList before = entries();
        Window w;
        w.view->save();
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit low{sizeLimit ? 32 : old.rlim_cur, old.rlim_max}; // root included
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &low);
        w.dialog->choose(target);
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY2(w.s.statusMsg().startsWith(saveFailed) && w.s.statusMsg() != saveFailed,
                 qPrintable(w.s.statusMsg()));
        QCOMPARE(readBytes(existing), original);
        QCOMPARE(entries(), before);
    }

    void noCompositeGivesPngFailureAndNoDialog()
    {
        Window w;
        w.s.image2.set(QImage());
        w.view->refresh();
        w.view->save();
        QCOMPARE(w.s.statusMsg(), QStringLiteral("❌  PNG生成に失敗しました"));
        QVERIFY(w.dialog->requests.isEmpty() && !w.s.showExporter());
    }
};

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
