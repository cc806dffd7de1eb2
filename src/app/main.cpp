#include "app/CommandLine.h"
#include "app/ComposeCommand.h"
#include "app/PairvueApp.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    // `pairvue compose ...` needs no window and no display: it is decided
    // before anything graphical is made.
    if (argc >= 2 && std::strcmp(argv[1], "compose") == 0)
        return composeMain(argc, argv);

    // So is the rest of the command line: --help, --version and a mistyped
    // option need no display either.
    const CommandLine command =
        parseCommandLine(commandLineArguments(argc, argv), QDir::currentPath());
    switch (command.action) {
    case CommandLine::Action::ShowHelp:
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::ShowVersion:
        std::fputs(versionText().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::Fail:
        std::fputs(("pairvue: " + command.error + u'\n' + usageHint()).toLocal8Bit().constData(),
                   stderr);
        return usageErrorExit;
    case CommandLine::Action::OpenWindow:
        break;
    }

    QApplication app(argc, argv);
    PairvueApp::configure(app);
    PairvueApp pairvue;
    pairvue.openWindow(command.files);
    return app.exec();
}
