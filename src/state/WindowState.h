#pragma once

#include "state/BackgroundColor.h"
#include "state/Field.h"
#include "state/PNGDocument.h"

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QRectF>
#include <QString>

#include <optional>

// All mutable data of one window, one Field each: `state.canvasW()` reads,
// `state.canvasW.set(v)` stores and announces canvasWChanged only when the
// value differs from the one held, so the change handlers that the window
// attaches run for real changes only. Images, crops and composites are
// announced on every store: they drive redraws, never recomposition.
//
// An image or a composite that is absent is a null QImage.
class WindowState : public QObject {
    Q_OBJECT

public:
    static inline const QString initialStatus = QStringLiteral("2枚の画像を選択してください");

    explicit WindowState(QObject* parent = nullptr);

    // Slot-indexed access (slot 1 = RAO, slot 2 = LAO).
    const QImage& image(int slot) const { return slot == 1 ? image1() : image2(); }
    const QString& name(int slot) const { return slot == 1 ? name1() : name2(); }
    const std::optional<QRectF>& crop(int slot) const { return slot == 1 ? crop1() : crop2(); }
    void setImage(int slot, const QImage& v) { slot == 1 ? image1.set(v) : image2.set(v); }
    void setName(int slot, const QString& v) { slot == 1 ? name1.set(v) : name2.set(v); }
    void setCrop(int slot, const std::optional<QRectF>& v)
    {
        slot == 1 ? crop1.set(v) : crop2.set(v);
    }

    // The four background components as one colour; setBackground stores
    // borderR, borderG, borderB and borderA in that order, each announcing
    // its own change.
    BackgroundColor background() const { return {borderR(), borderG(), borderB(), borderA()}; }
    void setBackground(const BackgroundColor& c)
    {
        borderR.set(c.red);
        borderG.set(c.green);
        borderB.set(c.blue);
        borderA.set(c.alpha);
    }

    // Derived flags.
    bool canGenerate() const { return !image1().isNull() && !image2().isNull(); }
    bool canSave() const { return !resultCG().isNull(); }
    bool canSaveCropPair() const { return crop1().has_value() && crop2().has_value(); }
    bool canRecallCropPair() const { return canGenerate() && hasSavedCropPair(); }

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

public:
    template <class T> using Value = Field<WindowState, T>;
    template <class T> using Stored = Field<WindowState, T, Announce::EveryStore>;
    using Text = Value<QString>;
    using Component = Value<qint64>;

    Stored<QImage> image1{this, &WindowState::image1Changed};
    Stored<QImage> image2{this, &WindowState::image2Changed};
    Text name1{this, &WindowState::name1Changed};
    Text name2{this, &WindowState::name2Changed};
    Stored<std::optional<QRectF>> crop1{this, &WindowState::crop1Changed};
    Stored<std::optional<QRectF>> crop2{this, &WindowState::crop2Changed};
    Value<bool> hasSavedCropPair{this, &WindowState::hasSavedCropPairChanged, false};
    Value<std::optional<QDateTime>> savedCropPairAt{this, &WindowState::savedCropPairAtChanged};
    Text canvasW{this, &WindowState::canvasWChanged, QStringLiteral("1190")};
    Text canvasH{this, &WindowState::canvasHChanged, QStringLiteral("600")};
    Text imgSize{this, &WindowState::imgSizeChanged, QStringLiteral("580")};
    Text cx1{this, &WindowState::cx1Changed, QStringLiteral("300")};
    Text cx2{this, &WindowState::cx2Changed, QStringLiteral("890")};
    Text cy{this, &WindowState::cyChanged, QStringLiteral("300")};
    Component borderR{this, &WindowState::borderRChanged, BackgroundColor().red};
    Component borderG{this, &WindowState::borderGChanged, BackgroundColor().green};
    Component borderB{this, &WindowState::borderBChanged, BackgroundColor().blue};
    Component borderA{this, &WindowState::borderAChanged, BackgroundColor().alpha};
    Text statusMsg{this, &WindowState::statusMsgChanged, initialStatus};
    Stored<QImage> resultImage{this, &WindowState::resultImageChanged};
    Stored<QImage> resultCG{this, &WindowState::resultCGChanged};
    Value<std::optional<PNGDocument>> exportDoc{this, &WindowState::exportDocChanged};
    Value<bool> showExporter{this, &WindowState::showExporterChanged, false};
    Text exportName{this, &WindowState::exportNameChanged, QStringLiteral("Pairvue.png")};
};
