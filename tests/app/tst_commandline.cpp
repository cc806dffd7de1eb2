#include "app/CommandLine.h"

#include <QProcess>
#include <QTest>

using Action = CommandLine::Action;
Q_DECLARE_METATYPE(CommandLine::Action)

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QStringList>("files");
        auto row = [](const char* name, QStringList args, Action action, QStringList files = {}) {
            QTest::newRow(name) << QStringList{"pairvue"} + args << action << files;
        };
        row("nothing opens an empty window", {}, Action::OpenWindow);
        row("relative paths count from the working folder", {"a.png", "/data/x.dcm"},
            Action::OpenWindow, {"/work/dir/a.png", "/data/x.dcm"});
        row("a name starting with a dash after --", {"--", "-x.png"}, Action::OpenWindow,
            {"/work/dir/-x.png"});
        row("help wins over files", {"a.png", "--help"}, Action::ShowHelp);
        row("a third file fails", {"a", "b", "c"}, Action::Fail);
        row("an unknown option fails, even with help", {"--help", "--zoom"}, Action::Fail);
        row("Qt's own options are not taken", {"-platform", "xcb"}, Action::Fail);
    }
    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(QStringList, files);
        const CommandLine command = parseCommandLine(arguments, QStringLiteral("/work/dir"));
        QCOMPARE(command.action, action);
        QCOMPARE(command.files, files);
        QCOMPARE(command.error.isEmpty(), action != Action::Fail);
    }

    // The program itself, with no display: help and version end before the
    // window system would have been asked for a window.
    void programWithoutDisplay_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("out");
        QTest::newRow("help") << "--help"
                              << "使い方: pairvue";
        QTest::newRow("version") << "-v" << versionText();
    }
    void programWithoutDisplay()
    {
        QFETCH(QString, argument);
        QFETCH(QString, out);
        QProcess program;
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        qputenv("QT_QPA_PLATFORM", "xcb");
        program.start(QStringLiteral(PAIRVUE_BINARY), {argument});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(QString(program.readAllStandardOutput()).startsWith(out));
    }
};

QTEST_APPLESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
