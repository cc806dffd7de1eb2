#include "app/ContentView.h"
#include "app/RoundedButton.h"
#include "compose/ExportName.h"
#include "compose/PNGDocument.h"
#include "compose/PngEncoding.h"
#include "compose/SaveDialog.h"
#include "support/FakeSaveDialog.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <memory>

namespace {

const QString pngFailed = QStringLiteral("❌  PNG生成に失敗しました");
const QString savedPrefix = QStringLiteral("✅  保存完了: ");
const QString saveFailedPrefix = QStringLiteral("❌  保存失敗: ");

// Image 1 fades from opaque to transparent left to right, so the composite
// holds many partial alphas; image 2 is opaque.
QImage fadingImage()
{
    QImage image(8, 8, QImage::Format_ARGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, qRgba(30 * x + 10, 200 - 20 * y, 7 * x * y, 255 - 33 * x));
    return image;
}

QImage opaqueImage()
{
    QImage image(6, 10, QImage::Format_RGB32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 6; ++x)
            image.setPixel(x, y, qRgb(40 * x, 25 * y, 128));
    return image;
}

struct Window {
    std::unique_ptr<ContentView> view = std::make_unique<ContentView>();
    FakeSaveDialog* dialog = nullptr;

    Window()
    {
        auto fake = std::make_unique<FakeSaveDialog>();
        dialog = fake.get();
        view->setSaveDialog(std::move(fake));
    }
    WindowState& state() { return view->state(); }

    // A small 40 x 20 composite of both images over the given background.
    void compose(qint64 r = 204, qint64 g = 255, qint64 b = 204, qint64 a = 255)
    {
        WindowState& s = state();
        s.setCanvasW(QStringLiteral("40"));
        s.setCanvasH(QStringLiteral("20"));
        s.setImgSize(QStringLiteral("16"));
        s.setCx1(QStringLiteral("10"));
        s.setCx2(QStringLiteral("30"));
        s.setCy(QStringLiteral("10"));
        s.setBorderR(r);
        s.setBorderG(g);
        s.setBorderB(b);
        s.setBorderA(a);
        s.setImage1(fadingImage());
        s.setImage2(opaqueImage());
        view->refresh();
        QVERIFY(s.canSave());
    }
};

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// Lowers the largest file this process may write, for everyone root
// included, until it goes out of scope: writes past the limit fail with
// "File too large" instead of raising a signal.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace

class ExportTest : public QObject {
    Q_OBJECT

private slots:
    // The written file is the composite: a valid PNG with alpha whose pixels,
    // multiplied by their alpha again, are exactly the composite's.
    void pngMatchesComposite_data()
    {
        QTest::addColumn<QList<int>>("background");
        QTest::newRow("opaque background") << QList<int>{204, 255, 204, 255};
        QTest::newRow("transparent background") << QList<int>{204, 255, 204, 0};
        QTest::newRow("semi-transparent colour") << QList<int>{10, 200, 30, 77};
    }
    void pngMatchesComposite()
    {
        QFETCH(QList<int>, background);
        QTemporaryDir folder;
        Window w;
        w.compose(background[0], background[1], background[2], background[3]);
        const QImage composite = w.state().resultCG();
        QCOMPARE(composite.format(), QImage::Format_RGBA8888_Premultiplied);

        w.view->save();
        QVERIFY(w.dialog->isOpen());
        const QString path = folder.filePath(w.state().exportName());
        w.dialog->choose(path);
        QCOMPARE(w.state().statusMsg(), savedPrefix + w.state().exportName());

        const QByteArray bytes = fileBytes(path);
        QVERIFY(bytes.startsWith("\x89PNG\r\n\x1a\n"));
        QCOMPARE(bytes.mid(12, 4), QByteArray("IHDR"));
        QCOMPARE(int(quint8(bytes[24])), 8); // bit depth
        QCOMPARE(int(quint8(bytes[25])), 6); // colour type: RGB with alpha

        QImageReader reader(path, "png");
        const QImage read = reader.read();
        QVERIFY2(!read.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(read.size(), QSize(40, 20));
        QVERIFY(read.hasAlphaChannel());
        QCOMPARE(read.colorSpace(), QColorSpace(QColorSpace::SRgb));

        const QImage straight = read.convertToFormat(QImage::Format_RGBA8888);
        const QImage again = read.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        for (int y = 0; y < composite.height(); ++y) {
            const uchar* c = composite.constScanLine(y);
            const uchar* s = straight.constScanLine(y);
            const uchar* p = again.constScanLine(y);
            for (int i = 0; i < composite.width() * 4; ++i) {
                const QByteArray where = QByteArray::number(i / 4) + "," + QByteArray::number(y);
                QVERIFY2(p[i] == c[i], where.constData());
                const int alpha = c[i - i % 4 + 3];
                if (i % 4 == 3)
                    QVERIFY2(s[i] == c[i], where.constData());
                else if (alpha > 0) // the nearest straight value to c / alpha
                    QVERIFY2(std::abs(s[i] - c[i] * 255.0 / alpha) <= 0.5, where.constData());
            }
        }
        if (background[3] == 0) {
            QCOMPARE(qAlpha(read.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(read.pixel(39, 0)), 0);
        }
    }

    void pngDataOfNoBitmapIsNothing() { QVERIFY(!pngData(QImage()).has_value()); }

    void exportFileName_data()
    {
        QTest::addColumn<QDateTime>("at");
        QTest::addColumn<QString>("expected");
        QTest::newRow("afternoon") << QDateTime(QDate(2026, 9, 3), QTime(14, 15, 30), Qt::LocalTime)
                                   << "Pairvue_20260903_141530.png";
        QTest::newRow("single digits padded")
            << QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5), Qt::LocalTime)
            << "Pairvue_20270102_030405.png";
        QTest::newRow("milliseconds ignored")
            << QDateTime(QDate(2026, 9, 3), QTime(14, 15, 30, 999), Qt::LocalTime)
            << "Pairvue_20260903_141530.png";
        // The tests run in Asia/Tokyo, nine hours ahead of UTC.
        QTest::newRow("UTC shown in local time")
            << QDateTime(QDate(2026, 12, 31), QTime(15, 0, 0), Qt::UTC)
            << "Pairvue_20270101_000000.png";
    }
    void exportFileName()
    {
        QFETCH(QDateTime, at);
        QFETCH(QString, expected);
        QCOMPARE(::exportFileName(at), expected);
    }

