#pragma once

#include <QObject>
#include <QStringList>

class QApplication;
class ContentView;

// The application: names it for the settings store, loads the Japanese
// translations of Qt's own dialogs, and opens windows (Ctrl+N) that each hold
// their own state. The program ends with its last window.
class PairvueApp : public QObject {
    Q_OBJECT

public:
    static void configure(QApplication& app);

    // A new window; `files` (at most two) go into slots 1 and 2 as if
    // dropped there.
    ContentView* openWindow(const QStringList& files = {});
};
