#include "app/WindowState.h"
#include "controls/FieldLineEdit.h"
#include "controls/ParamField.h"
#include "controls/ParameterPanelContent.h"

#include <QAccessible>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

class ParamFieldTest : public QObject {
    Q_OBJECT

private slots:
    void everyKeystrokeIsWrittenAtOnce()
    {
        WindowState s;
        ParamField field(QStringLiteral("キャンバス幅"), s, &WindowState::canvasW,
                         &WindowState::setCanvasW, &WindowState::canvasWChanged);
        field.show();
        FieldLineEdit* edit = field.editor();
        QCOMPARE(edit->text(), QStringLiteral("1190"));

        QStringList seen;
        connect(&s, &WindowState::canvasWChanged, this, [&] { seen << s.canvasW(); });
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, QStringLiteral("1200"));
        QCOMPARE(seen, (QStringList{QString(), "1", "12", "120", "1200"}));

        // Nothing is filtered: a letter goes into the state as typed.
        QTest::keyClick(edit, Qt::Key_X);
        QCOMPARE(s.canvasW(), QStringLiteral("1200x"));

        // Return commits nothing further.
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(seen.size(), 6);
        QCOMPARE(s.canvasW(), QStringLiteral("1200x"));
    }

    void stateChangesShowWithoutMovingTheCaret()
    {
        WindowState s;
        ParamField field(QStringLiteral("中心Y（共通）"), s, &WindowState::cy, &WindowState::setCy,
                         &WindowState::cyChanged);
        field.show();
        FieldLineEdit* edit = field.editor();
        edit->setFocus();
        edit->setCursorPosition(1);
        QTest::keyClick(edit, Qt::Key_5);
        QCOMPARE(s.cy(), QStringLiteral("3500"));
        QCOMPARE(edit->cursorPosition(), 2);

        // An announcement of the text the field already shows leaves it alone.
        emit s.cyChanged();
        QCOMPARE(edit->cursorPosition(), 2);

        // A change made elsewhere shows at once.
        s.setCy(QStringLiteral("777"));
        QCOMPARE(edit->text(), QStringLiteral("777"));
    }

    void bindsThroughGetterAndSetter()
    {
        WindowState s;
        ParamField field(
            QStringLiteral("画像サイズ"), [&s] { return s.imgSize(); },
            [&s](const QString& v) { s.setImgSize(v); }, &s, &WindowState::imgSizeChanged);
        field.show();
        QCOMPARE(field.editor()->text(), QStringLiteral("580"));
        field.editor()->setFocus();
        QTest::keyClick(field.editor(), Qt::Key_Backspace);
        QCOMPARE(s.imgSize(), QStringLiteral("58"));
        s.setImgSize(QStringLiteral("600"));
        QCOMPARE(field.editor()->text(), QStringLiteral("600"));
    }

    void panelFieldsAreBoundInOrder_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("initial");
        QTest::newRow("canvas width") << 0 << QStringLiteral("キャンバス幅") << "1190";
        QTest::newRow("canvas height") << 1 << QStringLiteral("キャンバス高さ") << "600";
        QTest::newRow("picture size") << 2 << QStringLiteral("画像サイズ") << "580";
        QTest::newRow("centre x 1") << 3 << QStringLiteral("画像1 (RAO) 中心X") << "300";
        QTest::newRow("centre x 2") << 4 << QStringLiteral("画像2 (LAO) 中心X") << "890";
        QTest::newRow("centre y") << 5 << QStringLiteral("中心Y（共通）") << "300";
    }
    void panelFieldsAreBoundInOrder()
    {
        QFETCH(int, index);
        QFETCH(QString, caption);
        QFETCH(QString, initial);
        WindowState s;
        ParameterPanelContent panel(s);
        panel.show();
        QCOMPARE(panel.headingLabel()->text(), QStringLiteral("⚙️　パラメータ設定"));
        QCOMPARE(panel.fields().size(), 6);
        ParamField* field = panel.fields().at(index);
        QCOMPARE(field->caption(), caption);
        QCOMPARE(field->editor()->text(), initial);

        // Accessible by its caption.
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(field->editor());
        QVERIFY(a);
        QCOMPARE(a->text(QAccessible::Name), caption);

        const QStringList before{s.canvasW(), s.canvasH(), s.imgSize(), s.cx1(), s.cx2(), s.cy()};
        field->editor()->setFocus();
        field->editor()->end(false);
        QTest::keyClick(field->editor(), Qt::Key_9);
        QStringList expected = before;
        expected[index] += QLatin1Char('9');
        QCOMPARE((QStringList{s.canvasW(), s.canvasH(), s.imgSize(), s.cx1(), s.cx2(), s.cy()}),
                 expected);
    }

    void rowFieldsShareTheWidthEvenly()
    {
        WindowState s;
        ParameterPanelContent panel(s);
        panel.resize(760, panel.sizeHint().height());
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        const QList<ParamField*>& f = panel.fields();
        for (int row = 0; row < 2; ++row) {
            ParamField* a = f[row * 3];
            ParamField* c = f[row * 3 + 2];
            QVERIFY(qAbs(a->width() - c->width()) <= 1);
            QCOMPARE(a->geometry().left(), 0);
            QCOMPARE(c->geometry().right(), panel.width() - 1);
            QCOMPARE(f[row * 3 + 1]->geometry().left() - a->geometry().right() - 1, 10);
        }
        // Caption above the editor, 3 px apart, left-aligned.
        ParamField* first = f[0];
        QCOMPARE(first->editor()->geometry().top() - first->captionLabel()->geometry().bottom() - 1,
                 3);
        QCOMPARE(first->captionLabel()->geometry().left(), 0);
    }
};

QTEST_MAIN(ParamFieldTest)
#include "tst_paramfield.moc"
