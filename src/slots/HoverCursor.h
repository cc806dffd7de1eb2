#pragma once

#include <QObject>
#include <QPointF>

#include <functional>

class QWidget;

// Keeps a widget's cursor in step with what a press at the pointer would do:
// on every pointer movement over the widget (no button held) it asks
// `cursorFor` for the cursor; when the pointer leaves, the widget's own
// cursor is removed and the ordinary arrow shows again.
class HoverCursor : public QObject {
    Q_OBJECT

public:
    using CursorFor = std::function<Qt::CursorShape(QPointF)>;

    HoverCursor(QWidget* target, CursorFor cursorFor);

    // Re-evaluates the cursor for a pointer at `p` (widget coordinates).
    void pointAt(QPointF p);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_target;
    CursorFor m_cursorFor;
};
