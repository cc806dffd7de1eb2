#pragma once

#include "state/PNGDocument.h"

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QRectF>
#include <QString>

#include <optional>

// All mutable data of one window. Every setter stores and announces a value
// only when it differs from the one held, so the change handlers that the
// window attaches run for real changes only. Images and crops are announced on
// every store: they drive redraws, never recomposition.
//
// An image or a composite that is absent is a null QImage.
class WindowState : public QObject {
    Q_OBJECT

public:
    static inline const QString initialStatus = QStringLiteral("2枚の画像を選択してください");

    explicit WindowState(QObject* parent = nullptr);

    const QImage& image1() const { return m_image1; }
    const QImage& image2() const { return m_image2; }
    const QString& name1() const { return m_name1; }
    const QString& name2() const { return m_name2; }
    const std::optional<QRectF>& crop1() const { return m_crop1; }
    const std::optional<QRectF>& crop2() const { return m_crop2; }
    bool hasSavedCropPair() const { return m_hasSavedCropPair; }
    const std::optional<QDateTime>& savedCropPairAt() const { return m_savedCropPairAt; }
    const QString& canvasW() const { return m_canvasW; }
    const QString& canvasH() const { return m_canvasH; }
    const QString& imgSize() const { return m_imgSize; }
    const QString& cx1() const { return m_cx1; }
    const QString& cx2() const { return m_cx2; }
    const QString& cy() const { return m_cy; }
    qint64 borderR() const { return m_borderR; }
    qint64 borderG() const { return m_borderG; }
    qint64 borderB() const { return m_borderB; }
    qint64 borderA() const { return m_borderA; }
    const QString& statusMsg() const { return m_statusMsg; }
    const QImage& resultImage() const { return m_resultImage; }
    const QImage& resultCG() const { return m_resultCG; }
    const std::optional<PNGDocument>& exportDoc() const { return m_exportDoc; }
    bool showExporter() const { return m_showExporter; }
    const QString& exportName() const { return m_exportName; }

    // Slot-indexed access (slot 1 = RAO, slot 2 = LAO).
    const QImage& image(int slot) const { return slot == 1 ? m_image1 : m_image2; }
    const QString& name(int slot) const { return slot == 1 ? m_name1 : m_name2; }
    const std::optional<QRectF>& crop(int slot) const { return slot == 1 ? m_crop1 : m_crop2; }
    void setImage(int slot, const QImage& v) { slot == 1 ? setImage1(v) : setImage2(v); }
    void setName(int slot, const QString& v) { slot == 1 ? setName1(v) : setName2(v); }
    void setCrop(int slot, const std::optional<QRectF>& v)
    {
        slot == 1 ? setCrop1(v) : setCrop2(v);
    }

    // Derived flags.
    bool canGenerate() const { return !m_image1.isNull() && !m_image2.isNull(); }
    bool canSave() const { return !m_resultCG.isNull(); }
    bool canSaveCropPair() const { return m_crop1.has_value() && m_crop2.has_value(); }
    bool canRecallCropPair() const { return canGenerate() && m_hasSavedCropPair; }

    void setImage1(const QImage& v);
    void setImage2(const QImage& v);
    void setName1(const QString& v);
    void setName2(const QString& v);
    void setCrop1(const std::optional<QRectF>& v);
    void setCrop2(const std::optional<QRectF>& v);
    void setHasSavedCropPair(bool v);
    void setSavedCropPairAt(const std::optional<QDateTime>& v);
    void setCanvasW(const QString& v);
    void setCanvasH(const QString& v);
    void setImgSize(const QString& v);
    void setCx1(const QString& v);
    void setCx2(const QString& v);
    void setCy(const QString& v);
    void setBorderR(qint64 v);
    void setBorderG(qint64 v);
    void setBorderB(qint64 v);
    void setBorderA(qint64 v);
    void setStatusMsg(const QString& v);
    void setResultImage(const QImage& v);
    void setResultCG(const QImage& v);
    void setExportDoc(const std::optional<PNGDocument>& v);
    void setShowExporter(bool v);
    void setExportName(const QString& v);

signals:
    void image1Changed();
    void image2Changed();
    void name1Changed();
    void name2Changed();
    void crop1Changed();
    void crop2Changed();
    void hasSavedCropPairChanged();
    void savedCropPairAtChanged();
    void canvasWChanged();
    void canvasHChanged();
    void imgSizeChanged();
    void cx1Changed();
    void cx2Changed();
    void cyChanged();
    void borderRChanged();
    void borderGChanged();
    void borderBChanged();
    void borderAChanged();
    void statusMsgChanged();
    void resultImageChanged();
    void resultCGChanged();
    void exportDocChanged();
    void showExporterChanged();
    void exportNameChanged();

private:
    QImage m_image1;
    QImage m_image2;
    QString m_name1;
    QString m_name2;
    std::optional<QRectF> m_crop1;
    std::optional<QRectF> m_crop2;
    bool m_hasSavedCropPair = false;
    std::optional<QDateTime> m_savedCropPairAt;
    QString m_canvasW = QStringLiteral("1190");
    QString m_canvasH = QStringLiteral("600");
    QString m_imgSize = QStringLiteral("580");
    QString m_cx1 = QStringLiteral("300");
    QString m_cx2 = QStringLiteral("890");
    QString m_cy = QStringLiteral("300");
    qint64 m_borderR = 204;
    qint64 m_borderG = 255;
    qint64 m_borderB = 204;
    qint64 m_borderA = 255;
    QString m_statusMsg = initialStatus;
    QImage m_resultImage;
    QImage m_resultCG;
    std::optional<PNGDocument> m_exportDoc;
    bool m_showExporter = false;
    QString m_exportName = QStringLiteral("Pairvue.png");
};
