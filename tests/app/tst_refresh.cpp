#include "app/ContentView.h"
#include "support/Pixels.h"

#include <QColorSpace>
#include <QSignalSpy>
#include <QTest>

#include <functional>

using testsupport::Rgba;
using testsupport::rgbaAt;
using testsupport::solidImage;

namespace {

const QString missingBoth = QStringLiteral("2枚の画像を選択してください");
const QString missing1 = QStringLiteral("画像1を選択してください");
const QString missing2 = QStringLiteral("画像2を選択してください");
const QString invalid = QStringLiteral("❌  パラメータに不正な値があります");
const QString failed = QStringLiteral("❌  合成に失敗しました");

// Sets one of the ten recomposition fields from text.
void setField(WindowState& s, const QString& field, const QString& v)
{
    const qint64 n = v.toLongLong();
    const QHash<QString, std::function<void()>> setters{
        {"canvasW", [&] { s.setCanvasW(v); }}, {"canvasH", [&] { s.setCanvasH(v); }},
        {"imgSize", [&] { s.setImgSize(v); }}, {"cx1", [&] { s.setCx1(v); }},
        {"cx2", [&] { s.setCx2(v); }},         {"cy", [&] { s.setCy(v); }},
        {"borderR", [&] { s.setBorderR(n); }}, {"borderG", [&] { s.setBorderG(n); }},
        {"borderB", [&] { s.setBorderB(n); }}, {"borderA", [&] { s.setBorderA(n); }}};
    setters[field]();
}

// Both images loaded and composed once, as after two loads.
void loadBoth(ContentView& view)
{
    view.state().setImage1(solidImage(200, 200, Qt::red));
    view.state().setImage2(solidImage(200, 200, Qt::blue));
    view.refresh();
}

void row(const char* name, const char* steps, const QString& message)
{
    QTest::newRow(name) << QString::fromUtf8(steps) << message;
}

} // namespace

class RefreshTest : public QObject {
    Q_OBJECT

private slots:
    void initialState()
    {
        ContentView view;
        const WindowState& s = view.state();
        QCOMPARE(QStringList({s.canvasW(), s.canvasH(), s.imgSize(), s.cx1(), s.cx2(), s.cy()}),
                 QStringList({"1190", "600", "580", "300", "890", "300"}));
        QCOMPARE(QList<qint64>({s.borderR(), s.borderG(), s.borderB(), s.borderA()}),
                 QList<qint64>({204, 255, 204, 255}));
        QCOMPARE(s.statusMsg(), missingBoth);
        QCOMPARE(s.exportName(), "Pairvue.png");
        QVERIFY(s.image1().isNull() && s.image2().isNull() && !s.crop1() && !s.crop2());
        QVERIFY(s.resultCG().isNull() && !s.exportDoc() && !s.showExporter());
        QVERIFY(!s.canGenerate() && !s.canSave());
    }

