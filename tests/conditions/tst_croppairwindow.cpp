#include "app/ContentView.h"
#include "app/RoundedButton.h"
#include "app/Theme.h"
#include "conditions/CropPairJson.h"
#include "conditions/CropPairStore.h"
#include "support/SettingsSandbox.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray fileWithRecord(const QByteArray& json)
{
    QByteArray escaped = json;
    escaped.replace('\\', "\\\\").replace('"', "\\\"");
    return "[General]\nPairvue.savedCrops.both=\"@ByteArray(" + escaped + ")\"\n";
}

const QByteArray crops = R"("left":{"x":500,"y":100,"width":800,"height":800},)"
                         R"("right":{"x":0,"y":0,"width":100,"height":100})";

QImage picture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::gray);
    return image;
}

using Colour = QList<qint64>;

Colour colourOf(const WindowState& s)
{
    return {s.borderR(), s.borderG(), s.borderB(), s.borderA()};
}

RoundedButton* saveButton(ContentView& view)
{
    return view.findChild<RoundedButton*>("saveCropPairButton");
}

RoundedButton* recallButton(ContentView& view)
{
    return view.findChild<RoundedButton*>("recallCropPairButton");
}

bool isHighlighted(const RoundedButton* button)
{
    return button->look().background == cSuccess.toQColor();
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
        const QByteArray september3rd = R"("savedAt":778568700)"; // 2025-09-03 05:05 UTC

        QTest::newRow("record with another colour")
            << fileWithRecord("{" + crops +
                              R"(,"background":{"red":204,"green":0,"blue":204,"alpha":128},)" +
                              september3rd + "}")
            << Colour{204, 0, 204, 128} << 2 << "呼び出し（9/3 14:05 保存データ）";
        QTest::newRow("record with the initial colour")
            << fileWithRecord("{" + crops +
                              R"(,"background":{"red":204,"green":255,"blue":204,"alpha":255}})")
            << initial << 0 << "呼び出し（保存データ）";
        QTest::newRow("record without colour")
            << fileWithRecord("{" + crops + "," + september3rd + "}") << initial << 0
            << "呼び出し（9/3 14:05 保存データ）";
        QTest::newRow("legacy entries only")
            << QByteArray("[General]\nPairvue.savedCrop.left=10.4, 20.6, 99.2, 99.9\n"
                          "Pairvue.savedCrop.right=0, 0, 512, 512\n")
            << initial << 0 << "呼び出し（保存データ）";
        QTest::newRow("alpha 256, no legacy entries")
            << fileWithRecord("{" + crops +
                              R"(,"background":{"red":0,"green":0,"blue":0,"alpha":256}})")
            << initial << 0 << "呼び出し";
        QTest::newRow("nothing stored") << QByteArray("[General]\n") << initial << 0 << "呼び出し";
        QTest::newRow("megabytes of junk")
            << "[General]\nPairvue.savedCrops.both=" + QByteArray(4 * 1024 * 1024, 'x') + "\n"
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
        QCOMPARE(view.state().statusMsg(),
                 recompositions ? QString("画像1を選択してください") : WindowState::initialStatus);
        QCOMPARE(recallButton(view)->text(), title);
        QCOMPARE(view.state().hasSavedCropPair(), title != "呼び出し");
        QCOMPARE(isHighlighted(recallButton(view)), title != "呼び出し");
        QVERIFY(!recallButton(view)->isEnabled());

        // Only the first appearance restores.
        view.state().setBorderR(1);
        view.hide();
        view.show();
        QCOMPARE(view.state().borderR(), 1);
    }

    void startUpMigratesLegacyEntries()
    {
        const QByteArray legacy = "Pairvue.savedCrop.left=10.4, 20.6, 99.2, 99.9\n"
                                  "Pairvue.savedCrop.right=0, 0, 512, 512\n";
        SettingsSandbox::writeFile("[General]\n" + legacy);
        ContentView view;
        view.show();
        const QByteArray migrated = R"({"left":{"x":10,"y":20,"width":100,"height":101},)"
                                    R"("right":{"x":0,"y":0,"width":512,"height":512}})";
        QCOMPARE(SettingsSandbox::readFile(),
                 fileWithRecord(migrated).replace("[General]\n", "[General]\n" + legacy));
    }

    void recallNeedsBothImages()
    {
        SettingsSandbox::writeFile(fileWithRecord("{" + crops + "}"));
        ContentView view;
        view.show();
        WindowState& s = view.state();
        s.setImage1(picture(600, 400));
        RoundedButton* recall = recallButton(view);
        QVERIFY(!recall->isEnabled());
        QVERIFY(isHighlighted(recall));
        QTest::mouseClick(recall, Qt::LeftButton);
        QVERIFY(!s.crop1());

        s.setImage2(picture(300, 300));
        QVERIFY(recall->isEnabled());
        QSignalSpy refreshes(&s, &WindowState::resultCGChanged);
        QTest::mouseClick(recall, Qt::LeftButton);
        QCOMPARE(s.crop1(), std::optional<QRectF>(QRectF(200, 0, 400, 400)));
        QCOMPARE(s.crop2(), std::optional<QRectF>(QRectF(0, 0, 100, 100)));
        QCOMPARE(refreshes.count(), 1);
        QVERIFY(!s.resultCG().isNull());
        QCOMPARE(s.statusMsg(), QString());
    }

    void recallReadsTheStoreAgain()
    {
        ContentView view;
        view.show();
        WindowState& s = view.state();
        s.setImage1(picture(600, 400));
        s.setImage2(picture(300, 300));
        QVERIFY(!recallButton(view)->isEnabled());

        // Another window saved meanwhile; this one still believes nothing is stored.
        SettingsSandbox::writeFile(fileWithRecord("{" + crops + "}"));
        view.recallCropPair();
        QCOMPARE(s.crop1(), std::optional<QRectF>(QRectF(200, 0, 400, 400)));

        // A crop that cannot be fitted changes neither side.
        SettingsSandbox::writeFile(
            fileWithRecord(R"({"left":{"x":0,"y":0,"width":0.6,"height":0.6},)"
                           R"("right":{"x":0,"y":0,"width":50,"height":50}})"));
        QSignalSpy refreshes(&s, &WindowState::resultCGChanged);
        view.recallCropPair();
        QCOMPARE(s.crop1(), std::optional<QRectF>(QRectF(200, 0, 400, 400)));
        QCOMPARE(s.crop2(), std::optional<QRectF>(QRectF(0, 0, 100, 100)));
        QCOMPARE(refreshes.count(), 0);
    }

    void saveThenRecallKeepsTheChosenColour()
    {
        ContentView view;
        view.show();
        WindowState& s = view.state();
        RoundedButton* save = saveButton(view);
        QVERIFY(!save->isEnabled());
        QTest::mouseClick(save, Qt::LeftButton);
        QVERIFY(!s.hasSavedCropPair());

        s.setImage1(picture(1000, 1000));
        s.setImage2(picture(1000, 1000));
        s.setCrop1(QRectF(10.5, 20.2, 300.4, 300.4));
        QVERIFY(!save->isEnabled());
        s.setCrop2(QRectF(100, 100, 200, 200));
        QVERIFY(save->isEnabled());

        const QDateTime before = QDateTime::currentDateTime();
        QTest::mouseClick(save, Qt::LeftButton);
        const QDateTime after = QDateTime::currentDateTime();
        QVERIFY(s.hasSavedCropPair());
        QVERIFY(s.savedCropPairAt() && *s.savedCropPairAt() >= before &&
                *s.savedCropPairAt() <= after);
        QVERIFY(QRegularExpression(R"(\A呼び出し（\d{1,2}/\d{1,2} \d\d:\d\d 保存データ）\z)")
                    .match(recallButton(view)->text())
                    .hasMatch());
        QVERIFY(isHighlighted(recallButton(view)));
        QVERIFY(recallButton(view)->isEnabled());

        const auto stored = CropPairStore().readSavedCropPair();
        QVERIFY(stored);
        QCOMPARE(stored->left, (SavedCrop{10, 20, 301, 301}));
        QCOMPARE(stored->background, std::optional<SavedBackground>({204, 255, 204, 255}));
        QCOMPARE(savedAtDateTime(*stored->savedAt), s.savedCropPairAt());

        s.setBorderR(0);
        s.setBorderG(0);
        s.setBorderB(0);
        s.setCrop1(QRectF(0, 0, 5, 5));
        QTest::mouseClick(recallButton(view), Qt::LeftButton);
        QCOMPARE(s.crop1(), std::optional<QRectF>(QRectF(10, 20, 301, 301)));
        QCOMPARE(colourOf(s), (Colour{0, 0, 0, 255}));
    }

    void buttonLooks()
    {
        ContentView view;
        view.show();
        RoundedButton* save = saveButton(view);
        RoundedButton* recall = recallButton(view);
        QCOMPARE(save->text(), QString("クリッピング条件を保存"));
        QCOMPARE(save->toolTip(), QString("左右の切り出しサイズ・位置と背景色をまとめて保存"));
        QCOMPARE(recall->toolTip(),
                 QString("保存した左右の画角・位置を呼び出し（選択中の背景色は維持）"));

        const RoundedButton::Look plain = recall->look();
        QCOMPARE(plain.fontPixelSize, 11);
        QCOMPARE(plain.weight, QFont::DemiBold);
        QCOMPARE(plain.text, cTextPri.toQColor());
        QCOMPARE(plain.outline, whiteAt(0.12));
        QCOMPARE(plain.glow.alpha(), 0);
        const QSize plainSize = recall->sizeHint();

        view.state().setHasSavedCropPair(true);
        const RoundedButton::Look lit = recall->look();
        QCOMPARE(lit.text, blackAt(0.82));
        QCOMPARE(lit.background, cSuccess.toQColor());
        QCOMPARE(lit.outline, cSuccess.toQColor());
        QCOMPARE(lit.glow, cSuccess.withOpacity(0.35));
        QCOMPARE(lit.glowRadius, 7.0);
        QCOMPARE(recall->text(), QString("呼び出し（保存データ）"));
        // The glow has room in both looks: the button keeps its height.
        QCOMPARE(recall->sizeHint().height(), plainSize.height());
        QCOMPARE(isHighlighted(save), false);
    }
};

QTEST_MAIN(CropPairWindowTest)
#include "tst_croppairwindow.moc"
