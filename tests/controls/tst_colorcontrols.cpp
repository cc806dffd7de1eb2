#include "app/RoundedButton.h"
#include "app/WindowState.h"
#include "controls/BackgroundColorPanelContent.h"
#include "controls/BorderColorBinding.h"
#include "controls/ColorComponentField.h"
#include "controls/ColorPickerButton.h"
#include "controls/ColorPresetButton.h"
#include "controls/FieldLineEdit.h"
#include "controls/TransparencyCheckerboard.h"

#include <QAccessible>
#include <QColorDialog>
#include <QLabel>
#include <QPainter>
#include <QTest>

namespace {

// Records the order in which the four components change.
struct ChangeLog {
    QString order;
    QList<qint64> red;
    explicit ChangeLog(WindowState& s)
    {
        QObject::connect(&s, &WindowState::borderRChanged, [this, &s] {
            order += 'R';
            red << s.borderR();
        });
        QObject::connect(&s, &WindowState::borderGChanged, [this] { order += 'G'; });
        QObject::connect(&s, &WindowState::borderBChanged, [this] { order += 'B'; });
        QObject::connect(&s, &WindowState::borderAChanged, [this] { order += 'A'; });
    }
};

ColorComponents components(const WindowState& s)
{
    return borderColorBinding::components(s);
}

// Stands in for the colour dialog: keeps what the picker hands it.
struct FakeDialog {
    int opened = 0;
    QColor initial;
    ColorReport current;
    ColorOutcome finished;
    ColorDialogOpener opener()
    {
        return [this](QWidget*, const QColor& start, ColorReport c, ColorOutcome f) {
            ++opened;
            initial = start;
            current = std::move(c);
            finished = std::move(f);
        };
    }
};

void commit(ColorComponentField* field, const QString& text)
{
    FieldLineEdit* edit = field->editor();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    edit->insert(text); // as typed, also for text beyond ASCII
    QTest::keyClick(edit, Qt::Key_Return);
}

int grey(const QImage& img, int x, int y)
{
    return qGray(img.pixel(x, y));
}

} // namespace

Q_DECLARE_METATYPE(ColorComponents)

class ColorControlsTest : public QObject {
    Q_OBJECT

private slots:
    void panelShowsItsRowsInOrder()
    {
        WindowState s;
        BackgroundColorPanelContent panel(s);
        panel.show();
        QCOMPARE(panel.headingLabel()->text(), QStringLiteral("キャンパス背景"));
        QCOMPARE(panel.captionLabel()->text(), QStringLiteral("黄緑  #CCFFCC  A=255"));

        QStringList presets;
        for (RoundedButton* b : panel.presetButtons()) {
            presets << b->text();
            QCOMPARE(QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name), b->text());
        }
        QCOMPARE(presets, (QStringList{"透明", "白", "黄緑"}));

