#include "app/ContentView.h"
#include "app/PairvueApp.h"
#include "app/ResultPreview.h"
#include "compose/PngEncoding.h"
#include "controls/FieldLineEdit.h"
#include "controls/ParamField.h"
#include "controls/ParameterPanelContent.h"
#include "slots/CropEditor.h"
#include "slots/DropZoneView.h"
#include "support/DicomFiles.h"
#include "support/Pixels.h"
#include "support/SettingsSandbox.h"
#include "ui/RoundedButton.h"
#include "ui/Theme.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColorSpace>
#include <QDrag>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using testsupport::Rgba;
using testsupport::rgbaAt;
using testsupport::solidImage;

namespace {

const QString missing1 = QStringLiteral("画像1を選択してください");
const QString invalid = QStringLiteral("❌  パラメータに不正な値があります");

// Sets one of the ten recomposition fields from text.
void setField(WindowState& s, const QString& field, const QString& v)
{
    const qint64 n = v.toLongLong();
    const QHash<QString, std::function<void()>> setters{
        {"canvasW", [&] { s.canvasW.set(v); }}, {"canvasH", [&] { s.canvasH.set(v); }},
        {"imgSize", [&] { s.imgSize.set(v); }}, {"cx1", [&] { s.cx1.set(v); }},
        {"cx2", [&] { s.cx2.set(v); }},         {"cy", [&] { s.cy.set(v); }},
        {"borderR", [&] { s.borderR.set(n); }}, {"borderG", [&] { s.borderG.set(n); }},
        {"borderB", [&] { s.borderB.set(n); }}, {"borderA", [&] { s.borderA.set(n); }}};
    setters[field]();
}

// Both images loaded and composed once, as after two loads.
void loadBoth(ContentView& view)
{
    view.state().image1.set(solidImage(200, 200, Qt::red));
    view.refresh();
    view.state().image2.set(solidImage(300, 200, Qt::blue));
    view.refresh();
}

// A shown window at a known size.
struct Window {
    ContentView view;
    Window()
    {
        view.resize(960, 900);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
};

bool shown(const QWidget* w)
{
    return w && w->isVisibleTo(w->window());
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        SettingsSandbox::setUp();
        QSettings().clear();
    }

    // Steps "field=value;..." run through the change handlers; "image1="
    // takes image 1 away and recomposes, which removes the composite. A
    // failure after that keeps the last composite; putting the value right
    // composes again.
    void refresh_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("message");
        const QString failed = QStringLiteral("❌  合成に失敗しました");
        QTest::newRow("image 1 taken away") << "image1=" << missing1;
        QTest::newRow("image 2 taken away") << "image2="
                                            << "画像2を選択してください";
        QTest::newRow("canvasW empty") << "canvasW=" << invalid;
        QTest::newRow("canvasH 0") << "canvasH=0" << invalid;
        QTest::newRow("imgSize -5") << "imgSize=-5" << invalid;
        QTest::newRow("canvas far too wide") << "canvasW=9223372036854775807" << failed;
        QTest::newRow("zero and negative centres") << "cx1=-100;cx2=0"
                                                   << "";
        QTest::newRow("extreme centre") << "cx1=-9000000000000000000"
                                        << "";
        QTest::newRow("extreme size") << "imgSize=9000000000000000000"
                                      << "";
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
        QImage halves = solidImage(200, 100, Qt::blue);
        QPainter(&halves).fillRect(0, 0, 100, 100, Qt::red); // red on the left
        s.image1.set(halves);
        s.image2.set(halves);
        s.crop1.set(QRectF(100.4, 0.5, 99.2, 99.2)); // snaps to (100, 0, 100, 100)
        s.canvasW.set("801");
        s.canvasH.set("333");
        s.borderA.set(128);
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
        s.image1.set(solidImage(10, 10, Qt::red));
        s.crop1.set(QRectF(1, 1, 5, 5));
        s.image2.set(solidImage(10, 10, Qt::blue));
        s.crop2.set(QRectF(1, 1, 5, 5));
        QCOMPARE(status.count(), 0);
        QVERIFY(s.resultCG().isNull());
        // A change handler runs refresh even with no image, which asks for one.
        s.image1.set(QImage());
        s.borderR.set(0);
        QCOMPARE(s.statusMsg(), missing1);
    }

