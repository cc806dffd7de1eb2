#include "app/ActionRow.h"

#include <QEvent>

#include <algorithm>

ActionRow::ActionRow(int spacing, QWidget* parent) : QWidget(parent), m_spacing(spacing)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ActionRow::addWidget(QWidget* widget, int bleed)
{
    widget->setParent(this);
    m_items.push_back({widget, bleed});
    updateGeometry();
    arrange();
}

void ActionRow::addStretch()
{
    m_items.push_back({});
}

namespace {
// A widget's own size: its size hint within its minimum and maximum size.
QSize preferredSize(const QWidget* widget)
{
    return widget->sizeHint().expandedTo(widget->minimumSize()).boundedTo(widget->maximumSize());
}
} // namespace

int ActionRow::visibleWidth(const Item& item) const
{
    if (!item.widget || item.widget->isHidden())
        return 0;
    return preferredSize(item.widget).width() - 2 * item.bleed;
}

QSize ActionRow::sizeHint() const
{
    int width = 0;
    int height = 0;
    int count = 0;
    for (const Item& item : m_items) {
        if (!item.widget || item.widget->isHidden())
            continue;
        width += visibleWidth(item);
        height = std::max(height, preferredSize(item.widget).height() - 2 * item.bleed);
        ++count;
    }
    width += std::max(0, count - 1) * m_spacing;
    return QSize(width, height);
}

void ActionRow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrange();
}

bool ActionRow::event(QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        arrange();
    }
    return QWidget::event(event);
}

void ActionRow::arrange()
{
    const int free = std::max(0, width() - sizeHint().width());
    int x = 0;
    bool first = true;
    for (const Item& item : m_items) {
        if (!item.widget) {
            x += free;
            continue;
        }
        if (item.widget->isHidden())
            continue;
        if (!first)
            x += m_spacing;
        first = false;
        const QSize hint = preferredSize(item.widget);
        const int visibleHeight = hint.height() - 2 * item.bleed;
        const int y = (height() - visibleHeight) / 2 - item.bleed;
        item.widget->setGeometry(x - item.bleed, y, hint.width(), hint.height());
        x += visibleWidth(item);
    }
}
