#include "imaging/ImageFile.h"
#include "slots/DropArea.h"
#include "slots/DropZoneView.h"
#include "slots/SlotLoading.h"
#include "state/WindowState.h"

#include "support/SlotFixtures.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QUrl>
#include <QtEndian>

class ImageLoadingTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_png, m_bmp, m_text; // 64 x 48 PNG and BMP, a text file named .png

    // Waits for every decode to end and delivers what they made.
    static void settle()
    {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

private slots:
    void initTestCase()
    {
        const QDir dir(m_dir.path());
        m_png = writeImage(dir, QStringLiteral("RAO 30°.png"), quadrantImage(64, 48));
        m_bmp = writeImage(dir, QStringLiteral("b.bmp"), quadrantImage(64, 48));
        m_text = writeBytes(dir, QStringLiteral("notes.png"), "not an image at all\n");
        QVERIFY(!m_png.isEmpty() && !m_bmp.isEmpty() && !m_text.isEmpty());
    }

    void refusesBadFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QDir dir(m_dir.path());
        const QByteArray png = readBytes(writeImage(dir, "src.png", quadrantImage(300, 200)));
        const QByteArray jpeg = readBytes(writeImage(dir, "src.jpg", quadrantImage(300, 200)));
        QByteArray bmp = readBytes(writeImage(dir, "src.bmp", quadrantImage(300, 200)));
        QTest::newRow("png cut in half") << png.left(png.size() / 2);
        QTest::newRow("jpeg cut at 90%") << jpeg.left(jpeg.size() * 9 / 10);
        QTest::newRow("jpeg cut inside its scan, end marker appended")
            << jpeg.left(jpeg.size() * 6 / 10) + "\xFF\xD9";
        QTest::newRow("bmp cut short") << bmp.left(bmp.size() * 6 / 10);
        qToLittleEndian(qint32(20000), bmp.data() + 18);
        qToLittleEndian(qint32(20000), bmp.data() + 22);
        QTest::newRow("bmp claiming 20000 x 20000") << bmp;
    }
    void refusesBadFiles()
    {
        QFETCH(QByteArray, bytes);
        const QString path = writeBytes(QDir(m_dir.path()), QStringLiteral("bad"), bytes);
        QVERIFY(!decodeImageFile(path));
    }

    void sizeLimitCountsPixelsNotSides()
    {
        QVERIFY(imageSizeAllowed(16384, 16384)); // 2^28 pixels, 1 GiB exactly
        QVERIFY(!imageSizeAllowed(16385, 16384));
        QVERIFY(!imageSizeAllowed(16384, 16384, 8)); // 2 GiB of 16-bit channels
        // A long strip loads, and so do 131 MiB, more than Qt allows by default.
        for (const QSize size : {QSize(20000, 10), QSize(16384, 2100)}) {
            const QString path = writeImage(QDir(m_dir.path()), QStringLiteral("big.png"),
                                            quadrantImage(size.width(), size.height()));
            QCOMPARE(decodeImageFile(path).value_or(QImage()).size(), size);
        }
    }

    // Only the first location counts; a remote one is refused, and the scan
    // stops after 64 KiB.
    void dropLocations_data()
    {
        QTest::addColumn<QByteArray>("uris");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("location"); // none: refused
        const QByteArray png = QUrl::fromLocalFile(m_png).toEncoded() + "\r\n";
        const QByteArray bmp = QUrl::fromLocalFile(m_bmp).toEncoded() + "\r\n";
        const QByteArray comments = QByteArray("# a comment line\r\n").repeated(4000); // 72 KB
        QTest::newRow("first of two, urls before text") << png + bmp << m_bmp << m_png;
        QTest::newRow("absolute path as text")
            << QByteArray() << "  " + m_bmp + "\n" + m_png << m_bmp;
        QTest::newRow("remote first item")
            << "https://example.org/a.png\r\n" + png << QString() << QString();
        QTest::newRow("location only after 72 KB of comments")
            << comments + png << QString() << QString();
    }
    void dropLocations()
    {
        QFETCH(QByteArray, uris);
        QFETCH(QString, text);
        QMimeData mime;
        if (!uris.isEmpty())
            mime.setData(QStringLiteral("text/uri-list"), uris);
        if (!text.isEmpty())
            mime.setText(text);
        QTEST(droppedFileLocation(&mime).value_or(QString()), "location");
    }

    // A real drop on a panel: the file decodes while the window goes on, then
    // replaces the image and its crop.
    void dropLoadsInTheBackground()
    {
        WindowState state;
        state.setImage(2, quadrantImage(32, 32));
        state.setCrop(2, QRectF(4, 4, 10, 10));
        int changes = 0;
        DropZoneView panel(state, 2, QStringLiteral("🟣  画像 2 (LAO)"), Qt::blue,
                           [&] { ++changes; });
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(m_png)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(panel.dropArea(), &enter);
        QVERIFY(enter.isAccepted() && panel.isTargeted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(panel.dropArea(), &drop);
        QVERIFY(drop.isAccepted() && !panel.isTargeted());
        QCOMPARE(state.image(2).width(), 32); // read once the drop returned
        settle();
        QCOMPARE(state.name(2), QStringLiteral("RAO 30°.png"));
        QVERIFY(!state.crop(2));

        QCOMPARE(changes, 1);
    }

    // Choices made one after another for slot 1, each before the one before
    // it is decoded; the last one that decodes is what the slot shows.
    void latestChoiceWins_data()
    {
        QTest::addColumn<QStringList>("choices");
        const QString slow =
            writeImage(QDir(m_dir.path()), QStringLiteral("slow.png"), quadrantImage(2000, 2000));
        QTest::newRow("a quick newer choice beats a slow older one") << QStringList{slow, m_bmp};
        QTest::newRow("a refused newer choice leaves the older") << QStringList{m_bmp, m_text};
    }
    void latestChoiceWins()
    {
        QFETCH(QStringList, choices);
        WindowState state;
        for (const QString& path : choices)
            loadImage(state, 1, path, {});
        settle();
        QCOMPARE(state.name(1), QStringLiteral("b.bmp"));
    }

    void closingTheWindowDropsPendingPictures()
    {
        int changes = 0;
        auto* state = new WindowState;
        loadImage(*state, 1, m_png, [&] { ++changes; });
        delete state;
        settle();
        QCOMPARE(changes, 0);
    }
};

QTEST_MAIN(ImageLoadingTest)
#include "tst_imageloading.moc"