    void sameSecondSameName()
    {
        const QDateTime start(QDate(2026, 9, 3), QTime(14, 15, 30, 0), Qt::LocalTime);
        QCOMPARE(::exportFileName(start.addMSecs(999)), ::exportFileName(start));
        QVERIFY(::exportFileName(start.addMSecs(1000)) != ::exportFileName(start));
    }

    void saveProposesDatedNameWithPressTimeBytes()
    {
        Window w;
        w.compose();
        const QString status = w.state().statusMsg();
        const QString before = ::exportFileName(QDateTime::currentDateTime());
        w.view->save();
        const QString after = ::exportFileName(QDateTime::currentDateTime());

        const QString name = w.state().exportName();
        QVERIFY(QRegularExpression(QStringLiteral("^Pairvue_\\d{8}_\\d{6}\\.png$"))
                    .match(name)
                    .hasMatch());
        QVERIFY(before <= name && name <= after);
        QCOMPARE(w.dialog->requests.size(), 1);
        QCOMPARE(w.dialog->last().proposedName, name);
        QVERIFY(w.state().showExporter());
        QCOMPARE(w.state().exportDoc(), PNGDocument{*pngData(w.state().resultCG())});
        QCOMPARE(w.state().statusMsg(), status);

        // Pressed again while the dialog is open: no second dialog.
        w.view->save();
        QCOMPARE(w.dialog->requests.size(), 1);
    }

    // A composition while the dialog is open does not change the file.
    void recompositionWhileOpenKeepsPressTimeBytes()
    {
        QTemporaryDir folder;
        Window w;
        w.compose();
        const QByteArray pressed = *pngData(w.state().resultCG());
        w.view->save();
        w.state().setBorderR(0);
        const QByteArray recomposed = *pngData(w.state().resultCG());
        QVERIFY(recomposed != pressed);

        w.dialog->choose(folder.filePath(QStringLiteral("out.png")));
        QCOMPARE(fileBytes(folder.filePath(QStringLiteral("out.png"))), pressed);
    }