        const QStringList captions{QStringLiteral("R（0–255）"), QStringLiteral("G（0–255）"),
                                   QStringLiteral("B（0–255）"), QStringLiteral("A（0=透明）")};
        const QStringList values{"204", "255", "204", "255"};
        QCOMPARE(panel.componentFields().size(), 4);
        for (int i = 0; i < 4; ++i) {
            ColorComponentField* f = panel.componentFields()[i];
            QCOMPARE(f->caption(), captions[i]);
            QCOMPARE(f->editor()->text(), values[i]);
            QCOMPARE(QAccessible::queryAccessibleInterface(f->editor())->text(QAccessible::Name),
                     captions[i]);
        }
        QCOMPARE(
            QAccessible::queryAccessibleInterface(panel.colorPicker())->text(QAccessible::Name),
            QStringLiteral("カラーピッカー"));
    }

    void presetRowBottomsAlignAndFieldsKeepTheirWidth()
    {
        WindowState s;
        BackgroundColorPanelContent panel(s);
        panel.resize(panel.minimumSizeHint().width(), panel.sizeHint().height());
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        const int bottom = panel.componentFields()[0]->geometry().bottom();
        for (RoundedButton* b : panel.presetButtons())
            QCOMPARE(b->geometry().bottom(), bottom);
        for (ColorComponentField* f : panel.componentFields()) {
            QCOMPARE(f->geometry().bottom(), bottom);
            QVERIFY(f->width() >= 62);
        }
        // The caption sits at the right end of the header row.
        QCOMPARE(panel.captionLabel()->geometry().right(), panel.width() - 1);
    }

    void typedValuesAreCommittedAndClamped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<qint64>("expected");
        QTest::addColumn<QString>("redLog");
        QTest::newRow("above the range gives 255") << "300" << qint64(255) << "300 255";
        QTest::newRow("below the range gives 0") << "-5" << qint64(0) << "-5 0";
        QTest::newRow("within the range") << "17" << qint64(17) << "17";
        QTest::newRow("letters leave it unchanged") << "abc" << qint64(204) << "";
        QTest::newRow("a fraction leaves it unchanged") << "12.5" << qint64(204) << "";
        QTest::newRow("empty leaves it unchanged") << "" << qint64(204) << "";
        QTest::newRow("same value changes nothing") << "204" << qint64(204) << "";
        QTest::newRow("leading zeros") << "0042" << qint64(42) << "42";
        QTest::newRow("a huge number gives 255")
            << "99999999999999999999" << qint64(255)
            << QString("%1 255").arg(std::numeric_limits<qint64>::max());
    }
    void typedValuesAreCommittedAndClamped()
    {
        QFETCH(QString, typed);
        QFETCH(qint64, expected);
        QFETCH(QString, redLog);
        WindowState s;
        ChangeLog log(s); // first to hear of a change, before the clamp answers it
        BackgroundColorPanelContent panel(s);
        panel.show();
        ColorComponentField* red = panel.componentFields()[0];

        // Typing alone writes nothing; committing does.
        red->editor()->setFocus();
        QTest::keyClick(red->editor(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(red->editor(), typed);
        QCOMPARE(s.borderR(), qint64(204));
        QTest::keyClick(red->editor(), Qt::Key_Return);

        QCOMPARE(s.borderR(), expected);
        QCOMPARE(red->editor()->text(), QString::number(expected));
        QStringList reds;
        for (qint64 v : log.red)
            reds << QString::number(v);
        QCOMPARE(reds.join(' '), redLog);
        QCOMPARE(panel.captionLabel()->text(), colorCaption(components(s)));
        // The other components are untouched.
        QCOMPARE(log.order, QString(log.red.size(), QLatin1Char('R')));
    }

    void leavingTheFieldCommits()
    {
        WindowState s;
        BackgroundColorPanelContent panel(s);
        panel.show();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        ColorComponentField* green = panel.componentFields()[1];
        ColorComponentField* blue = panel.componentFields()[2];
        green->editor()->setFocus();
        QTest::keyClick(green->editor(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(green->editor(), "77");
        blue->editor()->setFocus();
        QCOMPARE(s.borderG(), qint64(77));
        commit(blue, "xyz");
        QCOMPARE(s.borderB(), qint64(204));
        QCOMPARE(blue->editor()->text(), QStringLiteral("204"));
    }

    void readsAndWritesInTheFieldsLocale()
    {
        WindowState s;
        s.setBorderA(5);
        ColorComponentField field(QStringLiteral("A（0=透明）"), s, &WindowState::borderA,
                                  &WindowState::setBorderA, &WindowState::borderAChanged);
        field.show();
        const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
        field.setNumberLocale(arabic);
        QCOMPARE(field.editor()->text(), arabic.toString(5));
        commit(&field, arabic.toString(-7));
        QCOMPARE(s.borderA(), qint64(0));
        commit(&field, QStringLiteral("12"));
        QCOMPARE(s.borderA(), qint64(12));
        QCOMPARE(field.editor()->text(), arabic.toString(12));
    }

    void anyChangeIsClampedButNotTheFirstValue()
    {
        WindowState s;
        s.setBorderR(300);
        ChangeLog log(s);
        ColorComponentField field(QStringLiteral("R（0–255）"), s, &WindowState::borderR,
                                  &WindowState::setBorderR, &WindowState::borderRChanged);
        QCOMPARE(s.borderR(), qint64(300));
        QCOMPARE(field.editor()->text(), QStringLiteral("300"));

        s.setBorderR(-1);
        QCOMPARE(s.borderR(), qint64(0));
        s.setBorderR(1000);
        QCOMPARE(s.borderR(), qint64(255));
        QCOMPARE(log.red, (QList<qint64>{-1, 0, 1000, 255}));
        QCOMPARE(field.editor()->text(), QStringLiteral("255"));
    }

    void presetsSetTheFourFieldsInOrder_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<ColorComponents>("expected");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("caption");
        QTest::newRow("透明") << 0 << ColorComponents{0, 0, 0, 0} << "RGBA"
                              << "#000000  A=0";
        QTest::newRow("白") << 1 << ColorComponents{255, 255, 255, 255} << "RB"
                            << "#FFFFFF  A=255";
        QTest::newRow("黄緑") << 2 << ColorComponents{204, 255, 204, 255} << ""
                              << "黄緑  #CCFFCC  A=255";
    }
    void presetsSetTheFourFieldsInOrder()
    {
        QFETCH(int, index);
        QFETCH(ColorComponents, expected);
        QFETCH(QString, order);
        QFETCH(QString, caption);
        WindowState s;
        BackgroundColorPanelContent panel(s);
        panel.show();
        ChangeLog log(s);
        QTest::mouseClick(panel.presetButtons()[index], Qt::LeftButton);
        QVERIFY(components(s) == expected);
        QCOMPARE(log.order, order);
        QCOMPARE(panel.captionLabel()->text(), caption);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(panel.componentFields()[i]->editor()->text(),
                     QString::number((&expected.red)[i]));
    }

    void presetOutOfRangeIsClamped()
    {
        WindowState s;
        BackgroundColorPanelContent panel(s);
        RoundedButton* odd = colorPresetButton(s, QStringLiteral("x"), 300, -1, 0, 999, &panel);
        panel.show();
        ChangeLog log(s);
        QTest::mouseClick(odd, Qt::LeftButton);
        QVERIFY((components(s) == ColorComponents{255, 0, 0, 255}));
        QCOMPARE(log.order, QStringLiteral("RRGGBAA"));
    }

    void pickerWritesEveryReportedColour()
    {
        WindowState s;
        BackgroundColorPanelContent panel(s);
        FakeDialog dialog;
        panel.colorPicker()->setColorDialog(dialog.opener());
        panel.show();
        QTest::mouseClick(panel.colorPicker(), Qt::LeftButton);
        QCOMPARE(dialog.opened, 1);
        QCOMPARE(dialog.initial, QColor(204, 255, 204, 255));
        QVERIFY(panel.colorPicker()->isChoosing());

        // A second click while it is open opens nothing more.
        QTest::mouseClick(panel.colorPicker(), Qt::LeftButton);
        QCOMPARE(dialog.opened, 1);

        ChangeLog log(s);
        dialog.current(QColor::fromRgbF(0.8f, 1, 0.8f, 0.5f));
        QVERIFY((components(s) == ColorComponents{204, 255, 204, 128}));
        QCOMPARE(log.order, QStringLiteral("A"));
        dialog.current(QColor(Qt::red));
        QVERIFY((components(s) == ColorComponents{255, 0, 0, 255}));
        QCOMPARE(log.order, QStringLiteral("ARGBA"));
        dialog.current(QColor()); // nothing to convert: nothing changes
        dialog.finished(QColor(Qt::red));
        QVERIFY((components(s) == ColorComponents{255, 0, 0, 255}));
        QCOMPARE(panel.captionLabel()->text(), QStringLiteral("#FF0000  A=255"));
        QVERIFY(!panel.colorPicker()->isChoosing());

        // Reports after the chooser closed go nowhere.
        dialog.current(QColor(Qt::blue));
        QVERIFY((components(s) == ColorComponents{255, 0, 0, 255}));
    }

    void pickerCancelRestoresTheStartingColour()
    {
        WindowState s;
        s.setBorderA(200);
        BackgroundColorPanelContent panel(s);
        FakeDialog dialog;
        panel.colorPicker()->setColorDialog(dialog.opener());
        panel.show();
        QTest::mouseClick(panel.colorPicker(), Qt::LeftButton);
        dialog.current(QColor::fromRgbF(1.5f, -0.5f, 0, 1)); // clamped as it arrives
        QVERIFY((components(s) == ColorComponents{255, 0, 0, 255}));
        dialog.finished(std::nullopt);
        QVERIFY((components(s) == ColorComponents{204, 255, 204, 200}));
        QCOMPARE(panel.captionLabel()->text(), QStringLiteral("#CCFFCC  A=200"));
    }

    // Qt's own dialog, opened without blocking: live colours, then cancel or accept.
    void platformDialogFollowsAndCancels()
    {
        WindowState s;
        ColorPickerButton picker(s);
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QTest::mouseClick(&picker, Qt::LeftButton);
        auto* dialog = picker.findChild<QColorDialog*>();
        QVERIFY(dialog);
        QVERIFY(dialog->testOption(QColorDialog::ShowAlphaChannel));
        QCOMPARE(dialog->currentColor(), QColor(204, 255, 204, 255));
        dialog->setCurrentColor(QColor(10, 20, 30, 40));
        QVERIFY((components(s) == ColorComponents{10, 20, 30, 40}));
        dialog->reject();
        QVERIFY((components(s) == ColorComponents{204, 255, 204, 255}));
        QTRY_VERIFY(!picker.findChild<QColorDialog*>());

        QTest::mouseClick(&picker, Qt::LeftButton);
        dialog = picker.findChild<QColorDialog*>();
        QVERIFY(dialog);
        dialog->setCurrentColor(QColor(1, 2, 3, 4));
        dialog->accept();
        QVERIFY((components(s) == ColorComponents{1, 2, 3, 4}));
        QVERIFY(!picker.isChoosing());
    }

    void pickerSwatchShowsTheColour()
    {
        WindowState s;
        ColorPickerButton picker(s);
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        const QPoint centre = picker.swatchRect().center().toPoint();
        QCOMPARE(picker.grab().toImage().pixelColor(centre), QColor(204, 255, 204));
        borderColorBinding::setComponents(s, {0, 0, 255, 255});
        QCOMPARE(picker.grab().toImage().pixelColor(centre), QColor(0, 0, 255));
        // Transparent: the checkerboard shows through.
        borderColorBinding::setComponents(s, {0, 0, 0, 0});
        const int g = grey(picker.grab().toImage(), centre.x(), centre.y());
        QVERIFY2(g == 255 || qAbs(g - 224) <= 1, qPrintable(QString::number(g)));
    }

    void checkerboardRendersItsCells()
    {
        TransparencyCheckerboard board;
        board.resize(30, 20);
        const QImage img = board.grab().toImage();
        QCOMPARE(img.size(), QSize(30, 20));
        // Black at 0.12 over white is about 224.
        struct Probe {
            int x, y;
            bool grey;
        };
        for (const Probe& p : {Probe{1, 1, true}, Probe{11, 11, true}, Probe{13, 1, false},
                               Probe{25, 1, true}, Probe{29, 11, true}, Probe{1, 13, false},
                               Probe{13, 13, true}, Probe{23, 19, true}, Probe{25, 13, false}}) {
            const int g = grey(img, p.x, p.y);
            QVERIFY2(p.grey ? qAbs(g - 224) <= 1 : g == 255,
                     qPrintable(QString("(%1,%2) = %3").arg(p.x).arg(p.y).arg(g)));
        }
    }

    void checkerboardPaintsFromItsAreasCorner()
    {
        QImage img(40, 40, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            paintTransparencyCheckerboard(p, QRectF(5, 5, 30, 20));
        }
        QCOMPARE(qAlpha(img.pixel(2, 2)), 0);   // outside the area
        QCOMPARE(qAlpha(img.pixel(36, 26)), 0); // outside the area
        QVERIFY(qAbs(grey(img, 6, 6) - 224) <= 1);
        QCOMPARE(grey(img, 18, 6), 255);
        QVERIFY(qAbs(grey(img, 18, 18) - 224) <= 1);
    }
};

QTEST_MAIN(ColorControlsTest)
#include "tst_colorcontrols.moc"
