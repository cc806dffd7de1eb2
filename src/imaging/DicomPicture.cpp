#include "imaging/DicomPicture.h"

#include "imaging/DicomStructure.h"
#include "imaging/ImageFile.h"

// clang-format off
#include <dcmtk/config/osconfig.h> // must come first
// clang-format on
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcpixel.h>
#include <dcmtk/dcmdata/dcpixseq.h>
#include <dcmtk/dcmdata/dcpxitem.h>
#include <dcmtk/dcmdata/dcrledrg.h>
#include <dcmtk/dcmimage/diregist.h>
#include <dcmtk/dcmimgle/dcmimage.h>
#include <dcmtk/dcmjpeg/djdecode.h>
#include <dcmtk/dcmjpls/djdecode.h>
#include <dcmtk/oflog/oflog.h>

#include <QFile>
#include <QThreadPool>

#include <cmath>
#include <condition_variable>
#include <cstring>
#include <list>
#include <map>
#include <mutex>

namespace {

// Element values longer than this stay in the file until a frame needs them.
constexpr Uint32 lazyValueBytes = 4096;

bool supportedSyntax(E_TransferSyntax xfer)
{
    switch (xfer) {
    case EXS_LittleEndianImplicit:
    case EXS_LittleEndianExplicit:
    case EXS_BigEndianExplicit:
    case EXS_DeflatedLittleEndianExplicit:
    case EXS_JPEGProcess1:
    case EXS_JPEGProcess2_4:
    case EXS_JPEGProcess14:
    case EXS_JPEGProcess14SV1:
    case EXS_JPEGLSLossless:
    case EXS_JPEGLSLossy:
    case EXS_RLELossless:
        return true;
    default:
        return false;
    }
}

struct PixelModule {
    qint64 rows = 0;
    qint64 columns = 0;
    qint64 samples = 0;
    qint64 bitsAllocated = 0;
    qint64 frames = 1;
    bool subsampled = false; // YBR_FULL_422 stored natively: two bytes per pixel pair
};

// Reads the pixel module and judges it against the pixel data's length.
std::optional<PixelModule> checkedPixelModule(DcmDataset& ds, E_TransferSyntax xfer)
{
    PixelModule m;
    Uint16 rows = 0, columns = 0, samples = 0, allocated = 0, stored = 0;
    if (ds.findAndGetUint16(DCM_Rows, rows).bad() ||
        ds.findAndGetUint16(DCM_Columns, columns).bad() ||
        ds.findAndGetUint16(DCM_BitsAllocated, allocated).bad() ||
        ds.findAndGetUint16(DCM_BitsStored, stored).bad())
        return std::nullopt;
    if (ds.findAndGetUint16(DCM_SamplesPerPixel, samples).bad())
        samples = 1;
    OFString photometric;
    if (ds.findAndGetOFString(DCM_PhotometricInterpretation, photometric).bad())
        return std::nullopt;
    const bool grey = photometric == "MONOCHROME1" || photometric == "MONOCHROME2";
    const bool palette = photometric == "PALETTE COLOR";
    const bool colour =
        photometric == "RGB" || photometric == "YBR_FULL" || photometric == "YBR_FULL_422";
    if (!((grey || palette) && samples == 1) && !(colour && samples == 3))
        return std::nullopt;
    if ((allocated != 8 && allocated != 16) || stored < 1 || stored > allocated)
        return std::nullopt;
    m.rows = rows;
    m.columns = columns;
    m.samples = samples;
    m.bitsAllocated = allocated;
    m.subsampled = photometric == "YBR_FULL_422";
    if (m.rows < 1 || m.columns < 1 || !imageSizeAllowed(m.columns, m.rows) ||
        m.rows * m.columns * m.samples * 4 > maxImageBytes)
        return std::nullopt;

    Sint32 frames = 1;
    if (ds.tagExists(DCM_NumberOfFrames)) {
        if (ds.findAndGetSint32(DCM_NumberOfFrames, frames).bad() || frames < 1)
            return std::nullopt;
    }
    m.frames = frames;

    DcmElement* element = nullptr;
    if (ds.findAndGetElement(DCM_PixelData, element).bad() || !element)
        return std::nullopt;
    auto* pixels = dynamic_cast<DcmPixelData*>(element);
    if (!pixels)
        return std::nullopt;
    if (DcmXfer(xfer).isEncapsulated()) {
        DcmPixelSequence* sequence = nullptr;
        if (pixels->getEncapsulatedRepresentation(xfer, nullptr, sequence).bad() || !sequence)
            return std::nullopt;
        // The first item is the offset table; every frame starts a fragment of its own.
        const qint64 fragments = qint64(sequence->card()) - 1;
        if (fragments < m.frames)
            return std::nullopt;
        DcmPixelItem* table = nullptr;
        if (sequence->getItem(table, 0).bad() || !table)
            return std::nullopt;
        const qint64 tableEntries = table->getLength() / 4;
        if (tableEntries != 0 && tableEntries != m.frames)
            return std::nullopt;
    } else {
        const qint64 bytesPerSample = m.bitsAllocated / 8;
        qint64 frameBytes = m.rows * m.columns * m.samples * bytesPerSample;
        if (m.subsampled)
            frameBytes = frameBytes * 2 / 3;
        const qint64 length = element->getLength();
        if (length / frameBytes < m.frames)
            return std::nullopt;
    }
    return m;
}

std::optional<Projection> storedProjection(DcmDataset& ds)
{
    Float64 primary = 0, secondary = 0;
    if (ds.findAndGetFloat64(DCM_PositionerPrimaryAngle, primary).bad() ||
        ds.findAndGetFloat64(DCM_PositionerSecondaryAngle, secondary).bad())
        return std::nullopt;
    if (!std::isfinite(primary) || !std::isfinite(secondary) || std::fabs(primary) > 360 ||
        std::fabs(secondary) > 360)
        return std::nullopt;
    return Projection{primary, secondary};
}

// The prefetches of every run, one frame at a time on one worker of their
// own, so that a frame asked for (decoded on the shared workers) never queues
// behind them. It waits for its last decode when the program ends.
QThreadPool& prefetchPool()
{
    static QThreadPool pool;
    static const bool once = [] {
        pool.setMaxThreadCount(1);
        pool.setExpiryTimeout(30000);
        return true;
    }();
    Q_UNUSED(once);
    return pool;
}

class DicomRun final : public PictureSource, public std::enable_shared_from_this<DicomRun> {
public:
    DicomRun(std::unique_ptr<QFile> opened, std::unique_ptr<DcmFileFormat> file,
             E_TransferSyntax xfer, const PixelModule& module, int initial,
             std::optional<Projection> projection)
        : m_opened(std::move(opened)), m_xfer(xfer), m_frames(int(module.frames)),
          m_initial(initial), m_projection(projection)
    {
        // The prefetch decodes from a copy of the header of its own, so that
        // it runs beside a frame asked for; large values stay in the file.
        m_lanes[1].file = std::make_unique<DcmFileFormat>(*file);
        m_lanes[0].file = std::move(file);
    }

