#include "app/ContentView.h"
#include "app/PairvueApp.h"
#include "app/ResultPreview.h"
#include "compose/PngEncoding.h"
#include "controls/FieldLineEdit.h"
#include "controls/ParamField.h"
#include "controls/ParameterPanelContent.h"
#include "slots/CropEditor.h"
#include "slots/DropZoneView.h"
#include "slots/ElidedLabel.h"
#include "support/DicomFiles.h"
#include "support/Pixels.h"
#include "support/SettingsSandbox.h"
#include "support/Waits.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

using testsupport::solidImage;

namespace {

const QString missing1 = QStringLiteral("画像1を選択してください");
const QString invalid = QStringLiteral("❌  パラメータに不正な値があります");

void setField(WindowState& s, const QString& field, const QString& v)
{
    (field == "canvasW"   ? s.canvasW
     : field == "imgSize" ? s.imgSize
     : field == "cx1"     ? s.cx1
                          : s.cx2)
        .set(v);
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
        QTest::newRow("canvasW empty") << "canvasW=" << invalid;
        QTest::newRow("imgSize -5") << "imgSize=-5" << invalid;
        QTest::newRow("canvas far too wide") << "canvasW=9223372036854775807" << failed;
        QTest::newRow("zero and negative centres") << "cx1=-100;cx2=0" << QString();
        QTest::newRow("extreme size") << "imgSize=9000000000000000000" << QString();
        // A parameter is a sign and ASCII digits within 64 bits, nothing more.
        QTest::newRow("plus sign, leading zero") << "canvasW=+0400" << QString();
        QTest::newRow("smallest centre") << "cx1=-9223372036854775808" << QString();
        QTest::newRow("one past the largest") << "cy=9223372036854775808" << invalid;
        QTest::newRow("leading space") << "canvasW= 400" << invalid;
        QTest::newRow("exponent") << "imgSize=4e2" << invalid;
        QTest::newRow("full-width digits") << "cx2=４００" << invalid;
    }
    void refresh()
    {
        QFETCH(QString, steps);
        QFETCH(QString, message);
        ContentView view;
        WindowState& s = view.state();
        loadBoth(view);
        qint64 before = 0;
        QString field;
        for (const QString& step : steps.split(';')) {
            before = s.resultCG().cacheKey();
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
        QVERIFY(s.canSave());
        if (!message.isEmpty()) {
            setField(s, field, "400");
            QCOMPARE(s.statusMsg(), QString());
            QVERIFY(s.resultCG().cacheKey() != before);
        }
    }

    // Clearing lets go of both images and the composite, and recomposes
    // nothing (that would ask for image 1); parameters and name stay.
    void clearImages()
    {
        ContentView view;
        WindowState& s = view.state();
        s.crop2.set(QRectF(20, 20, 50, 50));
        s.canvasW.set("1000");
        const QImage first = solidImage(120, 80, Qt::red);
        s.image1.set(first);
        s.image2.set(solidImage(80, 120, Qt::blue));
        view.refresh();
        QVERIFY(s.canSave() && !first.isDetached());
        view.clearImages();
        QVERIFY(first.isDetached());
        QVERIFY(s.image1().isNull() && s.image2().isNull() && !s.crop2());
        QVERIFY(s.resultCG().isNull() && s.resultImage().isNull() && !s.canSave());
        QCOMPARE(s.statusMsg(), WindowState::initialStatus);
        QCOMPARE(s.canvasW(), "1000");
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
        QTest::keyClick(canvasW, Qt::Key_Return); // commits nothing further
        QCOMPARE(composed.count(), 1);
    }

    // A screen reader hears every control by its caption, every text as
    // static text, all of it (a shortened file name too), and the preview as
    // the composite's size.
    void accessibility()
    {
        Window w;
        loadBoth(w.view);
        w.view.state().name1.set(QStringLiteral("study_%1.png").arg(QString(200, u'7')));
        w.view.state().canvasW.set(QStringLiteral("1000"));
        QApplication::processEvents();
        QVERIFY(w.view.slotPanel(1)->fileNameLabel()->displayedText().contains(u'…'));
        QStringList wrong;
        for (QWidget* widget : w.view.findChildren<QWidget*>()) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
            const QString name = iface->text(QAccessible::Name);
            const auto* label = qobject_cast<QLabel*>(widget);
            const auto* elided = qobject_cast<ElidedLabel*>(widget);
            const QString text = label ? label->text() : elided ? elided->text() : QString();
            if (widget->isVisibleTo(&w.view) &&
                ((label || elided) ? iface->role() != QAccessible::StaticText || name != text
                                   : widget->focusPolicy() != Qt::NoFocus && name.isEmpty()))
                wrong << QString::fromLatin1(widget->metaObject()->className()) + u' ' + name;
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u", ")));
        QCOMPARE(
            QAccessible::queryAccessibleInterface(w.view.preview())->text(QAccessible::Description),
            QStringLiteral("合成結果 1000 × 600 px"));
    }

    // Ctrl+C and the preview menu's copy put exactly the bytes the save
    // button writes on the clipboard; a text field keeps Ctrl+C for itself.
    void copy_data()
    {
        QTest::addColumn<bool>("menu");
        QTest::newRow("Ctrl+C on a crop editor") << false;
        QTest::newRow("the menu's copy") << true;
    }
    void copy()
    {
        QFETCH(bool, menu);
        Window w;
        ContentView& v = w.view;
        v.state().borderA.set(100); // the alpha travels too
        loadBoth(v);
        QClipboard* board = QGuiApplication::clipboard();
        board->setText(QStringLiteral("before"));
        if (menu) {
            std::unique_ptr<QMenu>(v.makePreviewMenu())->actions().first()->trigger();
        } else {
            QApplication::setActiveWindow(&v);
            QTest::keyClick(v.slotPanel(1)->editor(), Qt::Key_C, Qt::ControlModifier);
        }
        const QMimeData* mime = board->mimeData();
        QVERIFY(mime->hasImage());
        const QByteArray png = mime->data(QStringLiteral("image/png"));
        QCOMPARE(png, *pngData(v.state().resultCG()));
        const QImage decoded =
            QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        QCOMPARE(decoded.size(), QSize(1190, 600));
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
        QTest::addColumn<QString>("loaded"); // "name1|name2"
        QTest::addColumn<QString>("status");
        QTest::newRow("two files")
            << QStringList{"rao.png", "lao.png"} << "rao.png|lao.png" << QString();
        QTest::newRow("first file unreadable")
            << QStringList{"broken.png", "lao.png"} << "|lao.png" << missing1;
    }
    void opensWithFiles()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, loaded);
        QFETCH(QString, status);
        QTemporaryDir dir;
        QVERIFY(solidImage(64, 48, Qt::red).save(dir.filePath(QStringLiteral("rao.png"))));
        QVERIFY(solidImage(40, 40, Qt::blue).save(dir.filePath(QStringLiteral("lao.png"))));
        QFile broken(dir.filePath(QStringLiteral("broken.png")));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("\x89PNG\r\n\x1a\nnot really"));
        broken.close();
        QStringList files;
        for (const QString& name : names)
            files << dir.filePath(name);

        PairvueApp app;
        QPointer<ContentView> window = app.openWindow(files);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const WindowState& s = window->state();
        QTRY_COMPARE(s.name1() + u'|' + s.name2(), loaded);
        QApplication::processEvents();
        QCOMPARE(s.image1().isNull(), loaded.startsWith(u'|'));
        QVERIFY(!s.image2().isNull());
        QCOMPARE(s.statusMsg(), status);
        window->close();
        QTRY_VERIFY(window.isNull());
    }

    // Two cine runs: frame and projection rows, frames by key and slider with the
    // crop kept, and nothing of the patient in the window's texts or the PNG.
    void dicomRunsInBothSlots()
    {
        QTemporaryDir dir;
        testsupport::DicomTestFile recipe;
        recipe.frames = 5;
        recipe.syntax = EXS_JPEGProcess14SV1;
        recipe.value = [](int f, int x, int y, int) { return (f * 800 + x * 8 + y) % 4096; };
        recipe.angles = {-30, 20};
        recipe.window = {2048, 4096};
        QVERIFY(testsupport::writeDicom(dir.filePath(QStringLiteral("run1")), recipe));
        recipe.angles = {-29.7, -25.2}; // an RAO run given to the LAO slot
        recipe.representativeFrame = 5;
        QVERIFY(testsupport::writeDicom(dir.filePath(QStringLiteral("run2.dcm")), recipe));

        Window w;
        ContentView& v = w.view;
        v.openFiles(
            {dir.filePath(QStringLiteral("run1")), dir.filePath(QStringLiteral("run2.dcm"))});
        QTRY_VERIFY(!v.state().image1().isNull() && !v.state().image2().isNull());
        DropZoneView* panel = v.slotPanel(1);
        QCOMPARE(panel->frameLabel()->text(), QStringLiteral("フレーム 3 / 5"));
        QCOMPARE(v.slotPanel(2)->frameLabel()->text(), QStringLiteral("フレーム 5 / 5"));
        QCOMPARE(panel->projectionLabel()->text(), QStringLiteral("RAO 30°  CRA 20°"));
        QCOMPARE(v.slotPanel(2)->projectionLabel()->text(),
                 QStringLiteral("RAO 30°  CAU 25°（この欄は LAO）"));

        const QRectF crop(4, 4, 20, 20);
        v.state().crop1.set(crop);
        v.refresh();
        CropEditor* editor = panel->editor();
        QTest::mouseClick(editor, Qt::LeftButton, {},
                          editor->editorGeometry().imageToView(crop).center().toPoint());
        QVERIFY(editor->hasFocus());
        const QImage third = v.state().image1();
        const QImage composedThird = v.state().resultCG();
        QTest::keyClick(editor, Qt::Key_PageDown);
        QCOMPARE(panel->frameLabel()->text(), QStringLiteral("フレーム 4 / 5"));
        QAccessibleInterface* slider = QAccessible::queryAccessibleInterface(panel->frameSlider());
        QVERIFY(slider->text(QAccessible::Name).endsWith(QStringLiteral("フレーム")));
        QCOMPARE(slider->valueInterface()->currentValue(), QVariant(4));
        QTRY_VERIFY(v.state().image1() != third);
        QVERIFY(v.state().resultCG() != composedThird);
        QTest::keyClick(editor, Qt::Key_PageUp);
        QTRY_COMPARE(v.state().image1(), third);
        QCOMPARE(v.state().crop1(), crop);

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
        for (const QString& secret : testsupport::patientStrings)
            QVERIFY2(!png->contains(secret.toUtf8()) && !all.contains(secret), qPrintable(secret));
    }

    // Deleting a shown window touches nothing freed, whatever is under way:
    // a crop drag, the save dialog open, a load posted.
    void deletedMidDragTouchesNothingFreed()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("next.png"));
        QVERIFY(solidImage(400, 300, Qt::green).save(file));
        auto w = std::make_unique<Window>();
        loadBoth(w->view);
        w->view.save();
        w->view.slotPanel(2)->loadDroppedFile(file);
        CropEditor* editor = w->view.slotPanel(1)->editor();
        const QPoint centre = editor->rect().center();
        QTest::mousePress(editor, Qt::LeftButton, Qt::NoModifier, centre);
        QTest::mouseMove(editor, centre + QPoint(30, 30));
        QVERIFY(editor->dragMode() != DragMode::None);
        w.reset();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
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
