#include "imaging/ImageFile.h"
#include "slots/DropArea.h"
#include "slots/DropZoneView.h"
#include "slots/SlotLoading.h"
#include "state/WindowState.h"
#include "ui/RoundedButton.h"

#include "support/SlotFixtures.h"

#include <QColorSpace>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QUrl>
#include <QtEndian>

#include <sys/stat.h>

namespace {

// A JPEG with an Exif block (one Orientation entry) after its JFIF header.
QByteArray jpegWithOrientation(const QByteArray& jpeg, char orientation)
{
    const QByteArray exif = QByteArray::fromHex("ffe10022457869660000" // APP1, "Exif"
                                                "4d4d002a00000008"     // big-endian TIFF
                                                "0001011200030000000100") +
                            orientation + QByteArray(6, '\0');
    const int at = 4 + ((quint8(jpeg[4]) << 8) | quint8(jpeg[5]));
    return jpeg.left(at) + exif + jpeg.mid(at);
}

// A JPEG whose frame header declares `width` x `height` and whose scan holds
// only its first 40 bytes, then an end-of-image marker.
QByteArray hollowJpeg(QByteArray jpeg, int width, int height)
{
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    qToBigEndian(quint16(height), jpeg.data() + frame + 5);
    qToBigEndian(quint16(width), jpeg.data() + frame + 7);
    const qsizetype scan = jpeg.indexOf("\xFF\xDA");
    const int headerLength = qFromBigEndian<quint16>(jpeg.constData() + scan + 2);
    return jpeg.left(scan + 2 + headerLength + 40) + "\xFF\xD9";
}

} // namespace

class ImageLoadingTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path[4]; // 64 x 48 PNG, BMP and JPEG, and a text file named .png

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QDir dir(m_dir.path());
        m_path[0] = writeImage(dir, QStringLiteral("RAO 30°.png"), quadrantImage(64, 48));
        m_path[1] = writeImage(dir, QStringLiteral("b.bmp"), quadrantImage(64, 48));
        m_path[2] = writeImage(dir, QStringLiteral("c.jpg"), quadrantImage(64, 48));
        m_path[3] = writeBytes(dir, QStringLiteral("notes.png"), "not an image at all\n");
        for (const QString& path : m_path)
            QVERIFY(!path.isEmpty());
    }

    void decodesEveryOfferedFormat_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // none: a 30 x 20 image written by Qt
        for (const char* name : {"a.png", "a.jpg", "a.bmp", "a.tiff", "icon@2x.png"})
            QTest::newRow(name) << QString::fromLatin1(name) << QByteArray();
        // Qt cannot write GIF: 2 x 1 pixels, red and blue, written by hand.
        QTest::newRow("a.gif") << QStringLiteral("a.gif")
                               << QByteArray::fromHex("474946383961 020001008000 00 ff0000 0000ff"
                                                      "2c000000000200010000 02 02440a00 3b");
    }
    void decodesEveryOfferedFormat()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QDir dir(m_dir.path());
        const QString path = bytes.isEmpty() ? writeImage(dir, name, quadrantImage(30, 20))
                                             : writeBytes(dir, name, bytes);
        const std::optional<QImage> image = decodeImageFile(path);
        QVERIFY(image);
        QCOMPARE(image->size(), bytes.isEmpty() ? QSize(30, 20) : QSize(2, 1));
        QCOMPARE(image->devicePixelRatio(), 1.0); // "@2x" in a name means nothing
    }

    void refusesBadFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        const QDir dir(m_dir.path());
        const QByteArray png = readBytes(writeImage(dir, "src.png", quadrantImage(300, 200)));
        const QByteArray jpeg = readBytes(writeImage(dir, "src.jpg", quadrantImage(300, 200)));
        QByteArray bmp = readBytes(writeImage(dir, "src.bmp", quadrantImage(300, 200)));
        QTest::newRow("text") << "t.png" << QByteArray("hello\n");
        QTest::newRow("empty file") << "e.png" << QByteArray();
        QTest::newRow("png cut in half") << "half.png" << png.left(png.size() / 2);
        QTest::newRow("jpeg cut at 90%") << "cut.jpg" << jpeg.left(jpeg.size() * 9 / 10);
        QTest::newRow("jpeg without its end") << "end.jpg" << jpeg.chopped(2);
        QTest::newRow("jpeg cut inside its scan, end marker appended")
            << "grey.jpg" << jpeg.left(jpeg.size() * 6 / 10) + "\xFF\xD9";
        QTest::newRow("jpeg declaring 16384 x 16384 with 40 bytes of scan")
            << "665.jpg" << hollowJpeg(jpeg, 16384, 16384);
        QTest::newRow("bmp cut short") << "cut.bmp" << bmp.left(bmp.size() * 6 / 10);
        qToLittleEndian(qint32(20000), bmp.data() + 18);
        qToLittleEndian(qint32(20000), bmp.data() + 22);
        QTest::newRow("bmp claiming 20000 x 20000") << "huge.bmp" << bmp;
    }
    void refusesBadFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = writeBytes(QDir(m_dir.path()), name, bytes);
        QVERIFY(!path.isEmpty());
        QVERIFY(!decodeImageFile(path));
    }

    void refusesWhatIsNotAFile()
    {
        QVERIFY(!decodeImageFile(m_dir.path()));
        QVERIFY(!decodeImageFile(m_dir.filePath(QStringLiteral("missing.png"))));
        QVERIFY(!decodeImageFile(QString()));
        const QString fifo = m_dir.filePath(QStringLiteral("pipe.png")); // would never end
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!decodeImageFile(fifo));
        // Opened without a check before: a pipe swapped in after any check
        // is refused by what was opened, without waiting for a writer.
        QVERIFY(!openRegularFile(fifo));
    }

    void sizeLimits()
    {
        QVERIFY(imageSizeAllowed(16384, 16384)); // 2^28 pixels, 1 GiB exactly
        QVERIFY(!imageSizeAllowed(16385, 16384));
        QVERIFY(imageSizeAllowed(qint64(1) << 28, 1)); // the shape does not matter
        QVERIFY(!imageSizeAllowed(16384, 16384, 8));   // 2 GiB of 16-bit channels
        // 16384 x 2100 pixels decode to 131 MiB, more than Qt allows by default.
        const QDir dir(m_dir.path());
        QString path = writeImage(dir, QStringLiteral("big.png"), quadrantImage(16384, 2100));
        const std::optional<QImage> image = decodeImageFile(path);
        QVERIFY(image);
        QCOMPARE(image->size(), QSize(16384, 2100));
        QFile::remove(path);
        path = writeImage(dir, QStringLiteral("strip.png"), quadrantImage(20000, 10));
        QCOMPARE(decodeImageFile(path).value_or(QImage()).size(), QSize(20000, 10));
    }

    void honoursJpegOrientationAndProfile()
    {
        QImage p3 = quadrantImage(64, 48);
        p3.setColorSpace(QColorSpace::DisplayP3);
        const QDir dir(m_dir.path());
        // 6: turn a quarter clockwise to show.
        const QString path =
            writeBytes(dir, QStringLiteral("rotated.jpg"),
                       jpegWithOrientation(readBytes(writeImage(dir, "p3.jpg", p3)), 6));
        const std::optional<QImage> image = decodeImageFile(path);
        QVERIFY(image);
        QCOMPARE(image->colorSpace(), QColorSpace(QColorSpace::DisplayP3));
        // Now 48 wide, 64 tall, the old bottom-left (green) at the top-left and
        // the old top-left (red) at the top-right: no other turn or flip does that.
        QCOMPARE(image->size(), QSize(48, 64));
        QVERIFY(near(image->pixelColor(10, 10), Qt::green, 40));
        QVERIFY(near(image->pixelColor(38, 10), Qt::red, 40));
    }

    // Drags with real mime data over a panel whose slot holds a 32 x 32
    // image and a crop. Only the first location counts; a remote or
    // relative one is refused.
    void drops_data()
    {
        QTest::addColumn<QByteArray>("uris");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("loaded"); // the new name; none: nothing changes
        QByteArray url[4];
        for (int i = 0; i < 4; ++i)
            url[i] = QUrl::fromLocalFile(m_path[i]).toEncoded() + "\r\n";
        const QString a = QStringLiteral("RAO 30°.png"), b = QStringLiteral("b.bmp"), none;
        QTest::newRow("first of three") << url[0] + url[1] + url[2] << none << true << a;
        QTest::newRow("uri list comment, urls before text")
            << "# from a file manager\r\n" + url[1] << m_path[0] << true << b;
        QTest::newRow("undecodable file") << url[3] << none << true << none;
        QTest::newRow("file url as text") << QByteArray() << QString(url[0]) << true << a;
        QTest::newRow("absolute path as text")
            << QByteArray() << "  " + m_path[1] + "\n" + m_path[0] << true << b;
        QTest::newRow("remote first item")
            << "https://example.org/a.png\r\n" + url[0] << none << false << none;
        QTest::newRow("relative path as text") << QByteArray() << b << false << none;
        QTest::newRow("nothing") << QByteArray() << none << false << none;
        const QByteArray comments = QByteArray("# a comment line\r\n").repeated(4000); // 72 KB
        QTest::newRow("first location, then 72 KB of comments")
            << url[0] + comments << none << true << a;
        QTest::newRow("location only after 72 KB of comments")
            << comments + url[0] << none << false << none;
        QTest::newRow("text location only after 72 KB of blank lines")
            << QByteArray() << QString(72000, u'\n') + m_path[0] << false << none;
    }
    void drops()
    {
        QFETCH(QByteArray, uris);
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(QString, loaded);
        WindowState state;
        state.setImage(2, quadrantImage(32, 32));
        state.setName(2, QStringLiteral("old.png"));
        state.setCrop(2, QRectF(4, 4, 10, 10));
        int changes = 0;
        DropZoneView panel(state, 2, QStringLiteral("🟣  画像 2 (LAO)"), Qt::blue,
                           [&] { ++changes; });
        QMimeData mime;
        if (!uris.isEmpty())
            mime.setData(QStringLiteral("text/uri-list"), uris);
        if (!text.isEmpty())
            mime.setText(text);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(panel.dropArea(), &enter);
        QCOMPARE(enter.isAccepted(), accepted);
        QCOMPARE(panel.isTargeted(), accepted);
        if (accepted) {
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(panel.dropArea(), &drop);
            QVERIFY(drop.isAccepted());
            QVERIFY(!panel.isTargeted());
            QCOMPARE(state.name(2), QStringLiteral("old.png")); // read once the drop returned
        }
        settle();
        QCOMPARE(state.name(2), loaded.isEmpty() ? QStringLiteral("old.png") : loaded);
        QCOMPARE(state.image(2).width(), loaded.isEmpty() ? 32 : 64);
        QCOMPARE(state.crop(2).has_value(), loaded.isEmpty()); // a new image has no crop
        QCOMPARE(changes, loaded.isEmpty() ? 0 : 1);
        QVERIFY(state.image(1).isNull());
    }

    void fileButtonLoadsInTheBackground()
    {
        WindowState state;
        int changes = 0;
        DropZoneView panel(state, 2, QStringLiteral("🟣  画像 2 (LAO)"), Qt::blue,
                           [&] { ++changes; });
        QStringList answers{m_path[1], QString()}; // the second dialog is cancelled
        panel.setOpenFileDialog(
            [&](QWidget* parent) { return parent == &panel ? answers.takeFirst() : QString(); });
        panel.show();
        QTest::mouseClick(panel.fileButton(), Qt::LeftButton);
        QVERIFY(state.name(2).isEmpty()); // the window goes on while the file decodes
        QTRY_COMPARE(state.name(2), QStringLiteral("b.bmp"));
        state.setCrop(2, QRectF(2, 2, 8, 8));
        QTest::mouseClick(panel.fileButton(), Qt::LeftButton);
        settle();
        QVERIFY(answers.isEmpty());
        QCOMPARE(state.name(2), QStringLiteral("b.bmp"));
        QCOMPARE(state.crop(2), std::optional<QRectF>(QRectF(2, 2, 8, 8)));
        QCOMPARE(changes, 1);
    }

    // Choices made one after another for slot 1, each before the one before
    // it is decoded; the last one that decodes is what the slot shows.
    void latestChoiceWins_data()
    {
        QTest::addColumn<QStringList>("choices");
        QTest::addColumn<QString>("shown");
        const QString slow =
            writeImage(QDir(m_dir.path()), QStringLiteral("slow.png"), quadrantImage(2000, 2000));
        QTest::newRow("a quick newer choice beats a slow older one")
            << QStringList{slow, m_path[1]} << QStringLiteral("b.bmp");
        QTest::newRow("a refused newer choice leaves the older")
            << QStringList{m_path[1], m_path[3]} << QStringLiteral("b.bmp");
    }
    void latestChoiceWins()
    {
        QFETCH(QStringList, choices);
        QFETCH(QString, shown);
        WindowState state;
        for (const QString& path : choices)
            loadImage(state, 1, path, {});
        settle();
        QCOMPARE(state.name(1), shown);
        QVERIFY(state.name(2).isEmpty());
    }

    void closingTheWindowDropsPendingPictures()
    {
        int changes = 0;
        auto* state = new WindowState;
        loadImage(*state, 1, m_path[0], [&] { ++changes; });
        delete state;
        settle();
        QCOMPARE(changes, 0);
    }

private:
    // Waits for every decode to end and delivers what they made.
    static void settle()
    {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
};

QTEST_MAIN(ImageLoadingTest)
#include "tst_imageloading.moc"
