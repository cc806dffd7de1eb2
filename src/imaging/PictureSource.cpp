#include "imaging/PictureSource.h"

#include "imaging/DicomPicture.h"
#include "imaging/ImageFile.h"

namespace {

// A picture file: one frame, decoded when the file was opened.
class StillPicture final : public PictureSource {
public:
    explicit StillPicture(QImage image) : m_image(std::move(image)) {}
    int frameCount() const override { return 1; }
    int initialFrame() const override { return 0; }
    std::optional<QImage> frame(int index) override
    {
        if (index != 0)
            return std::nullopt;
        return m_image;
    }
    std::optional<QImage> readyFrame(int index) override { return frame(index); }

private:
    const QImage m_image; // shared implicitly; copies are cheap and thread-safe
};

} // namespace

std::shared_ptr<PictureSource> openPictureSource(const QString& path)
{
    // A DICOM file's preamble may be anything, even an image header, so
    // content that says DICOM is read as DICOM first.
    const bool dicom = looksLikeDicom(path);
    if (dicom) {
        if (auto run = openDicomPicture(path))
            return run;
    }
    if (std::optional<QImage> image = decodeImageFile(path))
        return std::make_shared<StillPicture>(std::move(*image));
    return nullptr;
}