    // What the window shows: the preview and the status line, the save
    // button enabled exactly while the preview stands.
    void sectionsFollowTheState_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("message"); // none: no status line
        QTest::newRow("new window") << "" << false << WindowState::initialStatus;
        QTest::newRow("only image 1") << "1" << false << "画像2を選択してください";
        QTest::newRow("only image 2") << "2" << false << missing1;
        QTest::newRow("both, composite, nothing to say") << "12" << true << "";
        QTest::newRow("both, never composed (bad parameter from the start)")
            << "w12" << false << invalid;
        QTest::newRow("bad parameter after a good composite keeps the preview")
            << "12w" << true << invalid;
        QTest::newRow("cleared") << "12c" << false << WindowState::initialStatus;
    }
    void sectionsFollowTheState()
    {
        QFETCH(QString, steps);
        QFETCH(bool, result);
        QFETCH(QString, message);
        Window w;
        ContentView& v = w.view;
        for (QChar step : steps) {
            if (step == u'1' || step == u'2') {
                v.state().setImage(step.digitValue(), solidImage(200, 200, Qt::red));
                v.refresh();
            } else if (step == u'w') {
                v.state().canvasW.set(QString());
            } else if (step == u'c') {
                QTest::mouseClick(v.clearButton(), Qt::LeftButton);
            }
        }
        QCOMPARE(shown(v.resultPanel()), result);
        QCOMPARE(shown(v.statusLine()), !message.isEmpty());
        QCOMPARE(v.statusLabel()->text(), message);
        QCOMPARE(v.saveButton()->isEnabled(), result);
        if (result)
            QCOMPARE(v.preview()->image().cacheKey(), v.state().resultCG().cacheKey());
    }

    // Clearing lets go of both images and the composite, and recomposes
    // nothing (that would ask for image 1); parameters and name stay.
    void clearImages()
    {
        ContentView view;
        WindowState& s = view.state();
        s.name1.set("rao.png");
        s.crop2.set(QRectF(20, 20, 50, 50));
        s.canvasW.set("1000");
        s.exportName.set("keep.png");
        s.showExporter.set(true);
        const QImage first = solidImage(120, 80, Qt::red);
        s.image1.set(first);
        s.image2.set(solidImage(80, 120, Qt::blue));
        view.refresh();
        QVERIFY(s.canSave() && !first.isDetached());
        view.clearImages();
        QVERIFY(first.isDetached());
        QVERIFY(s.image1().isNull() && s.image2().isNull() && s.name1().isEmpty() && !s.crop2());
        QVERIFY(s.resultCG().isNull() && s.resultImage().isNull() && !s.canSave());
        QVERIFY(!s.exportDoc() && !s.showExporter());
        QCOMPARE(s.statusMsg(), WindowState::initialStatus);
        QCOMPARE(s.canvasW(), "1000");
        QCOMPARE(s.exportName(), "keep.png");
    }

    void cropPairButtonsNeedBothCrops()
    {
        Window w;
        ContentView& v = w.view;
        v.state().hasSavedCropPair.set(false);
        loadBoth(v);
        QVERIFY(!v.saveCropPairButton()->isEnabled() && !v.recallCropPairButton()->isEnabled());
        v.state().crop1.set(QRectF(0, 0, 50, 50));
        QVERIFY(!v.saveCropPairButton()->isEnabled());
        v.state().crop2.set(QRectF(0, 0, 50, 50));
        QTest::mouseClick(v.saveCropPairButton(), Qt::LeftButton);
        QVERIFY(v.state().hasSavedCropPair() && v.recallCropPairButton()->isEnabled());
    }

    // Two cine runs, as the lab writes them: frames chosen with the keys and
    // the slider, the crop kept, the angles shown (a swapped pair in the
    // warning colour), and nothing of the patient anywhere the user sees.
    void dicomRunsInBothSlots()
    {
        QTemporaryDir dir;
        testsupport::DicomSpec spec;
        spec.frames = 5;
        spec.syntax = EXS_JPEGProcess14SV1;
        spec.value = [](int f, int x, int y, int) { return (f * 800 + x * 8 + y) % 4096; };
        spec.angles = {-30, 20};
        spec.window = {2048, 4096};
        QVERIFY(testsupport::writeDicom(dir.filePath(QStringLiteral("run1")), spec));
        spec.angles = {-29.7, -25.2}; // an RAO run given to the LAO slot
        spec.representativeFrame = 5;
        QVERIFY(testsupport::writeDicom(dir.filePath(QStringLiteral("run2.dcm")), spec));

        Window w;
        ContentView& v = w.view;
        for (int slot : {1, 2}) {
            const QString path =
                dir.filePath(slot == 1 ? QStringLiteral("run1") : QStringLiteral("run2.dcm"));
            v.slotPanel(slot)->setOpenFileDialog([path](QWidget*) { return path; });
            v.slotPanel(slot)->openFilePicker();
        }
        QTRY_VERIFY(!v.state().image1().isNull() && !v.state().image2().isNull());
        DropZoneView* panel = v.slotPanel(1);
        QCOMPARE(v.state().image1().format(), QImage::Format_Grayscale8);
        QCOMPARE(panel->frameLabel()->text(), QStringLiteral("フレーム 3 / 5"));
        QCOMPARE(v.slotPanel(2)->frameLabel()->text(), QStringLiteral("フレーム 5 / 5"));
        QCOMPARE(panel->projectionLabel()->text(), QStringLiteral("RAO 30°  CRA 20°"));
        QCOMPARE(v.slotPanel(2)->projectionLabel()->text(),
                 QStringLiteral("RAO 30°  CAU 25°（この欄は LAO）"));
        QCOMPARE(v.slotPanel(2)->projectionLabel()->palette().color(QPalette::WindowText),
                 cWarning.toQColor());
        QVERIFY(panel->projectionLabel()->palette().color(QPalette::WindowText) !=
                cWarning.toQColor());
        QCOMPARE(
            QAccessible::queryAccessibleInterface(panel->frameLabel())->text(QAccessible::Name),
            QStringLiteral("フレーム 3 / 5"));

        // A click inside the crop gives the editor focus and keeps the crop;
        // Page Down then shows the next frame and recomposes.
        const QRectF crop(4, 4, 20, 20);
        v.state().crop1.set(crop);
        v.refresh();
        CropEditor* editor = panel->editor();
        const QPointF inside = editor->editorGeometry().imageToView(crop).center();
        QTest::mouseClick(editor, Qt::LeftButton, {}, inside.toPoint());
        QVERIFY(editor->hasFocus());
        QCOMPARE(v.state().crop1(), crop);
        const QImage third = v.state().image1();
        const QImage composedThird = v.state().resultCG();
        QTest::keyClick(editor, Qt::Key_PageDown);
        QCOMPARE(panel->frameLabel()->text(), QStringLiteral("フレーム 4 / 5"));
        QTRY_VERIFY(v.state().image1() != third);
        QCOMPARE(v.state().crop1(), crop);
        QVERIFY(v.state().resultCG() != composedThird);
        QTest::keyClick(editor, Qt::Key_PageUp);
        QTRY_COMPARE(v.state().image1(), third);
        QTest::keyClick(panel->frameSlider(), Qt::Key_End);
        QCOMPARE(panel->frameLabel()->text(), QStringLiteral("フレーム 5 / 5"));
        QTRY_VERIFY(v.state().image1() != third);
        QCOMPARE(v.state().crop1(), crop);

        // The PNG and every text of the window hold nothing of the header.
        const std::optional<QByteArray> png = pngData(v.state().resultCG());
        QVERIFY(png);
        QStringList texts;
        for (const QWidget* child : v.findChildren<QWidget*>()) {
            if (const auto* label = qobject_cast<const QLabel*>(child))
                texts << label->text();
            texts << child->accessibleName() << child->toolTip();
        }
        const QString all = texts.join(u'\n');
        QVERIFY(all.contains(QStringLiteral("run2.dcm")));
        for (const QString& secret : testsupport::patientStrings) {
            QVERIFY2(!png->contains(secret.toUtf8()), qPrintable(secret));
            QVERIFY2(!all.contains(secret), qPrintable(secret));
        }

        // Clearing lets the runs go: no frame row, no projection row.
        v.clearImages();
        QVERIFY(!shown(panel->frameRow()));
        QVERIFY(!shown(panel->projectionLabel()));
    }

    void keystrokeInParameterFieldRecomposesOnce()
    {
        Window w;
        loadBoth(w.view);
        auto* panel = w.view.findChild<ParameterPanelContent*>();
        FieldLineEdit* canvasW = panel->fields().first()->editor();
        canvasW->setFocus();
        canvasW->end(false);
        QSignalSpy composed(&w.view.state(), &WindowState::resultCGChanged);
        QTest::keyClick(canvasW, Qt::Key_Backspace);
        QCOMPARE(w.view.state().canvasW(), QStringLiteral("119"));
        QCOMPARE(composed.count(), 1);
        QCOMPARE(w.view.state().resultCG().width(), 119);
        QTest::keyClick(canvasW, Qt::Key_Return); // commits nothing further
        QCOMPARE(composed.count(), 1);
    }

    void previewFitsWidthOrHeight()
    {
        // A wide canvas spans the inner width; a tall one is 340 high at the left.
        QCOMPARE(ResultPreview::pictureRect(QSize(4000, 600), 800), QRectF(0, 0, 800, 120));
        QCOMPARE(ResultPreview::pictureRect(QSize(600, 4000), 800), QRectF(0, 0, 51, 340));
        Window w;
        loadBoth(w.view);
        w.view.state().canvasW.set(QStringLiteral("4000"));
        QApplication::processEvents();
        QCOMPARE(w.view.preview()->height(), qCeil(w.view.preview()->width() * 600.0 / 4000));
    }

    void everyControlHasAnAccessibleName()
    {
        Window w;
        loadBoth(w.view);
        QApplication::processEvents();
        QStringList unnamed;
        for (QWidget* widget : w.view.findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(&w.view) || widget->focusPolicy() == Qt::NoFocus)
                continue;
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
            if (!iface || iface->text(QAccessible::Name).isEmpty())
                unnamed << QString::fromLatin1(widget->metaObject()->className());
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", ")));
        QVERIFY(!w.view.preview()->accessibleName().isEmpty());
    }

    // Ctrl+C and the preview menu's copy put exactly the bytes the save
    // button writes on the clipboard; a text field keeps Ctrl+C for itself.
    void copy_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("composite");
        QTest::addColumn<QString>("clipboard"); // "png", or the text left there
        QTest::newRow("Ctrl+C in the window") << "window key" << true << "png";
        QTest::newRow("the menu's copy") << "menu" << true << "png";
        QTest::newRow("Ctrl+C without a composite") << "window key" << false << "before";
        QTest::newRow("Ctrl+C in a text field") << "field key" << true << "119";
    }
    void copy()
    {
        QFETCH(QString, how);
        QFETCH(bool, composite);
        QFETCH(QString, clipboard);
        Window w;
        ContentView& v = w.view;
        v.state().borderA.set(100); // the alpha travels too
        if (composite)
            loadBoth(v);
        QClipboard* board = QGuiApplication::clipboard();
        board->setText(QStringLiteral("before"));
        const QString status = v.statusLabel()->text();
        FieldLineEdit* field = v.findChild<ParameterPanelContent*>()->fields().first()->editor();
        if (how == "menu") {
            QMenu* menu = v.makePreviewMenu();
            QStringList titles;
            for (QAction* action : menu->actions())
                titles << action->text();
            QCOMPARE(titles, QStringList({"画像をコピー", "PNG で保存…"}));
            menu->actions().first()->trigger();
            delete menu;
        } else {
            QWidget* target = how == "field key" ? static_cast<QWidget*>(field) : v.preview();
            if (how == "field key") {
                field->setFocus();
                field->setSelection(0, 3);
            }
            QApplication::setActiveWindow(&v);
            QTest::keyClick(target, Qt::Key_C, Qt::ControlModifier);
        }
        QCOMPARE(v.statusLabel()->text(), status);
        if (clipboard != "png") {
            QCOMPARE(board->text(), clipboard);
            return;
        }
        const QMimeData* mime = board->mimeData();
        QVERIFY(mime->hasImage());
        const QByteArray png = mime->data(QStringLiteral("image/png"));
        QCOMPARE(png, *pngData(v.state().resultCG()));
        const QImage decoded =
            QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        QCOMPARE(decoded.size(), QSize(1190, 600));
        QVERIFY(decoded.constScanLine(0)[3] == 100); // a background pixel
        QVERIFY(std::equal(decoded.constBits(), decoded.constBits() + decoded.sizeInBytes(),
                           v.state().resultCG().constBits()));
    }

    // A drag out of the preview carries the picture and a PNG file of the
    // dated export name in a folder of the user's own, which the next drag
    // and the window's closing clear away.
    void dragOutOfThePreview()
    {
        Window w;
        ContentView& v = w.view;
        loadBoth(v);
        QApplication::processEvents();
        QStringList formats;
        QList<QUrl> urls;
        v.setDragRunner([&](QDrag& drag) {
            formats = drag.mimeData()->formats();
            urls = drag.mimeData()->urls();
        });
        auto dragFrom = [&](QPoint at) {
            urls.clear();
            QTest::mousePress(v.preview(), Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseMove(v.preview(), at + QPoint(30, 0));
            QTest::mouseRelease(v.preview(), Qt::LeftButton, Qt::NoModifier, at + QPoint(30, 0));
            return urls.isEmpty() ? QString() : urls.first().toLocalFile();
        };
        const QString first = dragFrom(QPoint(20, 20));
        QVERIFY(formats.contains("image/png") && formats.contains("application/x-qt-image"));
        QVERIFY2(QRegularExpression(R"(^Pairvue_\d{8}_\d{6}\.png$)")
                     .match(QFileInfo(first).fileName())
                     .hasMatch(),
                 qPrintable(first));
        QFile file(first);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), *pngData(v.state().resultCG()));
        const QFile::Permissions folder = QFileInfo(QFileInfo(first).path()).permissions();
        QCOMPARE(folder & (QFile::ReadGroup | QFile::ReadOther | QFile::ExeOther), 0);

        const QString second = dragFrom(QPoint(40, 20));
        QVERIFY(QFile::exists(second));
        QVERIFY(!QFileInfo::exists(QFileInfo(first).path()));
        v.close();
        QVERIFY(!QFileInfo::exists(QFileInfo(second).path()));
    }

    // Files from the command line reach the slots as drops do; one that
    // cannot be read leaves its slot empty and says nothing.
    void opensWithFiles_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("name1");
        QTest::addColumn<QString>("name2");
        QTest::addColumn<QString>("status");
        QTest::newRow("two files") << QStringList{"rao.png", "lao.png"} << "rao.png"
                                   << "lao.png"
                                   << "";
        QTest::newRow("one file") << QStringList{"rao.png"} << "rao.png"
                                  << ""
                                  << "画像2を選択してください";
        QTest::newRow("first file unreadable") << QStringList{"broken.png", "lao.png"} << ""
                                               << "lao.png"
                                               << "画像1を選択してください";
        QTest::newRow("second file missing") << QStringList{"rao.png", "gone.png"} << "rao.png"
                                             << ""
                                             << "画像2を選択してください";
    }
    void opensWithFiles()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, name1);
        QFETCH(QString, name2);
        QFETCH(QString, status);
        QTemporaryDir dir;
        QVERIFY(solidImage(64, 48, Qt::red).save(dir.filePath(QStringLiteral("rao.png"))));
        QVERIFY(solidImage(40, 40, Qt::blue).save(dir.filePath(QStringLiteral("lao.png"))));
        QFile broken(dir.filePath(QStringLiteral("broken.png")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("\x89PNG\r\n\x1a\nnot really");
        broken.close();
        QStringList files;
        for (const QString& name : names)
            files << dir.filePath(name);

        PairvueApp app;
        QPointer<ContentView> window = app.openWindow(files);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const WindowState& s = window->state();
        QTRY_COMPARE(s.name1() + u'|' + s.name2(), name1 + u'|' + name2);
        QApplication::processEvents();
        QCOMPARE(s.image1().isNull(), name1.isEmpty());
        QCOMPARE(s.image2().isNull(), name2.isEmpty());
        QCOMPARE(s.statusMsg(), status);
        window->close();
        QTRY_VERIFY(window.isNull());
    }

    void windowsAreIndependentAndClose()
    {
        PairvueApp app;
        ContentView* first = app.openWindow();
        QVERIFY(QTest::qWaitForWindowExposed(first));
        QTest::keyClick(first, Qt::Key_N, Qt::ControlModifier);
        ContentView* second = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* v = qobject_cast<ContentView*>(widget); v && v != first && v->isVisible())
                second = v;
        QVERIFY(second);
        first->state().canvasW.set(QStringLiteral("777"));
        QCOMPARE(second->state().canvasW(), QStringLiteral("1190"));
        QPointer<ContentView> closing(second);
        second->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(second));
        QTest::keyClick(second, Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(closing.isNull());
        first->close();
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
