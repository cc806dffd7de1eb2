#include "compose/ImagePyramid.h"

#include <QColorSpace>

ImagePyramid::ImagePyramid(const QImage& image)
{
    QImage base = image;
    if (base.colorSpace().isValid() && base.colorSpace() != QColorSpace(QColorSpace::SRgb))
        base.convertToColorSpace(QColorSpace::SRgb);
    base = base.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    base.setDevicePixelRatio(1.0);
    m_levels.push_back(base);
}

std::shared_ptr<const ImagePyramid> PyramidCache::pyramidFor(const QImage& image)
{
    for (const Entry& e : m_entries)
        if (e.image.cacheKey() == image.cacheKey())
            return e.pyramid;
    auto pyramid = std::make_shared<const ImagePyramid>(image);
    constexpr size_t capacity = 4;
    if (m_entries.size() >= capacity)
        m_entries.erase(m_entries.begin());
    m_entries.push_back({image, pyramid});
    return pyramid;
}
