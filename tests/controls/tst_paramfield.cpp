#include "controls/FieldLineEdit.h"
#include "controls/ParamField.h"
#include "controls/ParameterPanelContent.h"
#include "state/WindowState.h"

#include <QAccessible>
#include <QLabel>
#include <QTest>

class ParamFieldTest : public QObject {
    Q_OBJECT

private slots:
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

    void panelBindsSixFieldsInTwoEvenRows()
    {
        WindowState s;
        ParameterPanelContent panel(s);
        panel.resize(760, panel.sizeHint().height());
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        const QList<ParamField*>& f = panel.fields();
        QCOMPARE(f.size(), 6);
        for (int row : {0, 3}) {
            QVERIFY(qAbs(f[row]->width() - f[row + 2]->width()) <= 1);
            QCOMPARE(f[row]->geometry().left(), 0);
            QCOMPARE(f[row + 2]->geometry().right(), panel.width() - 1);
            QCOMPARE(f[row + 1]->geometry().left() - f[row]->geometry().right() - 1, 10);
        }
        // Caption above the editor, 3 px apart.
        QCOMPARE(f[0]->editor()->geometry().top() - f[0]->captionLabel()->geometry().bottom() - 1,
                 3);

        const QStringList captions{"キャンバス幅",      "キャンバス高さ",    "画像サイズ",
                                   "画像1 (RAO) 中心X", "画像2 (LAO) 中心X", "中心Y（共通）"};
        auto values = [&s] {
            return QStringList{s.canvasW(), s.canvasH(), s.imgSize(), s.cx1(), s.cx2(), s.cy()};
        };
        QCOMPARE(values(), (QStringList{"1190", "600", "580", "300", "890", "300"}));
        for (int i = 0; i < 6; ++i) {
            FieldLineEdit* edit = f[i]->editor();
            QCOMPARE(edit->text(), values()[i]);
            QCOMPARE(QAccessible::queryAccessibleInterface(edit)->text(QAccessible::Name),
                     captions[i]);
            QStringList expected = values();
            expected[i] += QLatin1Char('9');
            edit->setFocus();
            edit->end(false);
            QTest::keyClick(edit, Qt::Key_9);
            QCOMPARE(values(), expected);
        }
    }
};

QTEST_MAIN(ParamFieldTest)
#include "tst_paramfield.moc"
