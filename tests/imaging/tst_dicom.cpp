#include "imaging/PictureSource.h"

#include "support/DicomFiles.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using testsupport::DicomSpec;
using Expected = std::function<QRgb(int x, int y)>;
Q_DECLARE_METATYPE(DicomSpec)
Q_DECLARE_METATYPE(Expected)

namespace {

// The display value of `v` through the linear window of centre `c` and width `w`.
int windowed(double v, double c, double w)
{
    const double t = ((v - (c - 0.5)) / (w - 1) + 0.5) * 255;
    return int(std::lround(std::clamp(t, 0.0, 255.0)));
}

QRgb grey(int v)
{
    return qRgb(v, v, v);
}

// A 12-bit ramp along x: 0 at the left, 4089 at the right of 48 columns.
int ramp(int, int x, int, int)
{
    return x * 87;
}

// An image from explicit little endian elements with the given pixel module.
QByteArray imageFile(int rows, int columns, int frames, int pixelBytes,
                     const char* syntax = "1.2.840.10008.1.2.1")
{
    using testsupport::element;
    auto us = [](int v) { return QByteArray(1, char(v & 0xFF)) + char((v >> 8) & 0xFF); };
    return testsupport::dicomFileBytes(
        syntax,
        element(0x0010, 0x0010, "PN", "YAMADA^TARO ") + element(0x0028, 0x0002, "US", us(1)) +
            element(0x0028, 0x0004, "CS", "MONOCHROME2 ") +
            element(0x0028, 0x0008, "IS", QByteArray::number(frames).leftJustified(4, ' ')) +
            element(0x0028, 0x0010, "US", us(rows)) + element(0x0028, 0x0011, "US", us(columns)) +
            element(0x0028, 0x0100, "US", us(16)) + element(0x0028, 0x0101, "US", us(12)) +
            element(0x0028, 0x0102, "US", us(11)) + element(0x0028, 0x0103, "US", us(0)) +
            element(0x7FE0, 0x0010, "OW", QByteArray(pixelBytes, '\x10')));
}

} // namespace

class DicomTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    void showsWhatTheLabShows_data()
    {
        QTest::addColumn<DicomSpec>("spec");
        QTest::addColumn<Expected>("expected");

        DicomSpec stored;
        stored.value = ramp;
        stored.window = {2048, 4096};
        const Expected storedWindow = [](int x, int) { return grey(windowed(x * 87, 2048, 4096)); };
        QTest::newRow("stored window, uncompressed") << stored << storedWindow;
        for (const auto& [name, syntax] :
             {std::pair{"stored window, implicit syntax", EXS_LittleEndianImplicit},
              std::pair{"stored window, RLE", EXS_RLELossless},
              std::pair{"stored window, JPEG lossless", EXS_JPEGProcess14SV1},
              std::pair{"stored window, JPEG-LS", EXS_JPEGLSLossless}}) {
            DicomSpec compressed = stored;
            compressed.syntax = syntax;
            QTest::newRow(name) << compressed << storedWindow;
        }

        // Without a stored window: the frame's own range, darkest to brightest.
        DicomSpec own;
        own.value = ramp;
        const Expected ownRange = [](int x, int) { return grey(int(std::lround(x * 255.0 / 47))); };
        QTest::newRow("own range without a window") << own << ownRange;
        DicomSpec inverted = own;
        inverted.photometric = "MONOCHROME1";
        QTest::newRow("MONOCHROME1: low values bright")
            << inverted
            << Expected([](int x, int) { return grey(255 - int(std::lround(x * 255.0 / 47))); });

        // Signed values through the rescale, then a window in rescaled units.
        DicomSpec rescaled;
        rescaled.bitsStored = 16;
        rescaled.signedPixels = true;
        rescaled.value = [](int, int x, int, int) { return -1000 + x * 40; };
        rescaled.rescale = {2, 100};
        rescaled.sopClass = UID_SecondaryCaptureImageStorage;
        rescaled.window = {100, 2000};
        QTest::newRow("signed 16 bit with rescale") << rescaled << Expected([](int x, int) {
            return grey(windowed(2 * (-1000 + x * 40) + 100, 100, 2000));
        });

        DicomSpec eight;
        eight.bitsAllocated = 8;
        eight.bitsStored = 8;
        eight.value = [](int, int x, int, int) { return x * 5; };
        eight.window = {128, 256};
        eight.syntax = EXS_RLELossless;
        QTest::newRow("8 bit RLE")
            << eight << Expected([](int x, int) { return grey(windowed(x * 5, 128, 256)); });

        DicomSpec rgb;
        rgb.photometric = "RGB";
        rgb.bitsAllocated = rgb.bitsStored = 8;
        rgb.value = [](int, int x, int y, int s) { return s == 0 ? x * 5 : s == 1 ? y * 7 : 200; };
        QTest::newRow("RGB") << rgb
                             << Expected([](int x, int y) { return qRgb(x * 5, y * 7, 200); });
        rgb.syntax = EXS_JPEGLSLossless;
        QTest::newRow("RGB, JPEG-LS")
            << rgb << Expected([](int x, int y) { return qRgb(x * 5, y * 7, 200); });
        DicomSpec ybr = rgb;
        ybr.photometric = "YBR_FULL";
        ybr.syntax = EXS_LittleEndianExplicit;
        ybr.value = [](int, int, int, int s) { return s == 0 ? 76 : s == 1 ? 85 : 255; };
        QTest::newRow("YBR_FULL red") << ybr << Expected([](int, int) { return qRgb(254, 0, 0); });
    }
    void showsWhatTheLabShows()
    {
        QFETCH(DicomSpec, spec);
        QFETCH(Expected, expected);
        const QString file = path("pixels.dcm");
        QVERIFY(testsupport::writeDicom(file, spec));
        const auto source = openPictureSource(file);
        QVERIFY(source);
        const std::optional<QImage> frame = source->frame(0);
        QVERIFY(frame);
        const bool colour = QByteArray(spec.photometric).startsWith("RGB") ||
                            QByteArray(spec.photometric).startsWith("YBR");
        QCOMPARE(frame->format(), colour ? QImage::Format_RGB32 : QImage::Format_Grayscale8);
        QCOMPARE(frame->size(), QSize(spec.columns, spec.rows));
        for (const QPoint at : {QPoint(0, 0), QPoint(13, 5), QPoint(24, 17), QPoint(47, 31)}) {
            const QRgb got = frame->pixel(at);
            const QRgb want = expected(at.x(), at.y());
            const int off =
                std::max({std::abs(qRed(got) - qRed(want)), std::abs(qGreen(got) - qGreen(want)),
                          std::abs(qBlue(got) - qBlue(want))});
            QVERIFY2(off <= 1, qPrintable(QStringLiteral("at %1,%2: %3 for %4")
                                              .arg(at.x())
                                              .arg(at.y())
                                              .arg(got, 8, 16)
                                              .arg(want, 8, 16)));
        }
    }

    void framesAndAngles_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("representative"); // 0: none stored
        QTest::addColumn<bool>("angles");
        QTest::addColumn<int>("initial");
        QTest::newRow("representative frame 4 of 5") << 5 << 4 << true << 3;
        QTest::newRow("no representative frame: the middle of 6") << 6 << 0 << false << 2;
        QTest::newRow("representative frame past the end: the middle") << 5 << 9 << true << 2;
        QTest::newRow("single frame") << 1 << 0 << false << 0;
    }
    void framesAndAngles()
    {
        QFETCH(int, frames);
        QFETCH(int, representative);
        QFETCH(bool, angles);
        QFETCH(int, initial);
        DicomSpec spec;
        spec.frames = frames;
        spec.syntax = EXS_JPEGProcess14SV1;
        spec.value = [](int f, int x, int, int) { return f * 500 + x; };
        spec.window = {2048, 4096};
        if (representative)
            spec.representativeFrame = representative;
        if (angles)
            spec.angles = {-29.6, 20.4};
        const QString file = path("run.dcm");
        QVERIFY(testsupport::writeDicom(file, spec));
        const auto source = openPictureSource(file);
        QVERIFY(source);
        QCOMPARE(source->frameCount(), frames);
        QCOMPARE(source->initialFrame(), initial);
        QCOMPARE(source->projection().has_value(), angles);
        if (angles)
            QCOMPARE(projectionText(*source->projection()), QStringLiteral("RAO 30°  CRA 20°"));
        for (int f = 0; f < frames; ++f) {
            const std::optional<QImage> image = source->frame(f);
            QVERIFY(image);
            QVERIFY(std::abs(qGray(image->pixel(0, 0)) - windowed(f * 500, 2048, 4096)) <= 1);
        }
        QVERIFY(!source->frame(frames));
    }

    void projectionRows_data()
    {
        QTest::addColumn<double>("primary");
        QTest::addColumn<double>("secondary");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("mismatch");
        QTest::newRow("RAO in slot 1") << -30.0 << 20.0 << 1 << "RAO 30°  CRA 20°" << false;
        QTest::newRow("LAO in slot 2, caudal") << 45.0 << -25.0 << 2 << "LAO 45°  CAU 25°" << false;
        QTest::newRow("LAO in slot 1 warns")
            << 45.0 << -25.0 << 1 << "LAO 45°  CAU 25°（この欄は RAO）" << true;
        QTest::newRow("RAO in slot 2 warns, halves away from zero, no zero secondary")
            << -30.5 << 0.4 << 2 << "RAO 31°（この欄は LAO）" << true;
        QTest::newRow("AP fits either slot") << -0.4 << -0.5 << 1 << "AP  CAU 1°" << false;
    }
    void projectionRows()
    {
        QFETCH(double, primary);
        QFETCH(double, secondary);
        QFETCH(int, slot);
        QFETCH(QString, text);
        QFETCH(bool, mismatch);
        const ProjectionRow row = projectionRow(Projection{primary, secondary}, slot);
        QCOMPARE(row.text, text);
        QCOMPARE(row.mismatch, mismatch);
    }

    void refusesHostileFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        DicomSpec spec;
        spec.frames = 3;
        QVERIFY(testsupport::writeDicom(path("whole.dcm"), spec));
        QFile whole(path("whole.dcm"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const QByteArray complete = whole.readAll();
        QTest::newRow("cut off") << complete.left(complete.size() * 2 / 3);
        QTest::newRow("pixel data shorter than its frames")
            << imageFile(32, 48, 3, 32 * 48 * 2 * 2);
        QTest::newRow("60000 x 60000 x 500 declared") << imageFile(60000, 60000, 500, 64);
        QTest::newRow("zero frames") << imageFile(32, 48, 0, 32 * 48 * 2);
        QTest::newRow("structured report: no pixel data") << testsupport::dicomFileBytes(
            "1.2.840.10008.1.2.1",
            testsupport::element(0x0008, 0x0016, "UI", "1.2.840.10008.5.1.4.1.1.88.11") +
                testsupport::element(0x0010, 0x0010, "PN", "YAMADA^TARO "));
        QTest::newRow("JPEG 2000") << imageFile(32, 48, 1, 32 * 48 * 2, "1.2.840.10008.1.2.4.90");
        QTest::newRow("deflate bomb") << testsupport::deflateBomb(300);
        QTest::newRow("5000 nested sequences") << testsupport::deeplyNested(5000);
        QTest::newRow("not DICOM at all") << QByteArray("\x08\x00\x05\x00 plain text", 18);
    }
    void refusesHostileFiles()
    {
        QFETCH(QByteArray, bytes);
        const QString file = path("hostile.dcm");
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(out.write(bytes), bytes.size());
        out.close();
        QVERIFY(!openPictureSource(file));
    }
};

QTEST_APPLESS_MAIN(DicomTest)
#include "tst_dicom.moc"