    int frameCount() const override { return m_frames; }
    int initialFrame() const override { return m_initial; }
    std::optional<Projection> projection() const override { return m_projection; }

    std::optional<QImage> frame(int index) override
    {
        if (index < 0 || index >= m_frames)
            return std::nullopt;
        {
            std::unique_lock lock(m_cacheMutex);
            // A frame the prefetch is decoding is ready sooner than a new decode.
            m_decoded.wait(lock, [&] { return m_prefetching != index; });
            if (std::optional<QImage> image = cached(index))
                return image;
            ++m_asked;
        }
        return decodeOn(m_lanes[0], index, [this] { --m_asked; });
    }

    std::optional<QImage> readyFrame(int index) override
    {
        std::lock_guard lock(m_cacheMutex);
        return cached(index);
    }

    void prefetch(const std::vector<int>& frames) override
    {
        std::lock_guard lock(m_cacheMutex);
        m_wanted.clear();
        for (const int index : frames)
            if (index >= 0 && index < m_frames)
                m_wanted.push_back(index);
        if (m_wanted.empty() || m_prefetchQueued)
            return;
        m_prefetchQueued = true;
        prefetchPool().start([weak = weak_from_this()] {
            while (const std::shared_ptr<DicomRun> run = weak.lock())
                if (!run->prefetchOne())
                    return;
        });
    }

private:
    // One decoder: a header of the file and the lock that takes its decodes
    // one at a time.
    struct Lane {
        std::mutex mutex;
        std::unique_ptr<DcmFileFormat> file;
    };

