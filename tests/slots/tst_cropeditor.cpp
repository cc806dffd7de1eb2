#include "app/WindowState.h"
#include "compose/Geometry.h"
#include "slots/CropEditor.h"
#include "slots/DropArea.h"
#include "slots/DropZoneView.h"

#include "support/SlotFixtures.h"

#include <QMouseEvent>
#include <QTest>

#include <memory>

using OptRect = std::optional<QRectF>;
Q_DECLARE_METATYPE(OptRect)

namespace {
const QColor accent(79, 142, 247);
} // namespace

// The editor of a real slot panel, laid out 400 x 244 points. Positions are
// computed from its fitted rectangle: with an 800 x 400 image that is
// (0, 22, 400, 200), half a point per pixel.
class CropEditorTest : public QObject {
    Q_OBJECT

    WindowState* m_state = nullptr;
    DropZoneView* m_panel = nullptr;
    CropEditor* m_editor = nullptr;
    int m_changes = 0;

    void showImage(QSize px, const OptRect& crop = std::nullopt)
    {
        m_state->setImage(1, quadrantImage(px.width(), px.height()));
        m_state->setName(1, QStringLiteral("test.png"));
        m_state->setCrop(1, crop);
        m_changes = 0;
    }
    QRectF fitted() const
    {
        return fittedRect(pixelSize(m_state->image(1)), QSizeF(m_editor->size()));
    }
    // The view point showing image pixel position `p`.
    QPoint viewOf(QPointF p) const
    {
        const QRectF f = fitted();
        const double scale = f.width() / m_state->image(1).width();
        return (f.topLeft() + p * scale).toPoint();
    }
    void press(QPoint p) { QTest::mousePress(m_editor, Qt::LeftButton, Qt::NoModifier, p); }
    void moveTo(QPoint p) { QTest::mouseMove(m_editor, p); }
    void release(QPoint p) { QTest::mouseRelease(m_editor, Qt::LeftButton, Qt::NoModifier, p); }
    void drag(QPoint from, QPoint to)
    {
        press(from);
        moveTo(to);
        release(to);
    }
    void hover(QPoint p)
    {
        QMouseEvent move(QEvent::MouseMove, p, m_editor->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(m_editor, &move);
    }
    OptRect crop() const { return m_state->crop(1); }

private slots:
    void init()
    {
        m_state = new WindowState;
        m_panel = new DropZoneView(*m_state, 1, QStringLiteral("🔵  画像 1 (RAO)"), accent,
                                   [this] { ++m_changes; });
        m_panel->setFixedWidth(444);
        m_state->setImage(1, quadrantImage(800, 400));
        m_panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_panel));
        m_editor = m_panel->editor();
        QVERIFY(m_editor->isVisible());
        m_changes = 0;
    }
    void cleanup()
    {
        delete m_panel;
        delete m_state;
    }

    void editorFillsTheDropAreaInsideItsInset()
    {
        QCOMPARE(m_panel->dropArea()->height(), 260);
        QCOMPARE(m_editor->size(), QSize(400, 244));
        QCOMPARE(m_editor->geometry(), QRect(8, 8, 400, 244));
        QCOMPARE(fitted(), QRectF(0, 22, 400, 200));
    }

    void newSquareInEachDirection_data()
    {
        QTest::addColumn<QPointF>("from");
        QTest::addColumn<QPointF>("to");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("down-right")
            << QPointF(200, 100) << QPointF(300, 160) << QRectF(200, 100, 100, 100);
        QTest::newRow("up-left") << QPointF(400, 300) << QPointF(300, 240)
                                 << QRectF(300, 200, 100, 100);
        QTest::newRow("up-right") << QPointF(400, 300) << QPointF(500, 260)
                                  << QRectF(400, 200, 100, 100);
        QTest::newRow("down-left")
            << QPointF(400, 100) << QPointF(340, 200) << QRectF(300, 100, 100, 100);
        QTest::newRow("capped by the right edge")
            << QPointF(700, 100) << QPointF(840, 300) << QRectF(700, 100, 100, 100);
        QTest::newRow("capped by the top edge")
            << QPointF(400, 60) << QPointF(200, 0) << QRectF(340, 0, 60, 60);
        QTest::newRow("pointer beyond the editor")
            << QPointF(200, 100) << QPointF(-100, 600) << QRectF(0, 100, 200, 200);
    }
    void newSquareInEachDirection()
    {
        QFETCH(QPointF, from);
        QFETCH(QPointF, to);
        QFETCH(QRectF, expected);
        // An earlier crop elsewhere is replaced as soon as the new square starts.
        showImage(QSize(800, 400), QRectF(0, 300, 50, 50));
        press(viewOf(from));
        QCOMPARE(m_editor->dragMode(), DragMode::New);
        QCOMPARE(crop(), OptRect(QRectF(from, QSizeF(1, 1))));
        moveTo(viewOf(to));
        QCOMPARE(crop(), OptRect(expected));
        release(viewOf(to));
        QCOMPARE(crop(), OptRect(expected));
        QCOMPARE(m_editor->dragMode(), DragMode::None);
    }

    void moveAndItsClamps_data()
    {
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QRectF>("expected");
        // The crop (200, 100, 100, 100) is grabbed at its pixel (250, 150),
        // the view point (125, 97).
        QTest::newRow("free move") << QPoint(155, 77) << QRectF(260, 60, 100, 100);
        QTest::newRow("stops at the right edge") << QPoint(399, 97) << QRectF(700, 100, 100, 100);
        QTest::newRow("stops at the left edge") << QPoint(0, 97) << QRectF(0, 100, 100, 100);
        QTest::newRow("stops at the top edge") << QPoint(125, 0) << QRectF(200, 0, 100, 100);
        QTest::newRow("stops at the bottom edge") << QPoint(125, 243) << QRectF(200, 300, 100, 100);
        QTest::newRow("far beyond the corner") << QPoint(2000, 2000) << QRectF(700, 300, 100, 100);
    }
    void moveAndItsClamps()
    {
        QFETCH(QPoint, to);
        QFETCH(QRectF, expected);
        showImage(QSize(800, 400), QRectF(200, 100, 100, 100));
        press(viewOf(QPointF(250, 150)));
        QCOMPARE(m_editor->dragMode(), DragMode::Move);
        QCOMPARE(crop(), OptRect(QRectF(200, 100, 100, 100)));
        moveTo(to);
        QCOMPARE(crop(), OptRect(expected));
        release(to);
        QCOMPARE(crop(), OptRect(expected));
    }

    void resizeFromEachCorner_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QRectF>("expected");
        // The crop (200, 100, 100, 100) has its corners at (100, 72), (150, 72),
        // (100, 122) and (150, 122).
        QTest::newRow("bottom-right, about top-left")
            << QPoint(150, 122) << QPoint(175, 147) << QRectF(200, 100, 150, 150);
        QTest::newRow("top-left, about bottom-right")
            << QPoint(100, 72) << QPoint(90, 62) << QRectF(180, 80, 120, 120);
        QTest::newRow("top-right, about bottom-left")
            << QPoint(150, 72) << QPoint(160, 62) << QRectF(200, 80, 120, 120);
        QTest::newRow("bottom-left, about top-right")
            << QPoint(100, 122) << QPoint(90, 132) << QRectF(180, 100, 120, 120);
        QTest::newRow("grabbed 10 points outside the corner")
            << QPoint(160, 132) << QPoint(175, 147) << QRectF(200, 100, 150, 150);
        QTest::newRow("through the fixed corner")
            << QPoint(150, 122) << QPoint(75, 47) << QRectF(150, 50, 50, 50);
        QTest::newRow("shrunk to a sliver")
            << QPoint(150, 122) << QPoint(101, 73) << QRectF(200, 100, 2, 2);
    }
    void resizeFromEachCorner()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QRectF, expected);
        showImage(QSize(800, 400), QRectF(200, 100, 100, 100));
        press(from);
        QCOMPARE(m_editor->dragMode(), DragMode::Resize);
        moveTo(to);
        QCOMPARE(crop(), OptRect(expected));
        release(to);
        // Resizing has no minimum beyond a pixel: a small square stays.
        QCOMPARE(crop(), OptRect(expected));
    }

    void cornerZoneWinsOverInside()
    {
        // A 15 x 15 point selection: its centre is within reach of all four
        // corners, and the top-left one wins.
        showImage(QSize(800, 400), QRectF(200, 100, 30, 30));
        press(QPoint(107, 79));
        QCOMPARE(m_editor->dragMode(), DragMode::Resize);
        QCOMPARE(m_editor->dragAnchor(), QPointF(230, 130));
        release(QPoint(107, 79));
        QCOMPARE(crop(), OptRect(QRectF(214, 114, 16, 16)));
    }

    void cornerZoneIsElevenPointsWhateverTheZoom()
    {
        // A 40 x 20 image drawn ten points per pixel: the crop (10, 5, 10, 10)
        // stands at (100, 72) - (200, 172).
        showImage(QSize(40, 20), QRectF(10, 5, 10, 10));
        QCOMPARE(fitted(), QRectF(0, 22, 400, 200));
        press(QPoint(111, 83));
        QCOMPARE(m_editor->dragMode(), DragMode::Resize);
        release(QPoint(111, 83));
        m_state->setCrop(1, QRectF(10, 5, 10, 10));
        press(QPoint(112, 74));
        QCOMPARE(m_editor->dragMode(), DragMode::Move);
        release(QPoint(112, 74));
    }

    void halfOpenEdges_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("mode");
        // The crop (100, 50, 300, 300) stands at (50, 47) - (200, 197).
        QTest::newRow("left edge is inside") << QPoint(50, 122) << int(DragMode::Move);
        QTest::newRow("top edge is inside") << QPoint(125, 47) << int(DragMode::Move);
        QTest::newRow("right edge is outside") << QPoint(200, 122) << int(DragMode::New);
        QTest::newRow("bottom edge is outside") << QPoint(125, 197) << int(DragMode::New);
    }
    void halfOpenEdges()
    {
        QFETCH(QPoint, at);
        QFETCH(int, mode);
        showImage(QSize(800, 400), QRectF(100, 50, 300, 300));
        press(at);
        QCOMPARE(int(m_editor->dragMode()), mode);
        release(at);
    }

    void clicks_data()
    {
        QTest::addColumn<OptRect>("before");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<OptRect>("after");
        QTest::newRow("outside removes the crop")
            << OptRect(QRectF(200, 100, 100, 100)) << QPoint(300, 200) << OptRect();
        QTest::newRow("without a crop leaves none") << OptRect() << QPoint(300, 200) << OptRect();
        QTest::newRow("in the band removes the crop")
            << OptRect(QRectF(200, 100, 100, 100)) << QPoint(300, 5) << OptRect();
        QTest::newRow("inside keeps the crop, rounded outwards")
            << OptRect(QRectF(200.4, 100.6, 100, 100)) << QPoint(125, 97)
            << OptRect(QRectF(200, 100, 101, 101));
    }
    void clicks()
    {
        QFETCH(OptRect, before);
        QFETCH(QPoint, at);
        QFETCH(OptRect, after);
        showImage(QSize(800, 400), before);
        QTest::mouseClick(m_editor, Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(crop(), after);
        QCOMPARE(m_changes, 2); // the press's step and the release
    }

    void commitRoundsOutwardsPerSide()
    {
        // Two points per pixel: the view point (1, 22) is the pixel position (0.5, 0).
        showImage(QSize(200, 100));
        press(QPoint(1, 22));
        moveTo(QPoint(21, 42));
        QCOMPARE(crop(), OptRect(QRectF(0.5, 0, 10, 10)));
        release(QPoint(21, 42));
        QCOMPARE(crop(), OptRect(QRectF(0, 0, 11, 10)));
    }

    void narrowNewSquareIsDiscarded_data()
    {
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<OptRect>("after");
        // Ten points per pixel.
        QTest::newRow("7.9 pixels is removed") << QPoint(79, 101) << OptRect();
        QTest::newRow("8 pixels stays") << QPoint(80, 102) << OptRect(QRectF(0, 0, 8, 8));
    }
    void narrowNewSquareIsDiscarded()
    {
        QFETCH(QPoint, to);
        QFETCH(OptRect, after);
        showImage(QSize(40, 20));
        drag(QPoint(0, 22), to);
        QCOMPARE(crop(), after);
    }

    void narrowSquareInViewPointsIsKeptOnALargeImage()
    {
        // Six view points are twelve pixels here: the threshold is in pixels.
        showImage(QSize(800, 400));
        drag(QPoint(100, 100), QPoint(106, 106));
        QCOMPARE(crop(), OptRect(QRectF(200, 156, 12, 12)));
    }

    void pressInTheBandBesideATallImage()
    {
        showImage(QSize(200, 400));
        QVERIFY(fitted().x() > 100);
        press(QPoint(10, 122));
        QCOMPARE(m_editor->dragAnchor().x(), 0.0);
        QCOMPARE(crop()->x(), 0.0);
        release(QPoint(10, 122));
    }

    void everyStepRecomposes()
    {
        showImage(QSize(800, 400));
        std::vector<OptRect> seen;
        m_panel->deleteLater();
        auto* panel = new DropZoneView(*m_state, 1, QStringLiteral("x"), accent,
                                       [&] { seen.push_back(m_state->crop(1)); });
        panel->setFixedWidth(444);
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        m_panel = panel;
        m_editor = panel->editor();
        press(QPoint(100, 72));
        moveTo(QPoint(110, 82));
        moveTo(QPoint(120, 92));
        release(QPoint(125, 97));
        QCOMPARE(seen.size(), size_t(5)); // press, two moves, release point, release
        QCOMPARE(seen[1], OptRect(QRectF(200, 100, 20, 20)));
        QCOMPARE(seen[2], OptRect(QRectF(200, 100, 40, 40)));
        QCOMPARE(seen[4], OptRect(QRectF(200, 100, 50, 50)));
    }

    void cursorForEachRegion()
    {
        showImage(QSize(800, 400));
        hover(QPoint(120, 120));
        QCOMPARE(m_editor->cursor().shape(), Qt::CrossCursor);

        m_state->setCrop(1, QRectF(100, 50, 300, 300)); // at (50, 47) - (200, 197)
        const std::vector<std::pair<QPoint, Qt::CursorShape>> regions{
            {QPoint(120, 120), Qt::OpenHandCursor}, // inside
            {QPoint(55, 52), Qt::CrossCursor},      // corner zone, inside the crop
            {QPoint(50, 120), Qt::OpenHandCursor},  // left edge
            {QPoint(200, 120), Qt::CrossCursor},    // right edge
            {QPoint(300, 120), Qt::CrossCursor},    // outside
            {QPoint(120, 5), Qt::CrossCursor},      // band above the image
            {QPoint(195, 192), Qt::CrossCursor},    // bottom-right corner zone
        };
        for (const auto& [at, shape] : regions) {
            hover(at);
            QCOMPARE(m_editor->cursor().shape(), shape);
        }

        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(m_editor, &leave);
        QVERIFY(!m_editor->testAttribute(Qt::WA_SetCursor));
    }

    void drawnCornerIsWhereAPressGrabsIt()
    {
        showImage(QSize(800, 400));
        drag(QPoint(100, 72), QPoint(150, 122));
        QCOMPARE(crop(), OptRect(QRectF(200, 100, 100, 100)));
        const QImage shot = m_editor->grab().toImage();
        const qreal dpr = shot.devicePixelRatio();
        for (const QPoint corner :
             {QPoint(100, 72), QPoint(150, 72), QPoint(100, 122), QPoint(150, 122)}) {
            QVERIFY(near(shot.pixelColor(corner * dpr), accent, 3));
            press(corner);
            QCOMPARE(m_editor->dragMode(), DragMode::Resize);
            release(corner);
        }
    }
};

QTEST_MAIN(CropEditorTest)
#include "tst_cropeditor.moc"
