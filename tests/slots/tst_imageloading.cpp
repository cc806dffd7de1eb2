#include "app/RoundedButton.h"
#include "app/WindowState.h"
#include "slots/DropArea.h"
#include "slots/DropZoneView.h"
#include "slots/ImageFile.h"
#include "slots/SlotLoading.h"

#include "support/SlotFixtures.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QtEndian>

#include <memory>

using OptString = std::optional<QString>;
Q_DECLARE_METATYPE(OptString)

namespace {

quint32 crc32(const QByteArray& bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG whose header claims another size (with a valid checksum).
QByteArray pngClaiming(QByteArray png, quint32 width, quint32 height)
{
    // Signature (8), chunk length (4), "IHDR" (4), then width and height.
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    const quint32 crc = crc32(png.mid(12, 4 + 13));
    qToBigEndian(crc, png.data() + 29);
    return png;
}

// A JPEG with an Exif block whose orientation tag says "turn 90 degrees
// clockwise to show", placed right after the JFIF header.
QByteArray jpegWithOrientation(const QByteArray& jpeg, quint16 orientation)
{
    QByteArray exif;
    exif += QByteArray::fromHex("ffe1");
    exif += QByteArray::fromHex("0022"); // segment length 34
    exif += QByteArray("Exif\0\0", 6);
    exif += QByteArray::fromHex("4d4d002a00000008");   // big-endian TIFF header
    exif += QByteArray::fromHex("0001");               // one entry
    exif += QByteArray::fromHex("011200030000000100"); // Orientation, SHORT, 1
    exif += char(orientation);
    exif += QByteArray::fromHex("0000");
    exif += QByteArray::fromHex("00000000"); // no next directory
    const int app0Length = (quint8(jpeg[4]) << 8) | quint8(jpeg[5]);
    const int insertAt = 4 + app0Length;
    return jpeg.left(insertAt) + exif + jpeg.mid(insertAt);
}

QMimeData* urlsMime(const QStringList& paths)
{
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    mime->setUrls(urls);
    return mime;
}

} // namespace

class ImageLoadingTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_png;    // 64 x 48 PNG
    QString m_second; // 32 x 32 PNG
    QString m_third;  // 16 x 16 BMP
    QString m_text;   // a text file

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QDir dir(m_dir.path());
        m_png = writeImage(dir, QStringLiteral("RAO 1.png"), quadrantImage(64, 48));
        m_second = writeImage(dir, QStringLiteral("second.png"), quadrantImage(32, 32));
        m_third = writeImage(dir, QStringLiteral("third.bmp"), quadrantImage(16, 16));
        m_text = writeBytes(dir, QStringLiteral("notes.png"), "not an image at all\n");
        QVERIFY(!m_png.isEmpty() && !m_second.isEmpty() && !m_third.isEmpty() && !m_text.isEmpty());
    }

    void sizeLimits_data()
    {
        QTest::addColumn<qint64>("width");
        QTest::addColumn<qint64>("height");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("largest square") << qint64(16384) << qint64(16384) << true;
        QTest::newRow("one wider") << qint64(16385) << qint64(1) << false;
        QTest::newRow("one taller") << qint64(1) << qint64(16385) << false;
        QTest::newRow("empty") << qint64(0) << qint64(0) << true;
        QTest::newRow("negative") << qint64(-1) << qint64(10) << false;
    }
    void sizeLimits()
    {
        QFETCH(qint64, width);
        QFETCH(qint64, height);
        QFETCH(bool, allowed);
        QCOMPARE(imageSizeAllowed(width, height), allowed);
    }

    void decodesEveryOfferedFormat_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("png") << "a.png";
        QTest::newRow("jpeg") << "a.jpg";
        QTest::newRow("bmp") << "a.bmp";
        QTest::newRow("tiff") << "a.tiff";
    }
    void decodesEveryOfferedFormat()
    {
        QFETCH(QString, name);
        const QString path = writeImage(QDir(m_dir.path()), name, quadrantImage(30, 20));
        QVERIFY(!path.isEmpty());
        const std::optional<QImage> image = decodeImageFile(path);
        QVERIFY(image);
        QCOMPARE(image->size(), QSize(30, 20));
    }

    void decodesGif()
    {
        // Qt cannot write GIF: a 2 x 1 image, red and blue, written by hand.
        const QByteArray gif = QByteArray::fromHex("474946383961"    // GIF89a
                                                   "020001008000 00" // 2 x 1, two colours
                                                   "ff0000 0000ff"   // red, blue
                                                   "2c000000000200010000"
                                                   "02 02440a00" // codes: clear 0 1 end
                                                   "3b");
        const QString path = writeBytes(QDir(m_dir.path()), QStringLiteral("a.gif"), gif);
        const std::optional<QImage> image = decodeImageFile(path);
        QVERIFY(image);
        QCOMPARE(image->size(), QSize(2, 1));
    }

    void refusesBadFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        const QDir dir(m_dir.path());
        const QByteArray png =
            readBytes(writeImage(dir, QStringLiteral("src.png"), quadrantImage(300, 200)));
        const QByteArray jpeg =
            readBytes(writeImage(dir, QStringLiteral("src.jpg"), quadrantImage(300, 200), 90));
        const QByteArray bmp =
            readBytes(writeImage(dir, QStringLiteral("src.bmp"), quadrantImage(300, 200)));
        QVERIFY(!png.isEmpty() && !jpeg.isEmpty() && !bmp.isEmpty());

        QTest::newRow("text") << "t.png" << QByteArray("hello\n");
        QTest::newRow("empty file") << "e.png" << QByteArray();
        QTest::newRow("random bytes") << "r.jpg" << QByteArray(5000, '\x5a');
        QTest::newRow("png cut in half") << "half.png" << png.left(png.size() / 2);
        QTest::newRow("jpeg cut at 90%") << "cut.jpg" << jpeg.left(jpeg.size() * 9 / 10);
        QTest::newRow("jpeg without its end") << "end.jpg" << jpeg.chopped(2);
        QTest::newRow("bmp cut short") << "cut.bmp" << bmp.left(bmp.size() * 6 / 10);
        QTest::newRow("png claiming 100000 x 100000")
            << "huge.png" << pngClaiming(png, 100000, 100000);
        QTest::newRow("png claiming 16385 x 200") << "wide.png" << pngClaiming(png, 16385, 200);
        QByteArray hugeBmp = bmp;
        qToLittleEndian(qint32(20000), hugeBmp.data() + 18);
        qToLittleEndian(qint32(20000), hugeBmp.data() + 22);
        QTest::newRow("bmp claiming 20000 x 20000") << "huge.bmp" << hugeBmp;
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
    }

    void loadsTheLargestAllowedWidth()
    {
        const QDir dir(m_dir.path());
        const QString ok = writeImage(dir, QStringLiteral("w16384.png"), quadrantImage(16384, 2));
        const QString wide = writeImage(dir, QStringLiteral("w16385.png"), quadrantImage(16385, 2));
        QVERIFY(decodeImageFile(ok));
        QVERIFY(!decodeImageFile(wide));
    }

    void loadsAboveTheDecodersUsualCeiling()
    {
        // 16384 x 2100 pixels decode to 131 MiB, more than Qt allows by default.
        QImage big(16384, 2100, QImage::Format_RGB32);
        big.fill(QColor(30, 60, 90));
        const QString path = writeImage(QDir(m_dir.path()), QStringLiteral("big.png"), big);
        big = QImage();
        QVERIFY(!path.isEmpty());
        const std::optional<QImage> image = decodeImageFile(path);
        QVERIFY(image);
        QCOMPARE(image->size(), QSize(16384, 2100));
        QFile::remove(path);
    }

    void honoursJpegOrientation()
    {
        const QByteArray plain = readBytes(
            writeImage(QDir(m_dir.path()), QStringLiteral("o.jpg"), quadrantImage(40, 20), 100));
        const QString path = writeBytes(QDir(m_dir.path()), QStringLiteral("rotated.jpg"),
                                        jpegWithOrientation(plain, 6));
        const std::optional<QImage> image = decodeImageFile(path);
        QVERIFY(image);
        // Turned a quarter clockwise: 20 wide, 40 tall, the old bottom-left
        // (green) now at the top-left and the old top-left (red) at the top-right.
        QCOMPARE(image->size(), QSize(20, 40));
        QVERIFY(near(image->pixelColor(5, 10), Qt::green, 40));
        QVERIFY(near(image->pixelColor(15, 10), Qt::red, 40));
        QVERIFY(near(image->pixelColor(5, 30), Qt::white, 40));
        QVERIFY(near(image->pixelColor(15, 30), Qt::blue, 40));
    }

    void ignoresTheScaleInAFileName()
    {
        const QString path =
            writeImage(QDir(m_dir.path()), QStringLiteral("icon@2x.png"), quadrantImage(20, 10));
        const std::optional<QImage> image = decodeImageFile(path);
        QVERIFY(image);
        QCOMPARE(image->devicePixelRatio(), 1.0);
    }

    void loadSetsImageNameAndNoCrop()
    {
        WindowState state;
        state.setCrop(2, QRectF(1, 2, 3, 3));
        state.setName(2, QStringLiteral("old.png"));
        int changes = 0;
        QVERIFY(loadImage(state, 2, m_png, [&] { ++changes; }));
        QCOMPARE(state.image(2).size(), QSize(64, 48));
        QCOMPARE(state.name(2), QStringLiteral("RAO 1.png"));
        QCOMPARE(state.crop(2), std::nullopt);
        QCOMPARE(changes, 1);
        QVERIFY(state.image(1).isNull());
    }

    void failedLoadChangesNothing()
    {
        WindowState state;
        QVERIFY(loadImage(state, 1, m_png, {}));
        state.setCrop(1, QRectF(1, 2, 3, 3));
        const qint64 key = state.image(1).cacheKey();
        int changes = 0;
        QVERIFY(!loadImage(state, 1, m_text, [&] { ++changes; }));
        QCOMPARE(state.image(1).cacheKey(), key);
        QCOMPARE(state.name(1), QStringLiteral("RAO 1.png"));
        QCOMPARE(state.crop(1), std::optional<QRectF>(QRectF(1, 2, 3, 3)));
        QCOMPARE(changes, 0);
    }

    void dragLocations_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptString>("location");
        const QByteArray none;
        QTest::newRow("uri list, first of three")
            << QByteArray("text/uri-list")
            << QByteArray("file:///data/a.png\r\nfile:///data/b.png\r\nfile:///data/c.png\r\n")
            << QString() << OptString(QStringLiteral("/data/a.png"));
        QTest::newRow("uri list with a comment")
            << QByteArray("text/uri-list")
            << QByteArray("# from a file manager\r\nfile:///x.jpg\r\n") << QString()
            << OptString(QStringLiteral("/x.jpg"));
        QTest::newRow("escaped characters")
            << QByteArray("text/uri-list") << QByteArray("file:///data/RAO%2030%C2%B0.png\r\n")
            << QString() << OptString(QStringLiteral("/data/RAO 30°.png"));
        QTest::newRow("remote first item is not fetched")
            << QByteArray("text/uri-list")
            << QByteArray("https://example.org/a.png\r\nfile:///data/b.png\r\n") << QString()
            << OptString();
        QTest::newRow("urls win over text")
            << QByteArray("text/uri-list") << QByteArray("file:///data/a.png\r\n")
            << QStringLiteral("/data/other.png") << OptString(QStringLiteral("/data/a.png"));
        QTest::newRow("file url as text") << none << none << QStringLiteral("file:///data/t.png")
                                          << OptString(QStringLiteral("/data/t.png"));
        QTest::newRow("absolute path as text")
            << none << none << QStringLiteral("  /data/p.png\n/data/q.png")
            << OptString(QStringLiteral("/data/p.png"));
        QTest::newRow("relative text") << none << none << QStringLiteral("p.png") << OptString();
        QTest::newRow("prose") << none << none << QStringLiteral("hello world") << OptString();
        QTest::newRow("nothing") << none << none << QString() << OptString();
    }
    void dragLocations()
    {
        QFETCH(QByteArray, format);
        QFETCH(QByteArray, data);
        QFETCH(QString, text);
        QFETCH(OptString, location);
        QMimeData mime;
        if (!format.isEmpty())
            mime.setData(QString::fromLatin1(format), data);
        if (!text.isEmpty())
            mime.setText(text);
        QCOMPARE(droppedFileLocation(&mime), location);
    }

    void dropLoadsOnlyTheFirstOfThree()
    {
        WindowState state;
        int changes = 0;
        DropZoneView panel(state, 1, QStringLiteral("🔵  画像 1 (RAO)"), Qt::blue,
                           [&] { ++changes; });
        DropArea* area = panel.dropArea();
        std::unique_ptr<QMimeData> mime(urlsMime({m_png, m_second, m_third}));

        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, mime.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(area, &enter);
        QVERIFY(enter.isAccepted());
        QVERIFY(panel.isTargeted());

        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, mime.get(), Qt::LeftButton,
                        Qt::NoModifier);
        QCoreApplication::sendEvent(area, &drop);
        QVERIFY(drop.isAccepted());
        QVERIFY(!panel.isTargeted());
        // The file is read after the drop has returned.
        QVERIFY(state.image(1).isNull());
        QTRY_COMPARE(state.name(1), QStringLiteral("RAO 1.png"));
        QCOMPARE(state.image(1).size(), QSize(64, 48));
        QCOMPARE(changes, 1);
        QCoreApplication::processEvents();
        QCOMPARE(state.name(1), QStringLiteral("RAO 1.png"));
    }

    void dropOfAnUndecodableFileIsAcceptedButChangesNothing()
    {
        WindowState state;
        QVERIFY(loadImage(state, 2, m_second, {}));
        state.setCrop(2, QRectF(4, 4, 10, 10));
        int changes = 0;
        DropZoneView panel(state, 2, QStringLiteral("🟣  画像 2 (LAO)"), Qt::blue,
                           [&] { ++changes; });
        std::unique_ptr<QMimeData> mime(urlsMime({m_text}));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(panel.dropArea(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(panel.dropArea(), &drop);
        QVERIFY(drop.isAccepted());
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(state.name(2), QStringLiteral("second.png"));
        QCOMPARE(state.crop(2), std::optional<QRectF>(QRectF(4, 4, 10, 10)));
        QCOMPARE(changes, 0);
    }

    void dropOfAUrlGivenAsText()
    {
        WindowState state;
        DropZoneView panel(state, 1, QStringLiteral("🔵  画像 1 (RAO)"), Qt::blue, {});
        QMimeData mime;
        mime.setText(QUrl::fromLocalFile(m_second).toString());
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(panel.dropArea(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(panel.dropArea(), &drop);
        QTRY_COMPARE(state.name(1), QStringLiteral("second.png"));
    }

    void dragWithoutAFileIsRefused()
    {
        WindowState state;
        DropZoneView panel(state, 1, QStringLiteral("🔵  画像 1 (RAO)"), Qt::blue, {});
        QMimeData mime;
        mime.setText(QStringLiteral("just some words"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(panel.dropArea(), &enter);
        QVERIFY(!enter.isAccepted());
        QVERIFY(!panel.isTargeted());
    }

    void hoveringAndLeavingTogglesTargeted()
    {
        WindowState state;
        DropZoneView panel(state, 1, QStringLiteral("🔵  画像 1 (RAO)"), Qt::blue, {});
        std::unique_ptr<QMimeData> mime(urlsMime({m_png}));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(panel.dropArea(), &enter);
        QVERIFY(panel.isTargeted());
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(panel.dropArea(), &leave);
        QVERIFY(!panel.isTargeted());
        QVERIFY(state.image(1).isNull());
    }

    void fileButtonLoadsBeforeItReturns()
    {
        WindowState state;
        int changes = 0;
        DropZoneView panel(state, 2, QStringLiteral("🟣  画像 2 (LAO)"), Qt::blue,
                           [&] { ++changes; });
        int asked = 0;
        QString answer = m_second;
        panel.setOpenFileDialog([&](QWidget* parent) {
            ++asked;
            [&] { QCOMPARE(parent, static_cast<QWidget*>(&panel)); }();
            return answer;
        });
        panel.show();
        QTest::mouseClick(panel.fileButton(), Qt::LeftButton);
        QCOMPARE(asked, 1);
        QCOMPARE(state.name(2), QStringLiteral("second.png"));
        QCOMPARE(changes, 1);

        // Cancelled: nothing changes.
        state.setCrop(2, QRectF(2, 2, 8, 8));
        answer.clear();
        panel.openFilePicker();
        QCOMPARE(asked, 2);
        QCOMPARE(state.name(2), QStringLiteral("second.png"));
        QCOMPARE(state.crop(2), std::optional<QRectF>(QRectF(2, 2, 8, 8)));
        QCOMPARE(changes, 1);
    }
};

QTEST_MAIN(ImageLoadingTest)
#include "tst_imageloading.moc"
