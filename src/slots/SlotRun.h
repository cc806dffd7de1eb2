#pragma once

#include "imaging/PictureSource.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class WindowState;

// The picture source behind one slot of a window state, and the frame of it
// shown there. It belongs to the window state (a child object), so that every
// way of loading a file reaches it. Clearing the slot's image or loading
// another file releases the source and its decoded frames.
class SlotRun : public QObject {
    Q_OBJECT

public:
    // The run of `slot` (1 or 2) of `state`, made on first use.
    static SlotRun& of(WindowState& state, int slot);

    // The number of frames of the source; 0 while the slot holds none.
    int frameCount() const { return m_source ? m_source->frameCount() : 0; }
    // The picture source; none while the slot holds none.
    const std::shared_ptr<PictureSource>& source() const { return m_source; }
    // The frame last asked for (0-based); it shows once decoded.
    int frame() const { return m_frame; }
    std::optional<Projection> projection() const
    {
        return m_source ? m_source->projection() : std::nullopt;
    }

    // Puts a newly opened source in place, showing `frame`: the loader has
    // already put that frame's picture into the state.
    void setSource(std::shared_ptr<PictureSource> source, int frame);

    // Shows frame `index` (clamped to the run): it becomes the slot's image
    // (the crop stays), and `onChange` runs, at once when the frame is decoded
    // already, else once a worker thread has decoded it. While a decode is
    // under way, only the newest request waits; the ones in between are
    // skipped. Once a frame shows, its neighbours are decoded ahead in the
    // background: the next one in the direction of travel, the one behind,
    // and the one after the next.
    void showFrame(int index, std::function<void()> onChange);

signals:
    // The source or the frame asked for changed.
    void changed();

private:
    SlotRun(WindowState& state, int slot);
    void startDecode();
    void show(int index, const QImage& image);
    void prefetchAround(int index);
    void imageChanged();

    WindowState& m_state;
    int m_slot;
    std::shared_ptr<PictureSource> m_source;
    int m_frame = 0;
    int m_shown = 0; // the frame the slot's image shows
    int m_step = 1;  // the direction of travel: 1 forwards, -1 backwards
    bool m_decoding = false;
    std::optional<int> m_waiting; // the newest frame asked for during a decode
    std::function<void()> m_onChange;
    bool m_settingImage = false;
};
