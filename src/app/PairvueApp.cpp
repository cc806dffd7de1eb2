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
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

ContentView* PairvueApp::openWindow(const QStringList& files)
{
    auto* window = new ContentView;
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Ctrl+N and Ctrl+W whatever the desktop's key theme says.
    auto bindings = [](QKeySequence::StandardKey key, QKeySequence plain) {
        QList<QKeySequence> keys = QKeySequence::keyBindings(key);
        if (!keys.contains(plain))
            keys.append(plain);
        return keys;
    };
    for (const QKeySequence& keys : bindings(QKeySequence::New, QKeySequence(Qt::CTRL | Qt::Key_N)))
        connect(new QShortcut(keys, window), &QShortcut::activated, this, [this] { openWindow(); });
    for (const QKeySequence& keys :
         bindings(QKeySequence::Close, QKeySequence(Qt::CTRL | Qt::Key_W)))
        connect(new QShortcut(keys, window), &QShortcut::activated, window, &QWidget::close);
    window->resize(window->minimumSize().expandedTo(QSize(960, 900)));
    window->show();
    window->openFiles(files);
    return window;
}
