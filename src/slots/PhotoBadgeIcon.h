#pragma once

#include <QColor>
#include <QWidget>

// The empty slot's picture: a framed photo with a plus badge, drawn at a
// symbol size in points, in one colour at one opacity.
class PhotoBadgeIcon : public QWidget {
    Q_OBJECT

public:
    PhotoBadgeIcon(double symbolSize, QColor color, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_size;
    QColor m_color;
};
