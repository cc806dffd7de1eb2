#include "app/PairvueApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    PairvueApp::configure(app);
    PairvueApp pairvue;
    pairvue.openWindow();
    return app.exec();
}
