#pragma once

#include "app/WindowState.h"
#include "compose/Composition.h"

#include <QWidget>

class QLabel;

// One Pairvue window: owns the window state, lays it out and runs the actions.
class ContentView : public QWidget {
    Q_OBJECT

public:
    explicit ContentView(QWidget* parent = nullptr);

    WindowState& state() { return m_state; }
    const WindowState& state() const { return m_state; }

    // Rebuilds the composite from the current images, crops and parameters.
    void refresh();
    // Removes both images, their crops and the composite.
    void clearImages();
    // Restores what the settings store holds; runs once when the window first shows.
    void loadSavedSettings();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void connectChangeHandlers();
    void updateStatusLine();

    WindowState m_state;
    Compositor m_compositor;
    bool m_appeared = false;
    QLabel* m_statusLabel = nullptr;
};
