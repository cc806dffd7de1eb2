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
            QTest::newRow(name) << (QStringList{QStringLiteral("pairvue")} + args) << action
                                << files;
        };
        row("nothing opens an empty window", {}, Action::OpenWindow);
        row("relative paths count from the working folder", {"a.png", "../b/c.jpg"},
            Action::OpenWindow, {"/work/dir/a.png", "/work/b/c.jpg"});
        row("an absolute path stays", {"/data/x.dcm"}, Action::OpenWindow, {"/data/x.dcm"});
        row("a name starting with a dash after --", {"--", "-x.png"}, Action::OpenWindow,
            {"/work/dir/-x.png"});
        row("help wins over files", {"a.png", "--help"}, Action::ShowHelp);
        row("short help", {"-h"}, Action::ShowHelp);
        row("version", {"--version"}, Action::ShowVersion);
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

    // The program itself, with no display to talk to: whatever needs no
    // window ends before the window system would have been asked for one.
    void programWithoutDisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "使い方: pairvue"
                              << "";
        QTest::newRow("version") << QStringList{"-v"} << 0 << versionText() << "";
        QTest::newRow("unknown option") << QStringList{"--zoom"} << 2 << ""
                                        << "pairvue: 不明なオプション: --zoom";
        QTest::newRow("three files") << QStringList{"a", "b", "c"} << 2 << ""
                                     << "pairvue: 開けるのは 2 ファイルまで";
    }
    void programWithoutDisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(PAIRVUE_BINARY), arguments);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QString stdoutText = QString::fromUtf8(program.readAllStandardOutput());
        const QString stderrText = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(out.isEmpty() ? stdoutText.isEmpty() : stdoutText.startsWith(out),
                 qPrintable(stdoutText));
        QVERIFY2(err.isEmpty() ? stderrText.isEmpty() : stderrText.startsWith(err),
                 qPrintable(stderrText));
    }
};

QTEST_APPLESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