    // Decodes the next wanted frame that is not decoded yet; false when none
    // is left. Frames asked for go first: none is started while one is decoded.
    bool prefetchOne()
    {
        int index = -1;
        {
            std::unique_lock lock(m_cacheMutex);
            m_decoded.wait(lock, [&] { return m_asked == 0; });
            while (!m_wanted.empty() && m_cache.count(m_wanted.front()))
                m_wanted.erase(m_wanted.begin());
            if (m_wanted.empty()) {
                m_prefetchQueued = false;
                return false;
            }
            index = m_wanted.front();
            m_wanted.erase(m_wanted.begin());
            m_prefetching = index;
        }
        decodeOn(m_lanes[1], index, [this] { m_prefetching.reset(); });
        return true;
    }

    // Decodes a frame on a lane and keeps it; `finished` runs under the cache
    // lock with it, and every waiter is woken after.
    template <typename Finished>
    std::optional<QImage> decodeOn(Lane& lane, int index, Finished finished)
    {
        std::optional<QImage> image;
        {
            std::lock_guard guard(lane.mutex);
            image = decode(lane, index);
        }
        {
            std::lock_guard lock(m_cacheMutex);
            if (image)
                remember(index, *image);
            finished();
        }
        m_decoded.notify_all();
        return image;
    }

    std::optional<QImage> cached(int index)
    {
        const auto found = m_cache.find(index);
        if (found == m_cache.end())
            return std::nullopt;
        m_recent.splice(m_recent.begin(), m_recent, found->second.second);
        return found->second.first;
    }

    std::optional<QImage> decode(Lane& lane, int index)
    {
        std::optional<QImage> image = decodeFrame(*lane.file->getDataset(), index);
        // What the decode read from the file (the compressed fragments) goes
        // again, so that a run holds no more of the file than one frame's.
        releaseLoadedValues(*lane.file->getDataset());
        return image;
    }

    void releaseLoadedValues(DcmDataset& ds)
    {
        ds.compactElements(lazyValueBytes);
        DcmElement* element = nullptr;
        DcmPixelSequence* sequence = nullptr;
        if (DcmXfer(m_xfer).isEncapsulated() &&
            ds.findAndGetElement(DCM_PixelData, element).good() && element) {
            auto* pixels = dynamic_cast<DcmPixelData*>(element);
            if (pixels && pixels->getEncapsulatedRepresentation(m_xfer, nullptr, sequence).good() &&
                sequence) {
                for (unsigned long i = 0; i < sequence->card(); ++i) {
                    DcmPixelItem* item = nullptr;
                    if (sequence->getItem(item, i).good() && item)
                        item->compact();
                }
            }
        }
    }

    std::optional<QImage> decodeFrame(DcmDataset& dataset, int index)
    {
        DicomImage picture(&dataset, m_xfer, CIF_UsePartialAccessToPixelData,
                           static_cast<unsigned long>(index), 1);
        if (picture.getStatus() != EIS_Normal || picture.getFrameCount() != 1)
            return std::nullopt;
        const qint64 width = qint64(picture.getWidth());
        const qint64 height = qint64(picture.getHeight());
        if (width < 1 || height < 1 || !imageSizeAllowed(width, height))
            return std::nullopt;
        if (picture.isMonochrome()) {
            bool windowed = false;
            if (picture.getWindowCount() > 0)
                windowed = picture.setWindow(0) != 0;
            if (!windowed && picture.getVoiLutCount() > 0)
                windowed = picture.setVoiLut(0) != 0;
            if (!windowed)
                picture.setMinMaxWindow(0);
        }
        const auto* out = static_cast<const uchar*>(picture.getOutputData(8, 0, 0));
        if (!out)
            return std::nullopt;
        if (picture.isMonochrome()) {
            QImage image(int(width), int(height), QImage::Format_Grayscale8);
            if (image.isNull())
                return std::nullopt;
            for (qint64 y = 0; y < height; ++y)
                std::memcpy(image.scanLine(int(y)), out + y * width, size_t(width));
            return image;
        }
        QImage image(int(width), int(height), QImage::Format_RGB32);
        if (image.isNull())
            return std::nullopt;
        for (qint64 y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
            const uchar* src = out + y * width * 3;
            for (qint64 x = 0; x < width; ++x)
                line[x] = qRgb(src[3 * x], src[3 * x + 1], src[3 * x + 2]);
        }
        return image;
    }

