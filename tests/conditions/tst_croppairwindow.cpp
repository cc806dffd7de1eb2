#include "app/ContentView.h"
#include "ui/RoundedButton.h"
#include "ui/Theme.h"
#include "conditions/CropPairJson.h"
#include "conditions/CropPairRules.h"
#include "conditions/CropPairStore.h"
#include "support/Pixels.h"
#include "support/SettingsSandbox.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// A settings file holding a record of these crops and `more` members.
QByteArray fileWithRecord(const QByteArray& more = "",
                          const QByteArray& left = R"({"x":500,"y":100,"width":800,"height":800})")
{
    QByteArray json =
        R"({"left":)" + left + R"(,"right":{"x":0,"y":0,"width":100,"height":100})" + more + "}";
    return "[General]\nPairvue.savedCrops.both=\"@ByteArray(" + json.replace('"', "\\\"") + ")\"\n";
}

using Colour = QList<qint64>;
Colour colourOf(const WindowState& s)
{
    return {s.borderR(), s.borderG(), s.borderB(), s.borderA()};
}

} // namespace

class CropPairWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SettingsSandbox::setUp(); }
    void init() { SettingsSandbox::writeFile("[General]\n"); }

    void startUpRestoresWhatIsStored_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Colour>("colour");
        QTest::addColumn<int>("recompositions");
        QTest::addColumn<QString>("title");
        const Colour initial{204, 255, 204, 255};
        const QByteArray sep3 = R"(,"savedAt":778568700)"; // 2025-09-03 05:05 UTC
        const QString timed = "呼び出し（9/3 14:05 保存データ）";
        auto colour = [](const char* c) { return QByteArray(R"(,"background":)") + c; };

        QTest::newRow("another colour")
            << fileWithRecord(colour(R"({"red":204,"green":0,"blue":204,"alpha":128})") + sep3)
            << Colour{204, 0, 204, 128} << 2 << timed;
        QTest::newRow("the initial colour")
            << fileWithRecord(colour(R"({"red":204,"green":255,"blue":204,"alpha":255})"))
            << initial << 0 << "呼び出し（保存データ）";
        QTest::newRow("null colour")
            << fileWithRecord(colour("null") + sep3) << initial << 0 << timed;
        QTest::newRow("alpha 256")
            << fileWithRecord(colour(R"({"red":0,"green":0,"blue":0,"alpha":256})")) << initial << 0
            << "呼び出し";
        QTest::newRow("megabytes of junk")
            << "[General]\nPairvue.savedCrops.both=" + QByteArray(4 << 20, 'x') + "\n"
            << initial << 0 << "呼び出し";
    }
    void startUpRestoresWhatIsStored()
    {
        QFETCH(QByteArray, file);
        QFETCH(Colour, colour);
        QFETCH(int, recompositions);
        QFETCH(QString, title);
        SettingsSandbox::writeFile(file);
        ContentView view;
        // With no images, every recomposition clears the composite once.
        QSignalSpy refreshes(&view.state(), &WindowState::resultCGChanged);
        view.show();
        QCOMPARE(colourOf(view.state()), colour);
        QCOMPARE(refreshes.count(), recompositions);
        RoundedButton* recall = view.recallCropPairButton();
        QCOMPARE(recall->text(), title);
        QCOMPARE(recall->look().background == cSuccess.toQColor(), title != "呼び出し");
        QVERIFY(!recall->isEnabled());
        // Both looks keep the same room for the glow: the buttons do not move.
        QCOMPARE(recall->sizeHint().height(), view.saveCropPairButton()->sizeHint().height());

        // Only the first appearance restores.
        view.state().setBorderR(1);
        view.hide();
        view.show();
        QCOMPARE(view.state().borderR(), 1);
    }

    void saveAndRecall()
    {
        SettingsSandbox::writeFile(fileWithRecord());
        ContentView view;
        view.show();
        WindowState& s = view.state();
        RoundedButton* save = view.saveCropPairButton();
        RoundedButton* recall = view.recallCropPairButton();
        s.setImage1(testsupport::solidImage(600, 400, Qt::gray));
        s.setCrop1(QRectF(10.5, 20.2, 300.4, 300.4));
        QVERIFY(!save->isEnabled());
        QVERIFY(!recall->isEnabled());
        QTest::mouseClick(recall, Qt::LeftButton);
        QCOMPARE(s.crop1(), std::optional<QRectF>(QRectF(10.5, 20.2, 300.4, 300.4)));

        s.setImage2(testsupport::solidImage(300, 300, Qt::gray));
        QVERIFY(recall->isEnabled());
        QSignalSpy refreshes(&s, &WindowState::resultCGChanged);
        QTest::mouseClick(recall, Qt::LeftButton);
        QCOMPARE(s.crop1(), std::optional<QRectF>(QRectF(200, 0, 400, 400)));
        QCOMPARE(s.crop2(), std::optional<QRectF>(QRectF(0, 0, 100, 100)));
        QCOMPARE(refreshes.count(), 1);
        QVERIFY(!s.resultCG().isNull());
        // Another window saved meanwhile: recall uses what is stored now.
        SettingsSandbox::writeFile(fileWithRecord("", R"({"x":5,"y":6,"width":50,"height":50})"));
        QTest::mouseClick(recall, Qt::LeftButton);
        QCOMPARE(s.crop1(), std::optional<QRectF>(QRectF(5, 6, 50, 50)));
        // A crop that cannot be fitted changes neither side.
        SettingsSandbox::writeFile(fileWithRecord("", R"({"x":0,"y":0,"width":0.6,"height":0.6})"));
        refreshes.clear();
        QTest::mouseClick(recall, Qt::LeftButton);
        QCOMPARE(s.crop1(), std::optional<QRectF>(QRectF(5, 6, 50, 50)));
        QCOMPARE(refreshes.count(), 0);

        s.setCrop1(QRectF(10.5, 20.2, 300.4, 300.4));
        const QDateTime before = QDateTime::currentDateTime();
        QTest::mouseClick(save, Qt::LeftButton);
        const auto savedAt = s.savedCropPairAt();
        QVERIFY(savedAt && *savedAt >= before && *savedAt <= QDateTime::currentDateTime());
        QCOMPARE(recall->text(), recallButtonTitle(true, savedAt));
        const auto stored = CropPairStore().readSavedCropPair();
        QVERIFY(stored);
        QCOMPARE(stored->left, (SavedCrop{10, 20, 301, 301}));
        QCOMPARE(stored->background, std::optional<SavedBackground>({204, 255, 204, 255}));
        QCOMPARE(savedAtDateTime(*stored->savedAt), savedAt);
        // Recall keeps the colour chosen since.
        s.setBorderR(0);
        s.setCrop1(QRectF(0, 0, 5, 5));
        QTest::mouseClick(recall, Qt::LeftButton);
        QCOMPARE(s.crop1(), std::optional<QRectF>(QRectF(10, 20, 301, 301)));
        QCOMPARE(colourOf(s), (Colour{0, 255, 204, 255}));
    }
};

QTEST_MAIN(CropPairWindowTest)
#include "tst_croppairwindow.moc"
