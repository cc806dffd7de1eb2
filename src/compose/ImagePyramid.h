#pragma once

#include <QImage>
#include <QRect>

#include <memory>
#include <mutex>
#include <vector>

// An image with successively halved copies for fast, alias-free reduction.
//
// Each halving filters with Lanczos-3 stretched to twice its width (twelve
// taps in each direction), which keeps the band a later reduction by two or
// more passes and removes what would alias. Pixel j of level k stands at the
// centre of level-0 pixels [j * 2^k, (j + 1) * 2^k), so fine detail keeps its
// place. Beyond the image edges the edge pixels repeat.
//
// Level 0 is the loaded image itself where its bytes can be read as they are
// (grey, or four bytes per pixel premultiplied or opaque, in R G B A or
// B G R A order); only other formats, other colour spaces and colour files of
// grey pixels are converted once.
//
// A reduced level is made row by row as rows of it are asked for (from any
// thread; one at a time): a composition that reads only the full image never
// pays for the levels, one that reads a crop holds only the rows of the crop
// (the memory of rows not made is not taken), and one that reads a coarse
// level holds only that level: the rows of the finer levels it is made from
// are read where they are kept, and otherwise made a few at a time and
// dropped.
class ImagePyramid {
public:
    // With `reducedCopies` false there is only level 0: for an image
    // resampled once, where making a reduced copy would cost more than
    // filtering the full image with a wider filter.
    explicit ImagePyramid(const QImage& image, bool reducedCopies = true);

    // Level k is 2^k times smaller than level 0 (sizes rounded down), one
    // byte per pixel when grey, otherwise four premultiplied bytes in the
    // order channelOrderIsBgra() tells. Halving stops before a side would
    // become 0. A level that memory could not be found for is a null image.
    const QImage& level(int k) const;
    // Level k with at least its rows [top, bottom) made, for a reader of
    // those rows only (a null image when there was no memory to make them).
    // Before it takes memory for new rows, it lets go of the coarser levels
    // other than `alsoRead` (the level another reader reads at the same time,
    // -1 for none) when they hold no more than the new rows take: they were
    // the price of an earlier reading, and are made again from the rows kept
    // here if asked for. Coarser levels holding more are kept, so that a crop
    // dragged back and forth across the size at which the level changes, a
    // band of new rows at a time, does not make them again each time. With
    // `twoThreads` many new rows are made half on a second thread.
    const QImage& levelRows(int k, int top, int bottom, int alsoRead = -1,
                            bool twoThreads = false) const;
    // Whether there is memory for level k, taken now.
    bool reserveLevel(int k) const;
    QSize levelSize(int k) const { return m_sizes[size_t(k)]; }
    int levelCount() const { return int(m_sizes.size()); }
    // Opaque, and red = green = blue everywhere.
    bool isGrey() const { return m_grey; }
    // Every pixel has alpha 255.
    bool isOpaque() const { return m_opaque; }
    // Four-byte pixels are stored B G R A rather than R G B A.
    bool channelOrderIsBgra() const { return m_bgra; }

    // The pixels of level k made only from level-0 pixels inside `region`,
    // so that reading them brings in nothing from outside a crop. Where the
    // region reaches the edge of the image there is nothing outside to keep
    // out. Empty when no level pixel qualifies.
    QRect usableRegion(QRect region, int k) const;

    // Bytes held by the rows made so far (level 0 included, though it may be
    // the loaded image's own).
    qint64 byteCount() const;

private:
    // Rows are made in bands of this many.
    static constexpr int bandRows = 16;
    template <int Channels> class LevelRows;
    bool allocate(int k) const;
    template <int Channels>
    void makeRows(int k, int topBand, int bottomBand, bool twoThreads) const;
    qint64 bytesMade(int k) const;
    void letGoOfCoarser(int k, int topBand, int bottomBand, int alsoRead) const;

    std::vector<QSize> m_sizes;
    // Guarded by m_making.
    mutable std::mutex m_making;
    mutable std::vector<QImage> m_levels;
    mutable std::vector<std::vector<bool>> m_bandsMade;
    bool m_grey = false;
    bool m_opaque = false;
    bool m_bgra = false;
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
        qint64 key;
        std::shared_ptr<const ImagePyramid> pyramid;
    };
    size_t m_capacity;
    std::vector<Entry> m_entries; // least recently used first
};
