#include "controls/BackgroundColorPanelContent.h"
#include "controls/ColorComponentField.h"
#include "controls/ColorPickerButton.h"
#include "controls/ColorRules.h"
#include "controls/FieldLineEdit.h"
#include "state/WindowState.h"

#include <QColorDialog>
#include <QLabel>
#include <QTest>

namespace {

// The panel of a window state, shown.
struct Panel {
    WindowState s;
    BackgroundColorPanelContent w{s};
    Panel() { w.show(); }
    ColorComponentField* field(int i) const { return w.componentFields()[i]; }
};

// Selects all, types `text` (also beyond ASCII) and optionally presses Return.
void type(ColorComponentField* field, const QString& text, bool enter = true)
{
    field->editor()->setFocus();
    QTest::keyClick(field->editor(), Qt::Key_A, Qt::ControlModifier);
    field->editor()->insert(text);
    if (enter)
        QTest::keyClick(field->editor(), Qt::Key_Return);
}

} // namespace

class ColorControlsTest : public QObject {
    Q_OBJECT

private slots:
    // Typing alone writes nothing; Return commits the value clamped, or
    // puts back the last one when the text is no number.
    void typedValuesAreCommittedAndClamped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("above 255") << "300" << qint64(255);
        QTest::newRow("below 0") << "-5" << qint64(0);
        QTest::newRow("letters") << "abc" << qint64(204);
    }
    void typedValuesAreCommittedAndClamped()
    {
        QFETCH(QString, typed);
        QFETCH(qint64, expected);
        Panel p;
        type(p.field(0), typed, false);
        QCOMPARE(p.s.borderR(), 204);
        QTest::keyClick(p.field(0)->editor(), Qt::Key_Return);
        QCOMPARE(p.s.borderR(), expected);
        QCOMPARE(p.field(0)->editor()->text(), QString::number(expected));
    }

    void leavingTheFieldCommitsInTheFieldsLocale()
    {
        Panel p;
        QVERIFY(QTest::qWaitForWindowActive(&p.w));
        type(p.field(1), "77", false);
        p.field(3)->editor()->setFocus();
        QCOMPARE(p.s.borderG(), qint64(77));

        const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
        p.field(3)->setNumberLocale(arabic);
        QCOMPARE(p.field(3)->editor()->text(), arabic.toString(255));
        type(p.field(3), arabic.toString(-7));
        QCOMPARE(p.s.borderA(), qint64(0));
    }

    // Qt's colour dialog with opacity, opened without blocking at the
    // current colour: every colour looked at is written at once, the one
    // chosen stays, cancelling puts back the colour it started from.
    void pickerWritesEveryColourLookedAt()
    {
        Panel p;
        p.s.borderA.set(200);
        ColorPickerButton* picker = p.w.colorPicker();
        const auto open = [&] {
            QTest::mouseClick(picker, Qt::LeftButton);
            return picker->findChild<QColorDialog*>();
        };
        QColorDialog* dialog = open();
        QVERIFY(dialog && dialog->testOption(QColorDialog::ShowAlphaChannel));
        QCOMPARE(dialog->currentColor(), QColor(204, 255, 204, 200));
        dialog->setCurrentColor(QColor::fromRgbF(0.8f, 1, 0.8f, 0.5f));
        QVERIFY((p.s.background() == BackgroundColor{204, 255, 204, 128}));
        dialog->setCurrentColor(Qt::red);
        dialog->accept();
        QCOMPARE(p.w.captionLabel()->text(), QStringLiteral("#FF0000  A=255"));
        QTRY_VERIFY(!picker->findChild<QColorDialog*>() && !picker->isChoosing());
        open()->setCurrentColor(Qt::blue);
        QVERIFY((p.s.background() == BackgroundColor{0, 0, 255, 255}));
        picker->findChild<QColorDialog*>()->reject();
        QVERIFY((p.s.background() == BackgroundColor{255, 0, 0, 255}));
    }
};

QTEST_MAIN(ColorControlsTest)
#include "tst_colorcontrols.moc"
