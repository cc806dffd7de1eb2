#pragma once

#include <QColor>
#include <QWidget>

// A rounded panel: its content padded on all sides, on a filled rounded
// rectangle. The window's cards, the header band and the status line are all
// made of it.
class Card : public QWidget {
    Q_OBJECT

public:
    Card(QColor background, qreal cornerRadius, QMargins padding, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_background;
    qreal m_radius;
};
