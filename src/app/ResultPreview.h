#pragma once

#include "slots/CropCanvasView.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <functional>
#include <optional>

// The composite as the user sees it: fitted to the panel's width and at most
// 340 high, on the transparency checkerboard, with rounded corners. A tall
// composite stands at the left edge. Pressing on the picture and moving the
// mouse starts `onDragOut` (the window drags the composite out of it).
class ResultPreview : public QWidget {
    Q_OBJECT

public:
    static constexpr int maxHeight = 340;
    static constexpr qreal cornerRadius = 10;

    explicit ResultPreview(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    void setOnDragOut(std::function<void()> onDragOut) { m_onDragOut = std::move(onDragOut); }
    const QImage& image() const { return m_image; }

    // Where the picture stands in a widget of the given width.
    static QRectF pictureRect(QSize imageSize, int width);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return QSize(0, 0); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updateHeight();
    bool onPicture(QPointF p) const;

    QImage m_image;
    ScaledImage m_scaled; // the composite at the size shown, remade in part as it changes
    std::function<void()> m_onDragOut;
    std::optional<QPoint> m_pressedAt;
};
