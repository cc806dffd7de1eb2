#include "compose/Geometry.h"
#include "slots/CropEditor.h"
#include "slots/DropZoneView.h"
#include "state/WindowState.h"

#include "support/SlotFixtures.h"

#include <QMouseEvent>
#include <QTest>

using OptRect = std::optional<QRectF>;
Q_DECLARE_METATYPE(OptRect)

// The editor of a real slot panel 444 points wide, so 400 x 244 points: an
// 800 x 400 image is fitted at (0, 22, 400, 200), half a point per pixel.
class CropEditorTest : public QObject {
    Q_OBJECT

    const QColor accent{79, 142, 247};
    WindowState* m_state = nullptr;
    DropZoneView* m_panel = nullptr;
    CropEditor* m_editor = nullptr;
    std::vector<OptRect> m_seen; // the crop at each change handler call

    void showImage(QSize px, const OptRect& crop = std::nullopt)
    {
        m_state->setImage(1, quadrantImage(px.width(), px.height()));
        m_state->setCrop(1, crop);
        m_seen.clear();
    }
    // The view point showing image pixel position `p`.
    QPoint viewOf(QPointF p) const
    {
        const QRectF f = fittedRect(pixelSize(m_state->image(1)), QSizeF(m_editor->size()));
        return (f.topLeft() + p * (f.width() / m_state->image(1).width())).toPoint();
    }
    void press(QPoint p) { QTest::mousePress(m_editor, Qt::LeftButton, Qt::NoModifier, p); }
    void moveTo(QPoint p) { QTest::mouseMove(m_editor, p); } // (0, 0) would mean the centre
    void release(QPoint p) { QTest::mouseRelease(m_editor, Qt::LeftButton, Qt::NoModifier, p); }
    OptRect crop() const { return m_state->crop(1); }

private slots:
    void init()
    {
        m_state = new WindowState;
        m_panel = new DropZoneView(*m_state, 1, QStringLiteral("🔵  画像 1 (RAO)"), accent,
                                   [this] { m_seen.push_back(crop()); });
        m_panel->setFixedWidth(444);
        m_state->setImage(1, quadrantImage(800, 400));
        m_panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_panel));
        m_editor = m_panel->editor();
    }
    void cleanup()
    {
        delete m_panel;
        delete m_state;
    }

    // A press, a move and a release, at image pixel positions.
    void drags_data()
    {
        QTest::addColumn<QSize>("px");
        QTest::addColumn<OptRect>("before");
        QTest::addColumn<QPointF>("from");
        QTest::addColumn<QPointF>("to");
        QTest::addColumn<int>("mode");
        QTest::addColumn<OptRect>("after");
        QTest::addColumn<bool>("handShown"); // hovering at `from` shows the open hand
        auto row = [](const char* name, OptRect before, QPointF from, QPointF to, DragMode mode,
                      OptRect after, QSize px = QSize(800, 400)) {
            QTest::newRow(name) << px << before << from << to << int(mode) << after
                                << (mode == DragMode::Move);
        };
        const auto New = DragMode::New, Move = DragMode::Move, Resize = DragMode::Resize;
        const OptRect none, elsewhere(QRectF(0, 300, 50, 50)), sel(QRectF(200, 100, 100, 100));
        const QPointF mid(250, 150); // inside `sel`, away from its corners

        // A new square replaces an earlier crop, grows towards the pointer and
        // stops at the image's edges.
        row("new up-left", elsewhere, {400, 300}, {300, 240}, New, QRectF(300, 200, 100, 100));
        row("new with the pointer beyond the editor", none, {200, 100}, {-100, 600}, New,
            QRectF(0, 100, 200, 200));
        row("new from the band beside a tall image", none, {-100, 100}, {50, 150}, New,
            QRectF(0, 100, 50, 50), QSize(122, 244));
        row("move stops at the image's edges", sel, mid, {4000, 4000}, Move,
            QRectF(700, 300, 100, 100));
        row("a moved square under 8 pixels stays", QRectF(3, 3, 4, 4), {5, 5}, {15, 10}, Move,
            QRectF(13, 8, 4, 4), QSize(40, 20));

        // Resizing keeps the opposite corner where it is.
        row("resize top-left", sel, {200, 100}, {180, 80}, Resize, QRectF(180, 80, 120, 120));
        row("resize grabbed 10 points outside the corner", sel, {320, 220}, {350, 250}, Resize,
            QRectF(200, 100, 150, 150));
        row("resize through the fixed corner", sel, {300, 200}, {150, 50}, Resize,
            QRectF(150, 50, 50, 50));
        // A 15-point square: its centre is in reach of every corner, the
        // top-left one is tried first and wins over the inside.
        row("corner zone wins over the inside", QRectF(200, 100, 30, 30), {214, 114}, {214, 114},
            Resize, QRectF(214, 114, 16, 16));
        row("bottom-left is tried before bottom-right", QRectF(200, 100, 30, 30), {216, 130},
            {190, 140}, Resize, QRectF(190, 100, 40, 40));
        // Ten points per pixel: the zone is 11 points, not 11 pixels.
        row("11 points off the corner grabs it", QRectF(10, 5, 10, 10), {11.1, 6.1}, {11.1, 6.1},
            Resize, QRectF(11, 6, 9, 9), QSize(40, 20));
        row("12 points off the corner moves", QRectF(10, 5, 10, 10), {11.2, 5.2}, {11.2, 5.2}, Move,
            QRectF(10, 5, 10, 10), QSize(40, 20));

        // Clicks: the left and top edges are inside, the right and bottom not.
        const OptRect big(QRectF(100, 50, 300, 300));
        row("click on the left edge keeps", big, {100, 200}, {100, 200}, Move, big);
        row("click on the bottom edge removes", big, {250, 350}, {250, 350}, New, none);
        row("click in the band removes", sel, {600, -34}, {600, -34}, New, none);
        // The one place hover and press differ: beside the image the cursor is
        // the crosshair, yet the press lands on the image's top edge and moves
        // a crop touching it.
        QTest::newRow("band above a crop on the top edge: crosshair, but a press moves it")
            << QSize(800, 400) << OptRect(QRectF(300, 0, 100, 100)) << QPointF(350, -30)
            << QPointF(350, 20) << int(Move) << OptRect(QRectF(300, 20, 100, 100)) << false;
        row("click inside keeps, rounded outwards", QRectF(200.4, 100.6, 100, 100), mid, mid, Move,
            QRectF(200, 100, 101, 101));

        // The release snaps outwards to whole pixels and drops a new square
        // narrower than 8 image pixels.
        row("x 0.5 side 10 commits 11 by 10", none, {0.5, 0}, {10.5, 10}, New, QRectF(0, 0, 11, 10),
            QSize(200, 100));
        row("new 7.9 pixels wide is removed", none, {0, 0}, {7.9, 7.9}, New, none, QSize(40, 20));
        row("new 8 pixels wide stays", none, {0, 0}, {8, 8}, New, QRectF(0, 0, 8, 8),
            QSize(40, 20));
    }
    void drags()
    {
        QFETCH(QSize, px);
        QFETCH(OptRect, before);
        QFETCH(QPointF, from);
        QFETCH(QPointF, to);
        QFETCH(int, mode);
        showImage(px, before);
        QMouseEvent hover(QEvent::MouseMove, viewOf(from), m_editor->mapToGlobal(viewOf(from)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_editor, &hover);
        QTEST(m_editor->cursor().shape() == Qt::OpenHandCursor, "handShown");
        press(viewOf(from));
        QCOMPARE(int(m_editor->dragMode()), mode);
        if (mode == int(DragMode::New)) // any earlier crop gives way at once
            QCOMPARE(crop()->size(), QSizeF(1, 1));
        moveTo(viewOf(to));
        if (from != to) // every step recomposes
            QVERIFY(!m_seen.empty() && m_seen.back() == crop());
        release(viewOf(to));
        QTEST(crop(), "after");
    }
};

QTEST_MAIN(CropEditorTest)
#include "tst_cropeditor.moc"
