#include "slots/HoverCursor.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>

HoverCursor::HoverCursor(QWidget* target, CursorFor cursorFor)
    : QObject(target), m_target(target), m_cursorFor(std::move(cursorFor))
{
    target->setMouseTracking(true);
    target->installEventFilter(this);
}

void HoverCursor::pointAt(QPointF p)
{
    const Qt::CursorShape shape = m_cursorFor(p);
    if (!m_target->testAttribute(Qt::WA_SetCursor) || m_target->cursor().shape() != shape)
        m_target->setCursor(shape);
}

bool HoverCursor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_target) {
        switch (event->type()) {
        case QEvent::Enter:
            pointAt(static_cast<QEnterEvent*>(event)->position());
            break;
        case QEvent::MouseMove: {
            // While a button is held the cursor chosen at the press stays.
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->buttons() == Qt::NoButton)
                pointAt(me->position());
            break;
        }
        case QEvent::Leave:
            m_target->unsetCursor();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
