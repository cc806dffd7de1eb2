#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <functional>

// The image area of a slot panel: a rounded, dashed-bordered field that takes
// a dropped file. While a drag carrying a file hovers over it, it is
// "targeted" and drawn in the slot's accent.
class DropArea : public QWidget {
    Q_OBJECT

public:
    static constexpr int areaHeight = 260;
    static constexpr int contentInset = 8;

    DropArea(QColor accent, std::function<void(const QString& path)> onDropFile,
             QWidget* parent = nullptr);

    bool isTargeted() const { return m_targeted; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void setTargeted(bool targeted);

    QColor m_accent;
    std::function<void(const QString&)> m_onDropFile;
    bool m_targeted = false;
    QPixmap m_background;
    QSize m_backgroundSize;
    qreal m_backgroundDpr = 0;
    bool m_backgroundTargeted = false;
};
