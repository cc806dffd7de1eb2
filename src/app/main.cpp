#include "app/ComposeCommand.h"
#include "app/PairvueApp.h"

#include <QApplication>

#include <cstring>

int main(int argc, char* argv[])
{
    // `pairvue compose ...` needs no window and no display: it is decided
    // before anything graphical is made.
    if (argc >= 2 && std::strcmp(argv[1], "compose") == 0)
        return composeMain(argc, argv);

    QApplication app(argc, argv);
    PairvueApp::configure(app);
    PairvueApp pairvue;
    pairvue.openWindow();
    return app.exec();
}
