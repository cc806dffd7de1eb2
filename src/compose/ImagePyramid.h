#pragma once

#include <QImage>

#include <memory>
#include <vector>

// An image in the composite's pixel format, with successively halved copies
// for fast, alias-free reduction.
class ImagePyramid {
public:
    explicit ImagePyramid(const QImage& image);

    // Level 0 is the image itself (RGBA8888 premultiplied, sRGB); level k is
    // 2^k times smaller.
    const QImage& level(int k) const { return m_levels[size_t(k)]; }
    int levelCount() const { return int(m_levels.size()); }

private:
    std::vector<QImage> m_levels;
};

// The pyramids of the few images a window holds, keyed by the image.
class PyramidCache {
public:
    std::shared_ptr<const ImagePyramid> pyramidFor(const QImage& image);

private:
    struct Entry {
        QImage image;  // kept so that its cache key stays unique
        std::shared_ptr<const ImagePyramid> pyramid;
    };
    std::vector<Entry> m_entries;
};
