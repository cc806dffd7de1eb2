#include "app/ResultPreview.h"

#include "controls/TransparencyCheckerboard.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

ResultPreview::ResultPreview(QWidget* parent) : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(QStringLiteral("合成結果 プレビュー"));
    setMouseTracking(true);
}

void ResultPreview::setImage(const QImage& image)
{
    const QSize before = m_image.size();
    m_image = image;
    if (image.size() != before) {
        updateHeight();
        // What a screen reader says of the picture: its size in pixels.
        setAccessibleDescription(
            image.isNull()
                ? QString()
                : QStringLiteral("合成結果 %1 × %2 px").arg(image.width()).arg(image.height()));
    }
    update();
}

QRectF ResultPreview::pictureRect(QSize imageSize, int width)
{
    if (imageSize.isEmpty() || width <= 0)
        return QRectF();
    const double aspect = double(imageSize.height()) / imageSize.width();
    double w = width;
    double h = w * aspect;
    if (h > maxHeight) {
        h = maxHeight;
        w = h / aspect;
    }
    return QRectF(0, 0, w, h);
}

int ResultPreview::heightForWidth(int width) const
{
    return int(std::ceil(pictureRect(m_image.size(), width).height()));
}

QSize ResultPreview::sizeHint() const
{
    return QSize(400, heightForWidth(400));
}

void ResultPreview::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateHeight();
}

void ResultPreview::updateHeight()
{
    const int h = heightForWidth(width());
    if (h != height())
        setFixedHeight(h);
}

void ResultPreview::paintEvent(QPaintEvent*)
{
    const QRectF target = pictureRect(m_image.size(), width());
    if (target.isEmpty())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(target, cornerRadius, cornerRadius);
    p.setClipPath(clip);
    paintTransparencyCheckerboard(p, target);
    // Scaled once per composite and size, not on every repaint.
    const qreal dpr = devicePixelRatioF();
    const QSize pixels(std::max(1, int(std::lround(target.width() * dpr))),
                       std::max(1, int(std::lround(target.height() * dpr))));
    const QImage& scaled = m_scaled.scaled(m_image, pixels);
    p.drawImage(target, scaled, QRectF(QPointF(0, 0), QSizeF(scaled.size())));
}

bool ResultPreview::onPicture(QPointF p) const
{
    return pictureRect(m_image.size(), width()).contains(p);
}

void ResultPreview::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && onPicture(event->position()))
        m_pressedAt = event->position().toPoint();
    else
        QWidget::mousePressEvent(event);
}

void ResultPreview::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressedAt) {
        // The open hand says the picture can be taken away.
        if (onPicture(event->position()))
            setCursor(Qt::OpenHandCursor);
        else
            unsetCursor();
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        m_pressedAt.reset();
        return;
    }
    if ((event->position().toPoint() - *m_pressedAt).manhattanLength() <
        QApplication::startDragDistance())
        return;
    m_pressedAt.reset();
    if (m_onDragOut)
        m_onDragOut();
}

void ResultPreview::mouseReleaseEvent(QMouseEvent* event)
{
    m_pressedAt.reset();
    QWidget::mouseReleaseEvent(event);
}
