#include "imaging/DicomPicture.h"
#include "imaging/ImageFile.h"

#include "support/DicomFiles.h"
#include "support/SlotFixtures.h"

#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cmath>
#include <numeric>
#include <sys/stat.h>

using testsupport::DicomTestFile;
using Expected = std::function<QRgb(int x, int y)>;
Q_DECLARE_METATYPE(DicomTestFile)
Q_DECLARE_METATYPE(Expected)

namespace {

// Where `v` falls in the linear window of centre `c` and width `w`, 0 to 255.
double windowed(double v, double c, double w)
{
    return ((v - (c - 0.5)) / (w - 1) + 0.5) * 255;
}

QRgb grey(double v)
{
    const int g = int(std::lround(std::clamp(v, 0.0, 255.0)));
    return qRgb(g, g, g);
}

} // namespace

class DicomTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void showsWhatTheLabShows_data()
    {
        QTest::addColumn<DicomTestFile>("recipe");
        QTest::addColumn<Expected>("expected");
        QTest::addColumn<int>("tolerance");
        DicomTestFile ramp; // 0 at the left, 4089 at the right
        ramp.value = [](int, int x, int, int) { return x * 87; };
        DicomTestFile stored = ramp;
        stored.window = {1000, 2000};
        stored.syntax = EXS_LittleEndianImplicit;
        QTest::newRow("stored window, implicit syntax")
            << stored << Expected([](int x, int) { return grey(windowed(x * 87, 1000, 2000)); })
            << 1;
        stored.syntax = EXS_LittleEndianExplicit;
        stored.value = [](int, int x, int, int) { return x * 87 - 2048; };
        stored.rescale = {2, 100}; // shown as x * 174 - 3996, then windowed
        QTest::newRow("signed 16-bit, rescaled before the window")
            << stored
            << Expected([](int x, int) { return grey(windowed(x * 174 - 3996, 1000, 2000)); }) << 1;
        // Without a stored window: the frame's own range, darkest to brightest.
        QTest::newRow("own range without a window")
            << ramp << Expected([](int x, int) { return grey(x * 255.0 / 47); }) << 1;
        ramp.photometric = "MONOCHROME1";
        ramp.syntax = EXS_RLELossless;
        QTest::newRow("MONOCHROME1, RLE: low values bright")
            << ramp << Expected([](int x, int) { return grey(255 - x * 255.0 / 47); }) << 1;

        DicomTestFile rgb;
        rgb.photometric = "RGB";
        rgb.bitsAllocated = rgb.bitsStored = 8;
        rgb.value = [](int, int x, int y, int s) { return s == 0 ? x * 5 : s == 1 ? y * 7 : 200; };
        rgb.syntax = EXS_JPEGLSLossless;
        const Expected rgbExpected = [](int x, int y) { return qRgb(x * 5, y * 7, 200); };
        QTest::newRow("RGB, JPEG-LS") << rgb << rgbExpected << 1;
        rgb.syntax = EXS_JPEGProcess1;
        QTest::newRow("JPEG baseline, stored as YBR_FULL_422") << rgb << rgbExpected << 6;

        DicomTestFile palette;
        palette.photometric = "PALETTE COLOR";
        palette.bitsAllocated = palette.bitsStored = 8;
        palette.value = [](int, int x, int, int) { return x * 5; };
        QTest::newRow("PALETTE COLOR through its tables")
            << palette << Expected([](int x, int) { return qRgb(x * 5, 255 - x * 5, 128); }) << 1;
    }
    void showsWhatTheLabShows()
    {
        QFETCH(DicomTestFile, recipe);
        QFETCH(Expected, expected);
        QFETCH(int, tolerance);
        const QString file = m_dir.filePath(QStringLiteral("pixels.dcm"));
        QVERIFY(testsupport::writeDicom(file, recipe));
        const auto source = openPictureSource(file);
        QVERIFY(source);
        const QImage frame = source->frame(0).value_or(QImage());
        for (const QPoint at : {QPoint(0, 0), QPoint(13, 5), QPoint(24, 17), QPoint(47, 31)})
            QVERIFY(near(frame.pixel(at), expected(at.x(), at.y()), tolerance));
    }

    void framesAndAngles_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("representative"); // 0: none stored
        QTest::addColumn<bool>("angles");
        QTest::addColumn<int>("initial");
        QTest::newRow("representative frame 4 of 5") << 5 << 4 << true << 3;
        QTest::newRow("representative frame past the end: the middle of 6") << 6 << 9 << false << 2;
        QTest::newRow("single frame without a frame count") << 1 << 0 << false << 0;
    }
    void framesAndAngles()
    {
        QFETCH(int, frames);
        QFETCH(int, representative);
        QFETCH(bool, angles);
        QFETCH(int, initial);
        DicomTestFile recipe;
        recipe.frames = frames;
        recipe.syntax = EXS_JPEGProcess14SV1;
        recipe.value = [](int f, int x, int, int) { return f * 500 + x; };
        recipe.window = {2048, 4096};
        recipe.representativeFrame = representative ? std::optional(representative) : std::nullopt;
        if (angles)
            recipe.angles = {-29.6, 20.4};
        const QString file = m_dir.filePath(QString::fromUtf8(QTest::currentDataTag()));
        QVERIFY(testsupport::writeDicom(file, recipe));
        // A pipe put at its name is refused, never waited on; the run opened
        // before reads what was opened, not what the name now points to.
        std::unique_ptr<QFile> opened = openRegularFile(file);
        QVERIFY(QFile::remove(file) && ::mkfifo(QFile::encodeName(file).constData(), 0600) == 0);
        QVERIFY(!openPictureSource(file));
        const auto source = openDicomPicture(std::move(opened));
        QVERIFY(source);
        QCOMPARE(source->frameCount(), frames);
        QCOMPARE(source->initialFrame(), initial);
        const auto projection = source->projection();
        QCOMPARE(projection ? projectionText(*projection) : "", angles ? "RAO 30°  CRA 20°" : "");
        std::vector<int> all(static_cast<size_t>(frames));
        std::iota(all.rbegin(), all.rend(), 0); // every frame decoded ahead, the last first
        source->prefetch(all);
        for (int f = 0, waited = 0; f < frames && waited++ < 1000;)
            source->readyFrame(f) ? void(++f) : QThread::msleep(10);
        for (int f = 0; f < frames; ++f)
            QVERIFY(near(source->readyFrame(f).value_or(QImage()).pixel(0, 0),
                         grey(windowed(f * 500, 2048, 4096)), 1));
    }

    void projectionRows_data()
    {
        QTest::addColumn<double>("primary");
        QTest::addColumn<double>("secondary");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("mismatch");
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
        const ProjectionRow row = projectionRow(Projection{primary, secondary}, slot);
        QTEST(row.text, "text");
        QTEST(row.mismatch, "mismatch");
    }

    void refusesHostileFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        using testsupport::rawDicom;
        const QByteArray whole = rawDicom({.frames = 3, .pixelBytes = 32 * 48 * 2 * 3});
        QTest::newRow("cut off") << whole.left(whole.size() * 2 / 3);
        QTest::newRow("pixel data shorter than its frames")
            << rawDicom({.frames = 3, .pixelBytes = 32 * 48 * 2 * 2});
        QTest::newRow("60000 x 60000 x 500 declared")
            << rawDicom({.rows = 60000, .columns = 60000, .frames = 500, .pixelBytes = 64});
        QTest::newRow("structured report: no pixel data") << rawDicom({.pixelBytes = -1});
        QTest::newRow("deflate bomb") << rawDicom({.deflatedMiB = 300});
        QTest::newRow("5000 nested sequences") << rawDicom({.nesting = 5000});
    }
    void refusesHostileFiles()
    {
        QFETCH(QByteArray, bytes);
        const QString file = writeBytes(QDir(m_dir.path()), QStringLiteral("hostile.dcm"), bytes);
        QVERIFY(!openPictureSource(file));
    }
};

QTEST_APPLESS_MAIN(DicomTest)
#include "tst_dicom.moc"
