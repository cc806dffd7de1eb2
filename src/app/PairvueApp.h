#pragma once

#include <QObject>

class QApplication;
class ContentView;

// The application: names it for the settings store, loads the Japanese
// translations of Qt's own dialogs, and opens windows (Ctrl+N) that each hold
// their own state. The program ends with its last window.
class PairvueApp : public QObject {
    Q_OBJECT

public:
    static void configure(QApplication& app);

    ContentView* openWindow();
};
