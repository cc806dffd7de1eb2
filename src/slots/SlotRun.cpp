#include "slots/SlotRun.h"

#include "state/WindowState.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

SlotRun& SlotRun::of(WindowState& state, int slot)
{
    const QString name = QStringLiteral("slotRun%1").arg(slot);
    auto* run = state.findChild<SlotRun*>(name, Qt::FindDirectChildrenOnly);
    return run ? *run : *new SlotRun(state, slot);
}

SlotRun::SlotRun(WindowState& state, int slot) : QObject(&state), m_state(state), m_slot(slot)
{
    setObjectName(QStringLiteral("slotRun%1").arg(slot));
    connect(&state, slot == 1 ? &WindowState::image1Changed : &WindowState::image2Changed, this,
            &SlotRun::imageChanged);
}

void SlotRun::setSource(std::shared_ptr<PictureSource> source, int frame)
{
    m_source = std::move(source);
    m_frame = m_source ? std::clamp(frame, 0, m_source->frameCount() - 1) : 0;
    m_shown = m_frame;
    m_step = 1;
    m_waiting.reset();
    // A decode still under way for the previous source is dropped when it ends.
    emit changed();
    prefetchAround(m_frame);
}

void SlotRun::showFrame(int index, std::function<void()> onChange)
{
    if (!m_source)
        return;
    index = std::clamp(index, 0, m_source->frameCount() - 1);
    if (index == m_frame && !m_decoding)
        return;
    m_frame = index;
    m_onChange = std::move(onChange);
    emit changed();
    if (const std::optional<QImage> ready = m_source->readyFrame(index)) {
        // A decode under way for an earlier request is dropped when it ends.
        m_waiting.reset();
        show(index, *ready);
        return;
    }
    if (m_decoding) {
        m_waiting = index;
        return;
    }
    startDecode();
}

void SlotRun::startDecode()
{
    m_decoding = true;
    m_waiting.reset();
    const std::shared_ptr<PictureSource> source = m_source;
    const int index = m_frame;
    // The watcher is a child: a frame finished after the window state is
    // gone is never delivered.
    auto* watcher = new QFutureWatcher<std::optional<QImage>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, source, index] {
        const std::optional<QImage> image = watcher->result();
        watcher->deleteLater();
        m_decoding = false;
        if (source != m_source)
            return; // another file came meanwhile
        if (m_waiting && *m_waiting != index) {
            startDecode();
            return;
        }
        if (!image || index != m_frame)
            return;
        show(index, *image);
    });
    watcher->setFuture(QtConcurrent::run([source, index] { return source->frame(index); }));
}

void SlotRun::show(int index, const QImage& image)
{
    if (index != m_shown)
        m_step = index > m_shown ? 1 : -1;
    m_shown = index;
    m_settingImage = true;
    m_state.setImage(m_slot, image);
    m_settingImage = false;
    if (m_onChange)
        m_onChange();
    prefetchAround(index);
}

void SlotRun::prefetchAround(int index)
{
    if (m_source && m_source->frameCount() > 1)
        m_source->prefetch({index + m_step, index - m_step, index + 2 * m_step});
}

void SlotRun::imageChanged()
{
    if (m_settingImage || !m_state.image(m_slot).isNull() || !m_source)
        return;
    // The slot was cleared: the run and its frames go.
    m_source.reset();
    m_frame = 0;
    m_waiting.reset();
    emit changed();
}