    // Steps "field=value;..." run through the change handlers; "image1="
    // takes image 1 away and recomposes, which removes the composite. A
    // failure after that keeps the last composite; putting the value right
    // composes again.
    void refresh_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("message");
        row("image 1 taken away", "image1=", missing1);
        row("image 2 taken away", "image2=", missing2);
        row("both taken away", "image2=;image1=", missing1);
        row("canvasW empty", "canvasW=", invalid);
        row("canvasH blank", "canvasH= 600", invalid);
        row("imgSize decimal", "imgSize=600.0", invalid);
        row("cx1 exponent", "cx1=6e2", invalid);
        row("cx2 lone sign", "cx2=-", invalid);
        row("cy too large", "cy=9223372036854775808", invalid);
        row("cy full-width", "cy=６００", invalid);
        row("canvasW 0", "canvasW=0", invalid);
        row("canvasH -1", "canvasH=-1", invalid);
        row("imgSize 0", "imgSize=0", invalid);
        row("imgSize -5", "imgSize=-5", invalid);
        row("canvas too wide", "canvasW=32768", failed);
        row("canvas too tall", "canvasH=40000", failed);
        row("canvas far too wide", "canvasW=9223372036854775807", failed);
        row("canvas area too large", "canvasW=16385;canvasH=16385", failed);
        row("plus sign", "canvasW=+600", "");
        row("leading zeros", "canvasH=0400", "");
        row("zero and negative centres", "cx1=-100;cx2=0", "");
        row("extreme centre", "cx1=-9000000000000000000", "");
        row("extreme size", "imgSize=9000000000000000000", "");
        row("centre y beyond the canvas", "cy=9000000000000000000", "");
    }
    void refresh()
    {
        QFETCH(QString, steps);
        QFETCH(QString, message);
        ContentView view;
        WindowState& s = view.state();
        loadBoth(view);
        qint64 before = 0, shown = 0;
        QString field;
        for (const QString& step : steps.split(';')) {
            before = s.resultCG().cacheKey();
            shown = s.resultImage().cacheKey();
            field = step.section('=', 0, 0);
            if (field.startsWith("image")) {
                s.setImage(field.back().digitValue(), QImage());
                view.refresh();
            } else {
                setField(s, field, step.section('=', 1));
            }
        }
        QCOMPARE(s.statusMsg(), message);
        if (field.startsWith("image")) {
            QVERIFY(s.resultCG().isNull() && s.resultImage().isNull() && !s.canSave());
            return;
        }
        QCOMPARE(s.resultCG().cacheKey() == before, !message.isEmpty());
        QCOMPARE(s.resultImage().cacheKey() == shown, !message.isEmpty());
        QVERIFY(s.canSave());
        if (!message.isEmpty()) {
            setField(s, field, "400");
            QCOMPARE(s.statusMsg(), QString());
            QVERIFY(s.resultCG().cacheKey() != before);
        }
    }

    // The composite through the window: format, size, orientation, the
    // premultiplied background and the crop (snapped to whole pixels).
    void compositeFormatAndCrop()
    {
        ContentView view;
        WindowState& s = view.state();
        QImage halves = solidImage(200, 100, Qt::blue); // red on the left
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                halves.setPixelColor(x, y, Qt::red);
        s.setImage1(halves);
        s.setImage2(halves);
        s.setCrop1(QRectF(100.4, 0.5, 99.2, 99.2)); // snaps to (100, 0, 100, 100)
        s.setCanvasW("801");
        s.setCanvasH("333");
        s.setBorderA(128);
        view.refresh();
        const QImage& cg = s.resultCG();
        QCOMPARE(cg.format(), QImage::Format_RGBA8888_Premultiplied);
        QCOMPARE(cg.colorSpace(), QColorSpace(QColorSpace::SRgb));
        QCOMPARE(cg.size(), QSize(801, 333));
        QCOMPARE(s.resultImage().deviceIndependentSize(), QSizeF(801, 333));
        QCOMPARE(rgbaAt(cg, 0, 0), (Rgba{102, 128, 102, 128}));
        QCOMPARE(rgbaAt(cg, 20, 300), (Rgba{0, 0, 255, 255}));
        QCOMPARE(rgbaAt(cg, 580, 300), (Rgba{0, 0, 255, 255}));
        // Picture 2 is the whole 2:1 image, 580 x 290 around (890, 300):
        // from row 155 down, red on the left.
        QCOMPARE(rgbaAt(cg, 620, 150), (Rgba{102, 128, 102, 128}));
        QCOMPARE(rgbaAt(cg, 620, 160), (Rgba{255, 0, 0, 255}));
    }

    // Each of the ten fields recomposes once for a change and not at all for
    // the value it already has.
    void changeHandlers_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("same");
        QTest::addColumn<QString>("changed");
        const char* rows[][3] = {{"canvasW", "1190", "119"}, {"canvasH", "600", "6000"},
                                 {"imgSize", "580", "58"},   {"cx1", "300", "30"},
                                 {"cx2", "890", "89"},       {"cy", "300", "3001"},
                                 {"borderR", "204", "0"},    {"borderG", "255", "254"},
                                 {"borderB", "204", "205"},  {"borderA", "255", "0"}};
        for (const auto& r : rows)
            QTest::newRow(r[0]) << QString(r[0]) << QString(r[1]) << QString(r[2]);
    }
    void changeHandlers()
    {
        QFETCH(QString, field);
        QFETCH(QString, same);
        QFETCH(QString, changed);
        ContentView view;
        loadBoth(view);
        // Every successful composition stores a new composite once.
        QSignalSpy runs(&view.state(), &WindowState::resultCGChanged);
        for (const QString& v : {same, changed, changed, same})
            setField(view.state(), field, v);
        QCOMPARE(runs.count(), 2);
    }

    void imagesAndCropsAreNotWatched()
    {
        ContentView view;
        WindowState& s = view.state();
        QSignalSpy status(&s, &WindowState::statusMsgChanged);
        s.setImage1(solidImage(10, 10, Qt::red));
        s.setCrop1(QRectF(1, 1, 5, 5));
        s.setImage2(solidImage(10, 10, Qt::blue));
        s.setCrop2(QRectF(1, 1, 5, 5));
        QCOMPARE(status.count(), 0);
        QVERIFY(s.resultCG().isNull());
        // A change handler runs refresh even with no image, which asks for one.
        s.setImage1(QImage());
        s.setBorderR(0);
        QCOMPARE(s.statusMsg(), missing1);
    }

    void clearImages()
    {
        ContentView view;
        WindowState& s = view.state();
        s.setName1("rao.png");
        s.setCrop2(QRectF(20, 20, 50, 50));
        s.setCanvasW("1000");
        s.setExportName("keep.png");
        s.setShowExporter(true);
        const QImage first = solidImage(120, 80, Qt::red);
        s.setImage1(first);
        s.setImage2(solidImage(80, 120, Qt::blue));
        view.refresh();
        QVERIFY(s.canSave() && !first.isDetached());
        view.clearImages();
        QVERIFY(first.isDetached()); // nothing of the images is held any more
        QVERIFY(s.image1().isNull() && s.image2().isNull() && s.name1().isEmpty() && !s.crop2());
        QVERIFY(s.resultCG().isNull() && s.resultImage().isNull() && !s.canSave());
        QVERIFY(!s.exportDoc() && !s.showExporter());
        // No recomposition followed: that would have asked for image 1.
        QCOMPARE(s.statusMsg(), missingBoth);
        // The parameters and the proposed name stay.
        QCOMPARE(s.canvasW(), "1000");
        QCOMPARE(s.exportName(), "keep.png");
    }
};

QTEST_MAIN(RefreshTest)
#include "tst_refresh.moc"
