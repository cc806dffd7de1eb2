#include "app/ContentView.h"
#include "app/PairvueApp.h"
#include "app/ResultPreview.h"
#include "ui/RoundedButton.h"
#include "controls/FieldLineEdit.h"
#include "controls/ParamField.h"
#include "controls/ParameterPanelContent.h"
#include "slots/DropZoneView.h"
#include "support/SettingsSandbox.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

QImage solid(int w, int h, QColor color)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// A shown window at a known size, its settings store empty.
struct Window {
    ContentView view;
    Window()
    {
        view.resize(960, 900);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
    void loadBoth()
    {
        view.state().setImage1(solid(200, 200, Qt::red));
        view.refresh();
        view.state().setImage2(solid(300, 200, Qt::blue));
        view.refresh();
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

    void sectionsFollowTheState_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("result");
        QTest::addColumn<bool>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("new window") << "" << false << true << "2枚の画像を選択してください";
        QTest::newRow("only image 1") << "1" << false << true << "画像2を選択してください";
        QTest::newRow("only image 2") << "2" << false << true << "画像1を選択してください";
        QTest::newRow("both, composite, nothing to say") << "12" << true << false << "";
        QTest::newRow("both, never composed (bad parameter from the start)")
            << "w12" << false << true << "❌  パラメータに不正な値があります";
        QTest::newRow("bad parameter after a good composite keeps the preview")
            << "12w" << true << true << "❌  パラメータに不正な値があります";
        QTest::newRow("cleared") << "12c" << false << true << "2枚の画像を選択してください";
    }
    void sectionsFollowTheState()
    {
        QFETCH(QString, steps);
        QFETCH(bool, result);
        QFETCH(bool, status);
        QFETCH(QString, message);
        Window w;
        ContentView& v = w.view;
        for (QChar step : steps) {
            if (step == u'1') {
                v.state().setImage1(solid(200, 200, Qt::red));
                v.refresh();
            } else if (step == u'2') {
                v.state().setImage2(solid(200, 200, Qt::blue));
                v.refresh();
            } else if (step == u'w') {
                v.state().setCanvasW(QString());
            } else if (step == u'c') {
                v.clearButton()->click();
            }
        }
        QCOMPARE(shown(v.resultPanel()), result);
        QCOMPARE(shown(v.statusLine()), status);
        QCOMPARE(v.statusLabel()->text(), message);
        // Saving is possible exactly while the preview stands.
        QCOMPARE(v.saveButton()->isEnabled(), result);
        if (result)
            QCOMPARE(v.preview()->image().cacheKey(), v.state().resultCG().cacheKey());
    }

    void resultPanelStandsBetweenSlotsAndColourPanel()
    {
        Window w;
        w.loadBoth();
        QApplication::processEvents();
        const int slotsBottom =
            w.view.slotPanel(1)->mapTo(&w.view, QPoint(0, 0)).y() + w.view.slotPanel(1)->height();
        const int resultTop = w.view.resultPanel()->mapTo(&w.view, QPoint(0, 0)).y();
        QCOMPARE(resultTop, slotsBottom + 16);
    }

    void enablingRules()
    {
        Window w;
        ContentView& v = w.view;
        v.state().setHasSavedCropPair(false);
        w.loadBoth();
        QVERIFY(!v.saveCropPairButton()->isEnabled());   // no crops yet
        QVERIFY(!v.recallCropPairButton()->isEnabled()); // nothing stored
        QVERIFY(v.clearButton()->isEnabled());
        v.state().setCrop1(QRectF(0, 0, 50, 50));
        QVERIFY(!v.saveCropPairButton()->isEnabled());
        v.state().setCrop2(QRectF(0, 0, 50, 50));
        QVERIFY(v.saveCropPairButton()->isEnabled());
        v.saveCropPairButton()->click();
        QVERIFY(v.state().hasSavedCropPair());
        QVERIFY(v.recallCropPairButton()->isEnabled());
        QCOMPARE(v.clearButton()->toolTip(), QStringLiteral("画像1・画像2の表示を削除"));

        // A disabled button ignores clicks.
        v.clearImages();
        QSignalSpy composed(&v.state(), &WindowState::resultCGChanged);
        QTest::mouseClick(v.saveButton(), Qt::LeftButton);
        QCOMPARE(v.state().statusMsg(), WindowState::initialStatus);
        QCOMPARE(composed.count(), 0);
    }

    void keystrokeInParameterFieldRecomposesOnce()
    {
        Window w;
        w.loadBoth();
        auto* panel = w.view.findChild<ParameterPanelContent*>();
        QVERIFY(panel);
        FieldLineEdit* canvasW = panel->fields().first()->editor();
        canvasW->setFocus();
        canvasW->end(false);
        QSignalSpy composed(&w.view.state(), &WindowState::resultCGChanged);
        QTest::keyClick(canvasW, Qt::Key_Backspace);
        QCOMPARE(w.view.state().canvasW(), QStringLiteral("119"));
        QCOMPARE(composed.count(), 1);
        QCOMPARE(w.view.state().resultCG().width(), 119);
        // Return commits nothing further.
        QTest::keyClick(canvasW, Qt::Key_Return);
        QCOMPARE(composed.count(), 1);
    }

    void previewFitsWidthOrHeight()
    {
        // A wide canvas spans the inner width; a tall one is 340 high at the left.
        QCOMPARE(ResultPreview::pictureRect(QSize(4000, 600), 800), QRectF(0, 0, 800, 120));
        QCOMPARE(ResultPreview::pictureRect(QSize(600, 4000), 800), QRectF(0, 0, 51, 340));
        Window w;
        w.loadBoth();
        w.view.state().setCanvasW(QStringLiteral("4000"));
        QApplication::processEvents();
        QCOMPARE(w.view.preview()->height(), qCeil(w.view.preview()->width() * 600.0 / 4000));
    }

    void windowCannotShrinkBelowItsMinimum()
    {
        Window w;
        QCOMPARE(w.view.minimumSize(), QSize(820, 720));
        w.view.resize(500, 400);
        QCOMPARE(w.view.size(), QSize(820, 720));
        // At the smallest size, the panels scroll under the fixed header band.
        QApplication::processEvents();
        QVERIFY(w.view.scrollArea()->verticalScrollBar()->maximum() > 0);
        QVERIFY(w.view.scrollArea()->mapTo(&w.view, QPoint(0, 0)).y() > 0);
    }

    void everyControlHasAnAccessibleName()
    {
        Window w;
        w.loadBoth();
        QApplication::processEvents();
        const QList<QWidget*> all = w.view.findChildren<QWidget*>();
        QStringList unnamed;
        for (QWidget* widget : all) {
            if (!widget->isVisibleTo(&w.view) || widget->focusPolicy() == Qt::NoFocus)
                continue;
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
            if (!iface || iface->text(QAccessible::Name).isEmpty())
                unnamed << QString::fromLatin1(widget->metaObject()->className());
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", ")));
        QVERIFY(!w.view.preview()->accessibleName().isEmpty());
    }

    void windowsAreIndependentAndClose()
    {
        PairvueApp app;
        ContentView* first = app.openWindow();
        QVERIFY(QTest::qWaitForWindowExposed(first));
        QTest::keyClick(first, Qt::Key_N, Qt::ControlModifier);
        const auto windows = QApplication::topLevelWidgets();
        ContentView* second = nullptr;
        for (QWidget* widget : windows)
            if (auto* v = qobject_cast<ContentView*>(widget); v && v != first && v->isVisible())
                second = v;
        QVERIFY(second);
        first->state().setCanvasW(QStringLiteral("777"));
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
