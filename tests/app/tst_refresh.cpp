#include "app/ContentView.h"
#include "support/Pixels.h"

#include <QColorSpace>
#include <QSignalSpy>
#include <QTest>

#include <functional>

using testsupport::rgbaAt;
using testsupport::solidImage;

namespace {

const QString missingBoth = QStringLiteral("2枚の画像を選択してください");
const QString missingImage1 = QStringLiteral("画像1を選択してください");
const QString missingImage2 = QStringLiteral("画像2を選択してください");
const QString invalidParameter = QStringLiteral("❌  パラメータに不正な値があります");
const QString compositionFailed = QStringLiteral("❌  合成に失敗しました");

using TextSetter = void (WindowState::*)(const QString&);
using NumberSetter = void (WindowState::*)(qint64);

TextSetter textSetter(const QString& field)
{
    if (field == "canvasW")
        return &WindowState::setCanvasW;
    if (field == "canvasH")
        return &WindowState::setCanvasH;
    if (field == "imgSize")
        return &WindowState::setImgSize;
    if (field == "cx1")
        return &WindowState::setCx1;
    if (field == "cx2")
        return &WindowState::setCx2;
    return &WindowState::setCy;
}

NumberSetter numberSetter(const QString& field)
{
    if (field == "borderR")
        return &WindowState::setBorderR;
    if (field == "borderG")
        return &WindowState::setBorderG;
    if (field == "borderB")
        return &WindowState::setBorderB;
    return &WindowState::setBorderA;
}

// Sets one of the ten recomposition fields from text.
void setField(WindowState& s, const QString& field, const QString& value)
{
    if (field.startsWith("border"))
        (s.*numberSetter(field))(value.toLongLong());
    else
        (s.*textSetter(field))(value);
}

// Both images loaded and composed once, as after two loads.
void loadBoth(ContentView& view)
{
    view.state().setImage1(solidImage(200, 200, Qt::red));
    view.state().setImage2(solidImage(200, 200, Qt::blue));
    view.refresh();
}

} // namespace

class RefreshTest : public QObject {
    Q_OBJECT

private slots:
    void initialState()
    {
        ContentView view;
        const WindowState& s = view.state();
        QVERIFY(s.image1().isNull() && s.image2().isNull());
        QVERIFY(s.name1().isEmpty() && s.name2().isEmpty());
        QVERIFY(!s.crop1() && !s.crop2());
        QVERIFY(!s.hasSavedCropPair() && !s.savedCropPairAt());
        QCOMPARE(s.canvasW(), "1190");
        QCOMPARE(s.canvasH(), "600");
        QCOMPARE(s.imgSize(), "580");
        QCOMPARE(s.cx1(), "300");
        QCOMPARE(s.cx2(), "890");
        QCOMPARE(s.cy(), "300");
        QCOMPARE(s.borderR(), 204);
        QCOMPARE(s.borderG(), 255);
        QCOMPARE(s.borderB(), 204);
        QCOMPARE(s.borderA(), 255);
        QCOMPARE(s.statusMsg(), missingBoth);
        QVERIFY(s.resultImage().isNull() && s.resultCG().isNull());
        QVERIFY(!s.exportDoc() && !s.showExporter());
        QCOMPARE(s.exportName(), "Pairvue.png");
        QCOMPARE(WindowState::cropPairStorageKey, "Pairvue.savedCrops.both");
        QVERIFY(!s.canGenerate() && !s.canSave());
    }

    void missingImages_data()
    {
        QTest::addColumn<bool>("image1");
        QTest::addColumn<bool>("image2");
        QTest::addColumn<QString>("message");
        QTest::newRow("neither") << false << false << missingImage1;
        QTest::newRow("only image 2") << false << true << missingImage1;
        QTest::newRow("only image 1") << true << false << missingImage2;
    }
    void missingImages()
    {
        QFETCH(bool, image1);
        QFETCH(bool, image2);
        QFETCH(QString, message);
        ContentView view;
        loadBoth(view);
        QVERIFY(view.state().canSave());
        // Taking an image away and recomposing removes the composite.
        if (!image1)
            view.state().setImage1(QImage());
        if (!image2)
            view.state().setImage2(QImage());
        view.refresh();
        QCOMPARE(view.state().statusMsg(), message);
        QVERIFY(view.state().resultCG().isNull() && view.state().resultImage().isNull());
        QVERIFY(!view.state().canSave());
    }

