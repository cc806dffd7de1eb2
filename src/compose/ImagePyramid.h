#pragma once

#include <QImage>
#include <QRect>

#include <memory>
#include <vector>

// An image in the composite's pixel format, with successively halved copies
// for fast, alias-free reduction.
//
// Each halving filters with the taps (1 3 3 1) / 8 in both directions. Like
// a 2 x 2 average it puts pixel j of level k at the centre of level-0 pixels
// [j * 2^k, (j + 1) * 2^k), but unlike it, it keeps the position of fine
// detail: the centre of mass of a thin line survives halving exactly, where a
// 2 x 2 average would pull it to the middle of its block (a quarter of a
// canvas pixel after reduction). Beyond the image edges the edge pixels
// repeat.
class ImagePyramid {
public:
    explicit ImagePyramid(const QImage& image);

    // Level 0 is the image itself in sRGB, as Grayscale8 when it is grey
    // (opaque, red = green = blue everywhere) and as RGBA8888 premultiplied
    // otherwise; level k is 2^k times smaller (sizes rounded down). Halving
    // stops before a side would become 0.
    const QImage& level(int k) const { return m_levels[size_t(k)]; }
    int levelCount() const { return int(m_levels.size()); }
    bool isGrey() const { return m_grey; }

    // The pixels of level k made only from level-0 pixels inside `region`,
    // so that reading them brings in nothing from outside a crop. Where the
    // region reaches the edge of the image there is nothing outside to keep
    // out. Empty when no level pixel qualifies.
    QRect usableRegion(QRect region, int k) const;

    // Bytes held by all levels (level 0 included).
    qint64 byteCount() const;

private:
    std::vector<QImage> m_levels;
    bool m_grey = false;
};

// The pyramids of the images a window is composing, keyed by the image. The
// least recently used pyramid goes first when a new image comes in, so with
// both pictures asked for on every composition a new image replaces exactly
// the one it succeeded.
class PyramidCache {
public:
    explicit PyramidCache(size_t capacity = 2) : m_capacity(capacity) {}

    std::shared_ptr<const ImagePyramid> pyramidFor(const QImage& image);
    void clear() { m_entries.clear(); }
    size_t size() const { return m_entries.size(); }

private:
    struct Entry {
        QImage image; // kept so that its cache key stays unique
        std::shared_ptr<const ImagePyramid> pyramid;
    };
    size_t m_capacity;
    std::vector<Entry> m_entries; // least recently used first
};
