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

// The panel, its colour dialog stood in for: keeps what the picker hands it.
struct Panel {
    WindowState s;
    BackgroundColorPanelContent w{s};
    int opened = 0;
    QColor initial;
    ColorReport current;
    ColorOutcome finished;
    Panel()
    {
        w.colorPicker()->setColorDialog(
            [this](QWidget*, const QColor& c, ColorReport r, ColorOutcome f) {
                ++opened;
                initial = c;
                current = std::move(r);
                finished = std::move(f);
            });
        w.show();
    }
    ColorComponentField* field(int i) const { return w.componentFields()[i]; }
    QString caption() const { return w.captionLabel()->text(); }
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

    void pickerWritesEveryReportedColour()
    {
        Panel p;
        p.s.borderA.set(200);
        ColorPickerButton* picker = p.w.colorPicker();
        QTest::mouseClick(picker, Qt::LeftButton);
        QCOMPARE(p.opened, 1);
        QCOMPARE(p.initial, QColor(204, 255, 204, 200));

        p.current(QColor::fromRgbF(0.8f, 1, 0.8f, 0.5f));
        QVERIFY((p.s.background() == BackgroundColor{204, 255, 204, 128}));
        p.finished(QColor(Qt::red));
        QCOMPARE(p.caption(), QStringLiteral("#FF0000  A=255"));

        // Cancelling puts back the starting colour; reports are clamped as they arrive.
        QTest::mouseClick(picker, Qt::LeftButton);
        p.current(QColor::fromRgbF(0, 1.5f, -0.5f, 0.5f));
        QVERIFY((p.s.background() == BackgroundColor{0, 255, 0, 128}));
        p.finished(std::nullopt);
        QVERIFY((p.s.background() == BackgroundColor{255, 0, 0, 255}));
    }

    // Qt's own dialog, opened without blocking: live colours shown in the swatch, then cancel.
    void platformDialogFollowsAndCancels()
    {
        WindowState s;
        ColorPickerButton picker(s);
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QTest::mouseClick(&picker, Qt::LeftButton);
        auto* dialog = picker.findChild<QColorDialog*>();
        QVERIFY(dialog && dialog->testOption(QColorDialog::ShowAlphaChannel));
        QCOMPARE(dialog->currentColor(), QColor(204, 255, 204, 255));
        dialog->setCurrentColor(QColor(0, 0, 255, 255));
        QVERIFY((s.background() == BackgroundColor{0, 0, 255, 255}));
        dialog->reject();
        QVERIFY((s.background() == BackgroundColor{204, 255, 204, 255}));
        QTRY_VERIFY(!picker.findChild<QColorDialog*>() && !picker.isChoosing());
    }
};

QTEST_MAIN(ColorControlsTest)
#include "tst_colorcontrols.moc"