    // Every failure after the image check keeps the last composite.
    void failuresKeepComposite_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        const QString invalid[] = {"",
                                   " 600",
                                   "600 ",
                                   "600.0",
                                   "6e2",
                                   "-",
                                   "+",
                                   "+-1",
                                   "abc",
                                   "9223372036854775808",
                                   "-9223372036854775809",
                                   "６００"};
        for (const char* field : {"canvasW", "canvasH", "imgSize", "cx1", "cx2", "cy"})
            for (const QString& text : invalid)
                QTest::addRow("%s '%s'", field, qPrintable(text))
                    << field << text << invalidParameter;
        QTest::newRow("canvasW 0") << "canvasW"
                                   << "0" << invalidParameter;
        QTest::newRow("canvasH -1") << "canvasH"
                                    << "-1" << invalidParameter;
        QTest::newRow("imgSize 0") << "imgSize"
                                   << "0" << invalidParameter;
        QTest::newRow("imgSize -5") << "imgSize"
                                    << "-5" << invalidParameter;
        QTest::newRow("canvas too wide") << "canvasW"
                                         << "32768" << compositionFailed;
        QTest::newRow("canvas too tall") << "canvasH"
                                         << "40000" << compositionFailed;
        QTest::newRow("canvas far too wide") << "canvasW"
                                             << "9223372036854775807" << compositionFailed;
    }
    void failuresKeepComposite()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        ContentView view;
        loadBoth(view);
        const qint64 before = view.state().resultCG().cacheKey();
        const qint64 shownBefore = view.state().resultImage().cacheKey();
        setField(view.state(), field, value); // the change handler recomposes
        QCOMPARE(view.state().statusMsg(), message);
        QCOMPARE(view.state().resultCG().cacheKey(), before);
        QCOMPARE(view.state().resultImage().cacheKey(), shownBefore);
        QVERIFY(view.state().canSave());
        // Putting the value right composes again and clears the message.
        setField(view.state(), field, "400");
        QCOMPARE(view.state().statusMsg(), QString());
        QVERIFY(view.state().resultCG().cacheKey() != before);
    }

    void areaTooLargeIsRefused()
    {
        ContentView view;
        loadBoth(view);
        view.state().setCanvasW("16385");
        view.state().setCanvasH("16385");
        QCOMPARE(view.state().statusMsg(), compositionFailed);
        QCOMPARE(view.state().resultCG().size(), QSize(16385, 600));
    }

    void acceptedParameters_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("plus sign") << "canvasW"
                                   << "+600";
        QTest::newRow("negative centre") << "cx1"
                                         << "-100";
        QTest::newRow("zero centre") << "cx2"
                                     << "0";
        QTest::newRow("centre beyond canvas") << "cy"
                                              << "99999999";
        QTest::newRow("leading zeros") << "canvasH"
                                       << "0400";
        QTest::newRow("extreme centre") << "cx1"
                                        << "-9000000000000000000";
        QTest::newRow("extreme size") << "imgSize"
                                      << "9000000000000000000";
    }
    void acceptedParameters()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        ContentView view;
        loadBoth(view);
        setField(view.state(), field, value);
        QCOMPARE(view.state().statusMsg(), QString());
        QVERIFY(!view.state().resultCG().isNull());
    }

    void compositeFormat()
    {
        ContentView view;
        WindowState& s = view.state();
        s.setImage1(solidImage(200, 100, Qt::red));
        s.setImage2(solidImage(200, 200, Qt::blue));
        s.setCanvasW("801");
        s.setCanvasH("333");
        s.setBorderA(128);
        view.refresh();
        const QImage& cg = s.resultCG();
        QCOMPARE(cg.format(), QImage::Format_RGBA8888_Premultiplied);
        QCOMPARE(cg.colorSpace(), QColorSpace(QColorSpace::SRgb));
        QCOMPARE(cg.size(), QSize(801, 333));
        QCOMPARE(s.resultImage().size(), QSize(801, 333));
        QCOMPARE(s.resultImage().deviceIndependentSize(), QSizeF(801, 333));
        // First row at the top: a background pixel, premultiplied.
        QCOMPARE(rgbaAt(cg, 0, 0), (testsupport::Rgba{102, 128, 102, 128}));
        // Picture 1 (2:1) is 580 x 290 around (300, 300): rows 155 .. 444.
        QCOMPARE(rgbaAt(cg, 300, 160), (testsupport::Rgba{255, 0, 0, 255}));
        QCOMPARE(rgbaAt(cg, 300, 150), (testsupport::Rgba{102, 128, 102, 128}));
    }

    void cropIsUsed()
    {
        ContentView view;
        WindowState& s = view.state();
        QImage halves = solidImage(200, 100, Qt::red);
        for (int y = 0; y < 100; ++y)
            for (int x = 100; x < 200; ++x)
                halves.setPixelColor(x, y, Qt::blue);
        s.setImage1(halves);
        s.setImage2(halves);
        s.setCrop1(QRectF(100.4, 0.5, 99.2, 99.2)); // snaps to (100, 0, 100, 100)
        view.refresh();
        QCOMPARE(rgbaAt(s.resultCG(), 20, 300), (testsupport::Rgba{0, 0, 255, 255}));
        QCOMPARE(rgbaAt(s.resultCG(), 580, 300), (testsupport::Rgba{0, 0, 255, 255}));
        // No crop on image 2: the whole 2:1 image, red on the left.
        QCOMPARE(rgbaAt(s.resultCG(), 620, 300), (testsupport::Rgba{255, 0, 0, 255}));
    }

    // Each of the ten fields recomposes once for a change and not at all for
    // the value it already has.
    void changeHandlers_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("same");
        QTest::addColumn<QString>("changed");
        QTest::newRow("canvasW, one keystroke") << "canvasW"
                                                << "1190"
                                                << "119";
        QTest::newRow("canvasH") << "canvasH"
                                 << "600"
                                 << "6000";
        QTest::newRow("imgSize") << "imgSize"
                                 << "580"
                                 << "58";
        QTest::newRow("cx1") << "cx1"
                             << "300"
                             << "30";
        QTest::newRow("cx2") << "cx2"
                             << "890"
                             << "89";
        QTest::newRow("cy") << "cy"
                            << "300"
                            << "3001";
        QTest::newRow("borderR") << "borderR"
                                 << "204"
                                 << "0";
        QTest::newRow("borderG") << "borderG"
                                 << "255"
                                 << "254";
        QTest::newRow("borderB") << "borderB"
                                 << "204"
                                 << "205";
        QTest::newRow("borderA") << "borderA"
                                 << "255"
                                 << "0";
    }
    void changeHandlers()
    {
        QFETCH(QString, field);
        QFETCH(QString, same);
        QFETCH(QString, changed);
        ContentView view;
        loadBoth(view);
        // Every run of a successful composition stores a new composite once.
        QSignalSpy runs(&view.state(), &WindowState::resultCGChanged);
        setField(view.state(), field, same);
        QCOMPARE(runs.count(), 0);
        setField(view.state(), field, changed);
        QCOMPARE(runs.count(), 1);
        setField(view.state(), field, changed);
        QCOMPARE(runs.count(), 1);
        setField(view.state(), field, same);
        QCOMPARE(runs.count(), 2);
    }

    void typingPassesThroughEveryValue()
    {
        ContentView view;
        loadBoth(view);
        QSignalSpy runs(&view.state(), &WindowState::resultCGChanged);
        QStringList widths;
        connect(&view.state(), &WindowState::resultCGChanged, &view,
                [&] { widths << QString::number(view.state().resultCG().width()); });
        for (const char* text : {"", "1", "12", "120", "1200"})
            view.state().setCanvasW(text);
        // The empty text fails (no new composite); the others each compose.
        QCOMPARE(runs.count(), 4);
        QCOMPARE(widths, QStringList({"1", "12", "120", "1200"}));
    }

    void imagesAndCropsAreNotWatched()
    {
        ContentView view;
        QSignalSpy status(&view.state(), &WindowState::statusMsgChanged);
        view.state().setImage1(solidImage(10, 10, Qt::red));
        view.state().setCrop1(QRectF(1, 1, 5, 5));
        view.state().setImage2(solidImage(10, 10, Qt::blue));
        view.state().setCrop2(QRectF(1, 1, 5, 5));
        QCOMPARE(status.count(), 0);
        QVERIFY(view.state().resultCG().isNull());
        QCOMPARE(view.state().statusMsg(), missingBoth);
    }

    void changesWithoutImagesPrompt()
    {
        // A change handler runs refresh even with no image: the prompt
        // becomes the first missing image.
        ContentView view;
        view.state().setBorderR(0);
        QCOMPARE(view.state().statusMsg(), missingImage1);
    }

    void clearImages()
    {
        ContentView view;
        WindowState& s = view.state();
        s.setName1("rao.png");
        s.setName2("lao.png");
        s.setCrop1(QRectF(10, 10, 50, 50));
        s.setCrop2(QRectF(20, 20, 50, 50));
        s.setCanvasW("1000");
        s.setBorderA(100);
        s.setHasSavedCropPair(true);
        s.setExportName("keep.png");
        s.setShowExporter(true);
        const QImage first = solidImage(120, 80, Qt::red);
        s.setImage1(first);
        s.setImage2(solidImage(80, 120, Qt::blue));
        view.refresh();
        QVERIFY(s.canSave());
        QVERIFY(!first.isDetached());

        view.clearImages();
        // Nothing of the images is held any more.
        QVERIFY(first.isDetached());
        QVERIFY(s.image1().isNull() && s.image2().isNull());
        QVERIFY(s.name1().isEmpty() && s.name2().isEmpty());
        QVERIFY(!s.crop1() && !s.crop2());
        QVERIFY(s.resultCG().isNull() && s.resultImage().isNull());
        QVERIFY(!s.exportDoc() && !s.showExporter());
        // No recomposition followed: that would have asked for image 1.
        QCOMPARE(s.statusMsg(), missingBoth);
        QVERIFY(!s.canGenerate() && !s.canSave());
        // Parameters, colour, the proposed name and the saved flag stay.
        QCOMPARE(s.canvasW(), "1000");
        QCOMPARE(s.borderA(), 100);
        QCOMPARE(s.exportName(), "keep.png");
        QVERIFY(s.hasSavedCropPair());

        // The next pair composes with the parameters kept.
        s.setImage1(solidImage(50, 50, Qt::green));
        QVERIFY(!s.canGenerate());
        view.refresh();
        QCOMPARE(s.statusMsg(), missingImage2);
        s.setImage2(solidImage(50, 50, Qt::green));
        view.refresh();
        QCOMPARE(s.statusMsg(), QString());
        QCOMPARE(s.resultCG().width(), 1000);
    }
};

QTEST_MAIN(RefreshTest)
#include "tst_refresh.moc"
