#include "compose/Geometry.h"
#include "slots/CropEditor.h"
#include "slots/DropZoneView.h"
#include "slots/SlotTexts.h"
#include "state/WindowState.h"
#include "ui/RoundedButton.h"

#include "support/SlotFixtures.h"

#include <QAccessible>
#include <QTest>

using OptRect = std::optional<QRectF>;
using R = QRectF;
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
        QApplication::setActiveWindow(m_panel);
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
        const QSize tiny(40, 20); // ten points per pixel
        const auto New = DragMode::New, Move = DragMode::Move, Resize = DragMode::Resize;
        const OptRect none, elsewhere(R(0, 300, 50, 50)), sel(R(200, 100, 100, 100));
        const QPointF mid(250, 150); // inside `sel`, away from its corners

        // A new square replaces an earlier crop, grows towards the pointer and
        // stops at the image's edges.
        row("new up-left", elsewhere, {400, 300}, {300, 240}, New, R(300, 200, 100, 100));
        row("new past the editor", none, {200, 100}, {-100, 600}, New, R(0, 100, 200, 200));
        row("new from the band beside a tall image", none, {-100, 100}, {50, 150}, New,
            R(0, 100, 50, 50), QSize(122, 244));
        row("move stops at the image's edges", sel, mid, {4000, 4000}, Move, R(700, 300, 100, 100));
        row("a moved square under 8 pixels stays", R(3, 3, 4, 4), {5, 5}, {15, 10}, Move,
            R(13, 8, 4, 4), tiny);

        // Resizing keeps the opposite corner where it is.
        row("resize top-left", sel, {200, 100}, {180, 80}, Resize, R(180, 80, 120, 120));
        row("resize past the fixed corner", sel, {300, 200}, {150, 50}, Resize, R(150, 50, 50, 50));
        // A 15-point square: its centre is in reach of every corner, the
        // top-left one is tried first and wins over the inside.
        row("corner zone wins over the inside", R(200, 100, 30, 30), {214, 114}, {214, 114}, Resize,
            R(214, 114, 16, 16));
        row("bottom-left is tried before bottom-right", R(200, 100, 30, 30), {216, 130}, {190, 140},
            Resize, R(190, 100, 40, 40));
        // Ten points per pixel: the zone is 11 points, not 11 pixels.
        row("11 points off the corner grabs it", R(10, 5, 10, 10), {11.1, 6.1}, {11.1, 6.1}, Resize,
            R(11, 6, 9, 9), tiny);
        row("12 points off the corner moves", R(10, 5, 10, 10), {11.2, 5.2}, {11.2, 5.2}, Move,
            R(10, 5, 10, 10), tiny);

        // Clicks: the left and top edges are inside, the right and bottom not.
        const OptRect big(R(100, 50, 300, 300));
        row("click on the left edge keeps", big, {100, 200}, {100, 200}, Move, big);
        row("click on the bottom edge removes", big, {250, 350}, {250, 350}, New, none);
        row("click in the band removes", sel, {600, -34}, {600, -34}, New, none);
        // The one place hover and press differ: beside the image the cursor is
        // the crosshair, yet the press lands on the image's top edge and moves
        // a crop touching it.
        QTest::newRow("band above a crop on the top edge: crosshair, but a press moves it")
            << QSize(800, 400) << OptRect(R(300, 0, 100, 100)) << QPointF(350, -30)
            << QPointF(350, 20) << int(Move) << OptRect(R(300, 20, 100, 100)) << false;
        row("click inside keeps, rounded outwards", R(200.4, 100.6, 100, 100), mid, mid, Move,
            R(200, 100, 101, 101));

        // The release snaps outwards to whole pixels and drops a new square
        // narrower than 8 image pixels.
        row("x 0.5 side 10 commits 11 by 10", none, {0.5, 0}, {10.5, 10}, New, R(0, 0, 11, 10),
            QSize(200, 100));
        row("new 7.9 pixels wide is removed", none, {0, 0}, {7.9, 7.9}, New, none, tiny);
        row("new 8 pixels wide stays", none, {0, 0}, {8, 8}, New, R(0, 0, 8, 8), tiny);
    }
    void drags()
    {
        QFETCH(QSize, px);
        QFETCH(OptRect, before);
        QFETCH(QPointF, from);
        QFETCH(QPointF, to);
        QFETCH(int, mode);
        showImage(px, before);
        moveTo(viewOf(from)); // hovering
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

    // One key on the editor, reached by Tab: a whole change that lands on whole pixels,
    // recomposes once and updates the status line; the keys it does not use
    // go on to the window.
    void keys_data()
    {
        QTest::addColumn<QSize>("px");
        QTest::addColumn<OptRect>("before");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<OptRect>("after");
        QTest::addColumn<bool>("used");
        using enum Qt::Key;
        auto row = [](const char* name, OptRect before, Qt::Key key, Qt::KeyboardModifiers mods,
                      OptRect after, bool used = true, QSize px = QSize(800, 400)) {
            QTest::newRow(name) << px << before << int(key) << int(mods) << after << used;
        };
        const Qt::KeyboardModifiers no, shift = Qt::ShiftModifier, pad = Qt::KeypadModifier;
        const OptRect none, sel(R(200, 100, 100, 100));
        row("right moves one pixel", sel, Key_Right, no, R(201, 100, 100, 100));
        row("Shift+up moves ten", sel, Key_Up, shift, R(200, 90, 100, 100));
        row("left stops at the edge", R(4, 9, 50, 50), Key_Left, shift, R(0, 9, 50, 50));
        row("down stops at the edge", R(9, 345, 50, 50), Key_Down, shift, R(9, 350, 50, 50));
        row("against the edge changes nothing", R(0, 9, 50, 50), Key_Left, no, R(0, 9, 50, 50));
        row("fractions land on whole pixels", R(0.4, 9.6, 50, 50), Key_Right, no, R(1, 9, 51, 51));
        row("= grows two about the centre", sel, Key_Equal, no, R(199, 99, 102, 102));
        row("Shift+= grows twenty", sel, Key_Plus, shift, R(190, 90, 120, 120));
        row("- shrinks two about the centre", sel, Key_Minus, no, R(201, 101, 98, 98));
        row("Shift+- shrinks twenty", sel, Key_Underscore, shift, R(210, 110, 80, 80));
        row("shrinking stops at 8 pixels", R(0, 0, 10, 10), Key_Minus, shift, R(1, 1, 8, 8));
        row("growth at an edge stays inside", R(0, 9, 50, 50), Key_Equal, no, R(0, 8, 52, 52));
        row("growth stops at the image", R(100, 5, 390, 390), Key_Plus, shift, R(95, 0, 400, 400));
        row("Delete removes", sel, Key_Delete, no, none);
        row("Backspace removes", sel, Key_Backspace, no, none);
        row("Return makes the largest centred square", none, Key_Return, no, R(200, 0, 400, 400));
        row("Enter on a tall image", none, Key_Enter, pad, R(0, 99, 301, 301), true, {301, 500});
        row("Return with a crop goes on", sel, Key_Return, no, sel, false);
        row("an arrow without a crop goes on", none, Key_Right, no, none, false);
    }
    void keys()
    {
        QFETCH(QSize, px);
        QFETCH(OptRect, before);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(OptRect, after);
        showImage(px, before);
        const QPoint band(m_editor->width() / 2, 1); // above a wide image
        QVERIFY(!near(m_editor->grab().toImage().pixelColor(band), accent));
        m_panel->fileButton()->setFocus();
        QTest::keyClick(m_panel->fileButton(), Qt::Key_Tab); // reaches the editor, ring and all
        QVERIFY(near(m_editor->grab().toImage().pixelColor(band), accent));
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
        QApplication::sendEvent(m_editor, &press);
        QTEST(press.isAccepted(), "used");
        QCOMPARE(crop(), after);
        QCOMPARE(m_seen, after == before ? std::vector<OptRect>{} : std::vector{after});
        // The status line follows, and a screen reader hears it on the editor.
        QCOMPARE(QAccessible::queryAccessibleInterface(m_editor)->text(QAccessible::Description),
                 cropStatusText(QSizeF(px), after));
    }
};

QTEST_MAIN(CropEditorTest)
#include "tst_cropeditor.moc"
