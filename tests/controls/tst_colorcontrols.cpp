#include "controls/BackgroundColorPanelContent.h"
#include "controls/ColorComponentField.h"
#include "controls/ColorPickerButton.h"
#include "controls/ColorRules.h"
#include "controls/FieldLineEdit.h"
#include "controls/ParamField.h"
#include "controls/ParameterPanelContent.h"
#include "controls/TransparencyCheckerboard.h"
#include "state/WindowState.h"
#include "ui/RoundedButton.h"

#include <QAccessible>
#include <QColorDialog>
#include <QLabel>
#include <QPainter>
#include <QTest>

namespace {

QString accessibleName(QWidget* w)
{
    return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
}

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

// A pixel of the checkerboard: '.' transparent, 'G' grey (black at 0.12 over white), 'W' white.
char look(const QImage& img, QPoint p)
{
    const QRgb c = img.pixel(p);
    if (!qAlpha(c))
        return '.';
    return qAbs(qGray(c) - 224) <= 1 ? 'G' : c == qRgb(255, 255, 255) ? 'W' : '?';
}

} // namespace

class ColorControlsTest : public QObject {
    Q_OBJECT

private slots:
    // The presets set the colour the caption and the fields show.
    void presetsSetTheColour()
    {
        Panel p;
        QCOMPARE(p.caption(), QStringLiteral("黄緑  #CCFFCC  A=255"));
        const QStringList after{"#000000  A=0", "#FFFFFF  A=255", "黄緑  #CCFFCC  A=255"};
        for (int i : {0, 1, 2}) {
            QTest::mouseClick(p.w.presetButtons()[i], Qt::LeftButton);
            QCOMPARE(p.caption(), after[i]);
            QCOMPARE(p.field(3)->editor()->text(), i ? "255" : "0");
        }
    }

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
        QCOMPARE(p.caption(), colorCaption({expected, 255, 204, 255}));
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
        type(p.field(3), QStringLiteral("12"));
        QCOMPARE(p.field(3)->editor()->text(), arabic.toString(12));
    }

    void anyChangeIsClampedButNotTheFirstValue()
    {
        WindowState s;
        s.borderR.set(300);
        ColorComponentField field(QStringLiteral("R"), s.borderR);
        QCOMPARE(field.editor()->text(), QStringLiteral("300"));
        s.borderR.set(-1);
        QCOMPARE(s.borderR(), qint64(0));
        s.borderR.set(1000);
        QCOMPARE(s.borderR(), qint64(255));
        QCOMPARE(field.editor()->text(), QStringLiteral("255"));
    }

    void pickerWritesEveryReportedColour()
    {
        Panel p;
        p.s.borderA.set(200);
        ColorPickerButton* picker = p.w.colorPicker();
        QTest::mouseClick(picker, Qt::LeftButton);
        QTest::mouseClick(picker, Qt::LeftButton); // while open, opens nothing more
        QCOMPARE(p.opened, 1);
        QCOMPARE(p.initial, QColor(204, 255, 204, 200));

        p.current(QColor::fromRgbF(0.8f, 1, 0.8f, 0.5f));
        QVERIFY((p.s.background() == BackgroundColor{204, 255, 204, 128}));
        p.current(QColor()); // nothing to convert: nothing changes
        p.finished(QColor(Qt::red));
        QCOMPARE(p.caption(), QStringLiteral("#FF0000  A=255"));
        QVERIFY(!picker->isChoosing());
        p.current(QColor(Qt::blue)); // after closing: goes nowhere
        QVERIFY((p.s.background() == BackgroundColor{255, 0, 0, 255}));

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
        const QPoint centre = picker.swatchRect().center().toPoint();
        QTest::mouseClick(&picker, Qt::LeftButton);
        auto* dialog = picker.findChild<QColorDialog*>();
        QVERIFY(dialog && dialog->testOption(QColorDialog::ShowAlphaChannel));
        QCOMPARE(dialog->currentColor(), QColor(204, 255, 204, 255));
        dialog->setCurrentColor(QColor(0, 0, 255, 255));
        QVERIFY((s.background() == BackgroundColor{0, 0, 255, 255}));
        QCOMPARE(picker.grab().toImage().pixelColor(centre), QColor(0, 0, 255));
        dialog->reject();
        QVERIFY((s.background() == BackgroundColor{204, 255, 204, 255}));
        QTRY_VERIFY(!picker.findChild<QColorDialog*>() && !picker.isChoosing());
        s.setBackground({0, 0, 0, 0}); // the checkerboard shows through
        QVERIFY(QStringLiteral("GW").contains(look(picker.grab().toImage(), centre)));
    }

    void checkerboardPaintsFromItsAreasCorner()
    {
        QImage img(40, 40, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        paintTransparencyCheckerboard(p, QRectF(5, 5, 30, 20));
        p.end();
        QStringList seen; // both sides of each cell edge and of the area's edges
        for (int y : {4, 5, 16, 17, 24, 25}) {
            seen << QString();
            for (int x : {4, 5, 16, 17, 28, 29, 34, 35})
                seen.last() += look(img, {x, y});
        }
        QCOMPARE(seen, (QStringList{"........", ".GGWWGG.", ".GGWWGG.", ".WWGGWW.", ".WWGGWW.",
                                    "........"}));
    }

    void everyKeystrokeIsWrittenAtOnce()
    {
        WindowState s;
        ParamField field(QStringLiteral("キャンバス幅"), s.canvasW);
        field.show();
        FieldLineEdit* edit = field.editor();
        QStringList seen;
        connect(&s, &WindowState::canvasWChanged, this, [&] { seen << s.canvasW(); });
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, QStringLiteral("12x")); // nothing is filtered
        QTest::keyClick(edit, Qt::Key_Return);         // and Return commits nothing further
        QCOMPARE(seen, (QStringList{QString(), "1", "12", "12x"}));
        // A change made elsewhere shows at once; one the field already shows keeps the caret.
        edit->setCursorPosition(1);
        emit s.canvasWChanged();
        QCOMPARE(edit->cursorPosition(), 1);
        s.canvasW.set(QStringLiteral("777"));
        QCOMPARE(edit->text(), QStringLiteral("777"));
    }

    // Each of the six fields is named after its caption and writes its own value.
    void parameterPanelBindsSixFields()
    {
        WindowState s;
        ParameterPanelContent panel(s);
        panel.show();
        const QStringList captions{"キャンバス幅",      "キャンバス高さ",    "画像サイズ",
                                   "画像1 (RAO) 中心X", "画像2 (LAO) 中心X", "中心Y（共通）"};
        auto values = [&s] {
            return QStringList{s.canvasW(), s.canvasH(), s.imgSize(), s.cx1(), s.cx2(), s.cy()};
        };
        for (int i = 0; i < 6; ++i) {
            FieldLineEdit* edit = panel.fields()[i]->editor();
            QCOMPARE(accessibleName(edit), captions[i]);
            QStringList expected = values();
            QCOMPARE(edit->text(), expected[i]);
            expected[i] += QLatin1Char('9');
            edit->setFocus();
            edit->end(false);
            QTest::keyClick(edit, Qt::Key_9);
            QCOMPARE(values(), expected);
        }
    }
};

QTEST_MAIN(ColorControlsTest)
#include "tst_colorcontrols.moc"
