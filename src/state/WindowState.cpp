#include "state/WindowState.h"

WindowState::WindowState(QObject* parent) : QObject(parent) {}

void WindowState::setImage1(const QImage& v)
{
    m_image1 = v;
    emit image1Changed();
}

void WindowState::setImage2(const QImage& v)
{
    m_image2 = v;
    emit image2Changed();
}

void WindowState::setName1(const QString& v)
{
    if (m_name1 == v)
        return;
    m_name1 = v;
    emit name1Changed();
}

void WindowState::setName2(const QString& v)
{
    if (m_name2 == v)
        return;
    m_name2 = v;
    emit name2Changed();
}

void WindowState::setCrop1(const std::optional<QRectF>& v)
{
    m_crop1 = v;
    emit crop1Changed();
}

void WindowState::setCrop2(const std::optional<QRectF>& v)
{
    m_crop2 = v;
    emit crop2Changed();
}

void WindowState::setHasSavedCropPair(bool v)
{
    if (m_hasSavedCropPair == v)
        return;
    m_hasSavedCropPair = v;
    emit hasSavedCropPairChanged();
}

void WindowState::setSavedCropPairAt(const std::optional<QDateTime>& v)
{
    if (m_savedCropPairAt == v)
        return;
    m_savedCropPairAt = v;
    emit savedCropPairAtChanged();
}

void WindowState::setCanvasW(const QString& v)
{
    if (m_canvasW == v)
        return;
    m_canvasW = v;
    emit canvasWChanged();
}

void WindowState::setCanvasH(const QString& v)
{
    if (m_canvasH == v)
        return;
    m_canvasH = v;
    emit canvasHChanged();
}

void WindowState::setImgSize(const QString& v)
{
    if (m_imgSize == v)
        return;
    m_imgSize = v;
    emit imgSizeChanged();
}

void WindowState::setCx1(const QString& v)
{
    if (m_cx1 == v)
        return;
    m_cx1 = v;
    emit cx1Changed();
}

void WindowState::setCx2(const QString& v)
{
    if (m_cx2 == v)
        return;
    m_cx2 = v;
    emit cx2Changed();
}

void WindowState::setCy(const QString& v)
{
    if (m_cy == v)
        return;
    m_cy = v;
    emit cyChanged();
}

void WindowState::setBorderR(qint64 v)
{
    if (m_borderR == v)
        return;
    m_borderR = v;
    emit borderRChanged();
}

void WindowState::setBorderG(qint64 v)
{
    if (m_borderG == v)
        return;
    m_borderG = v;
    emit borderGChanged();
}

void WindowState::setBorderB(qint64 v)
{
    if (m_borderB == v)
        return;
    m_borderB = v;
    emit borderBChanged();
}

void WindowState::setBorderA(qint64 v)
{
    if (m_borderA == v)
        return;
    m_borderA = v;
    emit borderAChanged();
}

void WindowState::setStatusMsg(const QString& v)
{
    if (m_statusMsg == v)
        return;
    m_statusMsg = v;
    emit statusMsgChanged();
}

void WindowState::setResultImage(const QImage& v)
{
    m_resultImage = v;
    emit resultImageChanged();
}

void WindowState::setResultCG(const QImage& v)
{
    m_resultCG = v;
    emit resultCGChanged();
}

void WindowState::setExportDoc(const std::optional<PNGDocument>& v)
{
    if (m_exportDoc == v)
        return;
    m_exportDoc = v;
    emit exportDocChanged();
}

void WindowState::setShowExporter(bool v)
{
    if (m_showExporter == v)
        return;
    m_showExporter = v;
    emit showExporterChanged();
}

void WindowState::setExportName(const QString& v)
{
    if (m_exportName == v)
        return;
    m_exportName = v;
    emit exportNameChanged();
}
