#include "app/PairvueApp.h"

#include "app/ContentView.h"

#include <QApplication>
#include <QIcon>
#include <QKeySequence>
#include <QLibraryInfo>
#include <QLocale>
#include <QShortcut>
#include <QTranslator>

void PairvueApp::configure(QApplication& app)
{
    // Before the first settings object is made.
    QApplication::setOrganizationName(QStringLiteral("Pairvue"));
    QApplication::setApplicationName(QStringLiteral("Pairvue"));
    QApplication::setApplicationDisplayName(QStringLiteral("Pairvue"));
    QApplication::setDesktopFileName(QStringLiteral("pairvue"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pairvue/pairvue.svg")));
    QApplication::setQuitOnLastWindowClosed(true);

    // The window speaks Japanese, Qt's own dialogs included.
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qt"),
                         QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

ContentView* PairvueApp::openWindow()
{
    auto* window = new ContentView;
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto* newWindow = new QShortcut(QKeySequence::New, window);
    connect(newWindow, &QShortcut::activated, this, &PairvueApp::openWindow);
    auto* close = new QShortcut(QKeySequence::Close, window);
    connect(close, &QShortcut::activated, window, &QWidget::close);
    window->resize(window->minimumSize().expandedTo(QSize(960, 900)));
    window->show();
    return window;
}