    void remember(int index, const QImage& image)
    {
        if (m_cache.count(index))
            return;
        m_recent.push_front(index);
        m_cache.emplace(index, std::make_pair(image, m_recent.begin()));
        m_cachedBytes += image.sizeInBytes();
        while (m_cachedBytes > frameCacheBytes && m_recent.size() > 1) {
            const int oldest = m_recent.back();
            m_recent.pop_back();
            const auto found = m_cache.find(oldest);
            m_cachedBytes -= found->second.first.sizeInBytes();
            m_cache.erase(found);
        }
    }

    std::unique_ptr<QFile> m_opened; // the file the lanes read, open while they live
    E_TransferSyntax m_xfer;
    int m_frames;
    int m_initial;
    std::optional<Projection> m_projection;
    Lane m_lanes[2]; // frames asked for; frames decoded ahead

    // Guards everything below.
    std::mutex m_cacheMutex;
    std::condition_variable m_decoded; // a decode ended
    std::list<int> m_recent;           // most recently used first
    std::map<int, std::pair<QImage, std::list<int>::iterator>> m_cache;
    qint64 m_cachedBytes = 0;
    int m_asked = 0;                  // decodes of frames asked for under way
    std::optional<int> m_prefetching; // the frame the prefetch decodes
    std::vector<int> m_wanted;        // frames to decode ahead, first first
    bool m_prefetchQueued = false;    // a prefetch task runs or waits for this run
};

// Maps the whole of an opened file read-only while it lives.
struct MappedFile {
    QFile& file;
    uchar* data = nullptr;
    qint64 size = 0;

    explicit MappedFile(QFile& opened) : file(opened)
    {
        size = file.size();
        if (size > 0)
            data = file.map(0, size);
    }
    ~MappedFile()
    {
        if (data)
            file.unmap(data);
    }
};

} // namespace

void prepareDicomDecoding()
{
    static std::once_flag once;
    std::call_once(once, [] {
        OFLog::configure(OFLogger::OFF_LOG_LEVEL);
        DcmRLEDecoderRegistration::registerCodecs();
        DJDecoderRegistration::registerCodecs();
        DJLSDecoderRegistration::registerCodecs();
    });
}

bool looksLikeDicom(const QString& path)
{
    const std::unique_ptr<QFile> file = openRegularFile(path);
    if (!file)
        return false;
    const QByteArray head = file->read(132);
    if (head.size() == 132 && head.mid(128, 4) == "DICM")
        return true;
    if (head.size() < 8)
        return false;
    const int group = uchar(head[0]) | uchar(head[1]) << 8;
    return group == 0x0002 || group == 0x0008;
}

std::shared_ptr<PictureSource> openDicomPicture(const QString& path)
{
    return openDicomPicture(openRegularFile(path));
}

std::shared_ptr<PictureSource> openDicomPicture(std::unique_ptr<QFile> opened)
{
    if (!opened)
        return nullptr;
    prepareDicomDecoding();
    {
        MappedFile mapped(*opened);
        if (!mapped.data)
            return nullptr;
        const DicomWalk walk = walkDicomStructure(mapped.data, mapped.size);
        if (walk.verdict != DicomStructure::Sound || !walk.pixelData)
            return nullptr;
    }

    // The DICOM library opens files by name, now and whenever a frame needs a
    // value left in the file. Its name in /proc/self/fd is the file opened and
    // judged above, whatever is put at the path meanwhile, for as long as the
    // run keeps it open.
    auto file = std::make_unique<DcmFileFormat>();
    const QByteArray name = "/proc/self/fd/" + QByteArray::number(opened->handle());
    if (file->loadFile(OFFilename(name.constData()), EXS_Unknown, EGL_noChange, lazyValueBytes,
                       ERM_autoDetect)
            .bad())
        return nullptr;
    DcmDataset& ds = *file->getDataset();
    const E_TransferSyntax xfer = ds.getOriginalXfer();
    if (!supportedSyntax(xfer))
        return nullptr;
    const std::optional<PixelModule> module = checkedPixelModule(ds, xfer);
    if (!module)
        return nullptr;

    int initial = int((module->frames - 1) / 2);
    Uint16 representative = 0;
    if (ds.findAndGetUint16(DCM_RepresentativeFrameNumber, representative).good() &&
        representative >= 1 && representative <= module->frames)
        initial = representative - 1;

    auto run = std::make_shared<DicomRun>(std::move(opened), std::move(file), xfer, *module,
                                          initial, storedProjection(ds));
    if (!run->frame(initial))
        return nullptr;
    return run;
}