    void successReportsNameAsChosen()
    {
        QTemporaryDir folder;
        Window w;
        w.compose();
        w.view->save();
        const QString proposed = w.state().exportName();
        const PNGDocument document = *w.state().exportDoc();
        const QString path = folder.filePath(QStringLiteral("症例 12 RAO-LAO.png"));
        w.dialog->choose(path);

        QCOMPARE(w.state().statusMsg(), savedPrefix + QStringLiteral("症例 12 RAO-LAO.png"));
        QCOMPARE(fileBytes(path), document.data);
        QVERIFY(!w.state().showExporter());
        QCOMPARE(w.state().exportName(), proposed);
        QCOMPARE(*w.state().exportDoc(), document);
        QCOMPARE(entries(folder.path()), QStringList{QStringLiteral("症例 12 RAO-LAO.png")});

        // The next dialog opens where the last file went, in any window.
        Window other;
        other.compose();
        other.view->save();
        QCOMPARE(QDir(other.dialog->last().startFolder), QDir(folder.path()));
    }

    void replacingAnExistingFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("old.png"));
        QVERIFY(writeFile(path, QByteArray(5000, 'x')));
        Window w;
        w.compose();
        w.view->save();
        w.dialog->choose(path);
        QCOMPARE(w.state().statusMsg(), savedPrefix + QStringLiteral("old.png"));
        QCOMPARE(fileBytes(path), w.state().exportDoc()->data);
        QCOMPARE(entries(folder.path()), QStringList{QStringLiteral("old.png")});
    }

    // Each way a write fails, root included: the failure text, an existing
    // file left as it was, and nothing new in the folder.
    void failedWrite_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("folder is a regular file") << "parent-is-file";
        QTest::newRow("write cut off by the file size limit") << "size-limit";
        QTest::newRow("folder without write permission") << "read-only";
    }
    void failedWrite()
    {
        QFETCH(QString, how);
        QTemporaryDir folder;
        const QByteArray original("an earlier picture that must survive");
        QString existing = folder.filePath(QStringLiteral("Pairvue_20260101_000000.png"));
        QVERIFY(writeFile(existing, original));
        QString target = existing;
        QString watched = folder.path();
        if (how == QLatin1String("parent-is-file")) {
            target = existing + QStringLiteral("/Pairvue_20260101_000000.png");
        } else if (how == QLatin1String("read-only")) {
            if (geteuid() == 0)
                QSKIP("permissions do not stop root; the other rows fail for root too");
            QVERIFY(chmod(QFile::encodeName(folder.path()).constData(), 0555) == 0);
        }
        const QStringList before = entries(watched);

        Window w;
        w.compose();
        const QImage composite = w.state().resultCG();
        w.view->save();
        QVERIFY(w.state().exportDoc()->data.size() > 64);
        {
            std::optional<FileSizeLimit> limit;
            if (how == QLatin1String("size-limit"))
                limit.emplace(32);
            w.dialog->choose(target);
        }
        chmod(QFile::encodeName(folder.path()).constData(), 0755);

        const QString status = w.state().statusMsg();
        QVERIFY2(status.startsWith(saveFailedPrefix), qPrintable(status));
        QVERIFY2(status.size() > saveFailedPrefix.size() + 3, qPrintable(status));
        QCOMPARE(fileBytes(existing), original);
        QCOMPARE(entries(watched), before);
        QVERIFY(!w.state().showExporter());
        QCOMPARE(w.state().resultCG(), composite);
    }

    void cancelChangesNothing()
    {
        QTemporaryDir folder;
        Window w;
        w.compose();
        w.state().setStatusMsg(QStringLiteral("前の表示"));
        w.view->save();
        const QString name = w.state().exportName();
        const auto document = w.state().exportDoc();
        QSignalSpy statusChanges(&w.state(), &WindowState::statusMsgChanged);

        w.dialog->cancel();

        QVERIFY(!w.state().showExporter());
        QCOMPARE(statusChanges.size(), 0);
        QCOMPARE(w.state().statusMsg(), QStringLiteral("前の表示"));
        QCOMPARE(w.state().exportName(), name);
        QCOMPARE(w.state().exportDoc(), document);
        QVERIFY(w.state().canSave());
    }

    void noCompositeGivesPngFailureAndNoDialog()
    {
        Window w;
        w.state().setImage1(fadingImage());
        w.view->refresh();
        w.view->save();
        QCOMPARE(w.state().statusMsg(), pngFailed);
        QVERIFY(w.dialog->requests.isEmpty());
        QVERIFY(!w.state().showExporter());
        QCOMPARE(w.state().exportName(), QStringLiteral("Pairvue.png"));
        QVERIFY(!w.state().exportDoc().has_value());
    }

    // The button stands for canSave and opens the dialog.
    void saveButtonFollowsComposite()
    {
        Window w;
        RoundedButton* button = nullptr;
        for (auto* b : w.view->findChildren<RoundedButton*>())
            if (b->text() == QStringLiteral("⬇️　PNG で保存"))
                button = b;
        QVERIFY(button);
        QVERIFY(!button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(w.dialog->requests.isEmpty());

        w.compose();
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(w.dialog->requests.size(), 1);
        w.dialog->cancel();

        w.view->clearImages();
        QVERIFY(!button->isEnabled());
    }

    void documentFromFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("regular file") << "file" << QByteArray("\x89PNG\r\n\x1a\n and more", 19);
        QTest::newRow("empty file") << "empty" << QByteArray();
        QTest::newRow("folder") << "folder" << QByteArray();
        QTest::newRow("missing file") << "missing" << QByteArray();
        QTest::newRow("named pipe, never read") << "fifo" << QByteArray();
    }
    void documentFromFile()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, expected);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("doc.png"));
        if (kind == QLatin1String("file") || kind == QLatin1String("empty"))
            QVERIFY(writeFile(path, expected));
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(path));
        else if (kind == QLatin1String("fifo"))
            QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0644) == 0);
        QCOMPARE(PNGDocument::fromFile(path).data, expected);
    }

    void documentWritesExactBytes()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("a.png"));
        const PNGDocument document{QByteArray("\0\1\2 bytes", 9)};
        QVERIFY(!document.writeToFile(path).has_value());
        QCOMPARE(PNGDocument::fromFile(path), document);

        // A folder in the way is reported and left alone.
        const QString sub = folder.filePath(QStringLiteral("sub.png"));
        QVERIFY(QDir().mkdir(sub));
        const std::optional<QString> error = document.writeToFile(sub);
        QVERIFY(error.has_value());
        QVERIFY(error->contains(QStringLiteral("sub.png")));
        QVERIFY(QFileInfo(sub).isDir());
    }

    // The real dialog: proposes the name in the start folder, adds the
    // extension the user left out, and asks before replacing a file.
    void realDialog()
    {
        QTemporaryDir folder;
        QWidget window;
        PngSaveDialog dialog;
        QList<std::optional<QString>> answers;
        const auto ask = [&] {
            dialog.ask(&window, QStringLiteral("Pairvue_20260903_141530.png"), folder.path(),
                       [&](const std::optional<QString>& path) { answers.append(path); });
            return window.findChild<QFileDialog*>();
        };

        QFileDialog* fd = ask();
        QVERIFY(fd);
        QCOMPARE(fd->acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(!fd->testOption(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(QDir(fd->directory()), QDir(folder.path()));
        QCOMPARE(fd->selectedFiles(),
                 QStringList{folder.filePath(QStringLiteral("Pairvue_20260903_141530.png"))});
        fd->selectFile(QStringLiteral("症例12"));
        static_cast<QDialog*>(fd)->accept();
        QCOMPARE(answers, QList<std::optional<QString>>{folder.filePath("症例12.png")});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!window.findChild<QFileDialog*>());

        fd = ask();
        fd->reject();
        QCOMPARE(answers.size(), 2);
        QCOMPARE(answers.last(), std::nullopt);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        // Replacing: the first question is declined, the second accepted.
        const QString existing = folder.filePath(QStringLiteral("old.png"));
        QVERIFY(writeFile(existing, "old"));
        fd = ask();
        int questions = 0;
        for (auto button : {QMessageBox::No, QMessageBox::Yes}) {
            QTimer::singleShot(0, [&questions, button] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    ++questions;
                    box->button(button)->click();
                }
            });
            fd->selectFile(existing);
            static_cast<QDialog*>(fd)->accept();
        }
        QCOMPARE(questions, 2);
        QCOMPARE(answers.size(), 3);
        QCOMPARE(answers.last(), existing);
        QCOMPARE(fileBytes(existing), QByteArray("old"));
    }

    void startFolder()
    {
        QTemporaryDir last;
        QTemporaryDir pictures;
        const QString gone = last.filePath(QStringLiteral("gone"));
        QCOMPARE(exportStartFolder(last.path(), pictures.path(), "/home/u"), last.path());
        QCOMPARE(exportStartFolder(QString(), pictures.path(), "/home/u"), pictures.path());
        QCOMPARE(exportStartFolder(gone, pictures.path(), "/home/u"), pictures.path());
        QCOMPARE(exportStartFolder(QString(), gone, "/home/u"), QStringLiteral("/home/u"));
    }
};

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
