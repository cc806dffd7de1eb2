#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. Read before the window system starts, so
// that --help and --version work without a display; a subcommand (a first
// argument naming one) is dispatched here too, before any window exists.
struct CommandLine {
    enum class Action {
        OpenWindow,  // the window, with up to two files for slots 1 and 2
        ShowHelp,    // print helpText() and exit 0
        ShowVersion, // print versionText() and exit 0
        Fail,        // print `error` and the hint to stderr, exit usageErrorExit
    };
    Action action = Action::OpenWindow;
    QStringList files; // absolute paths: slot 1 (RAO), then slot 2 (LAO)
    QString error;     // one line: what is wrong with the command line
};

// The exit status for a command line that cannot be followed.
constexpr int usageErrorExit = 2;

// Reads `arguments` (the program's name first, as in argv). Relative paths
// count from `workingDir`. An unknown option, or more than two files, fails;
// "--" ends the options, so a file whose name starts with "-" can follow it.
CommandLine parseCommandLine(const QStringList& arguments, const QString& workingDir);

// The program's arguments as text (the file system's encoding, UTF-8).
QStringList commandLineArguments(int argc, char** argv);

QString helpText();
QString versionText();
// What follows the error line on stderr.
QString usageHint();
