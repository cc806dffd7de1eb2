#include "app/ContentView.h"

#include "compose/Geometry.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {
const QString missingImage1 = QStringLiteral("画像1を選択してください");
const QString missingImage2 = QStringLiteral("画像2を選択してください");
const QString invalidParameter = QStringLiteral("❌  パラメータに不正な値があります");
const QString compositionFailed = QStringLiteral("❌  合成に失敗しました");
} // namespace

ContentView::ContentView(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(820, 720);
    auto* layout = new QVBoxLayout(this);
    m_statusLabel = new QLabel(this);
    layout->addWidget(m_statusLabel);
    layout->addStretch();
    connect(&m_state, &WindowState::statusMsgChanged, this, &ContentView::updateStatusLine);
    updateStatusLine();
    connectChangeHandlers();
}

void ContentView::connectChangeHandlers()
{
    // Attached after the initial values are in place, so they run only for
    // later changes; the setters announce unequal values only.
    for (auto signal : {&WindowState::canvasWChanged, &WindowState::canvasHChanged,
                        &WindowState::imgSizeChanged, &WindowState::cx1Changed,
                        &WindowState::cx2Changed, &WindowState::cyChanged,
                        &WindowState::borderRChanged, &WindowState::borderGChanged,
                        &WindowState::borderBChanged, &WindowState::borderAChanged})
        connect(&m_state, signal, this, &ContentView::refresh);
}

void ContentView::refresh()
{
    WindowState& s = m_state;
    if (!s.canGenerate()) {
        s.setResultImage(QImage());
        s.setResultCG(QImage());
        s.setStatusMsg(s.image1().isNull() ? missingImage1 : missingImage2);
        return;
    }
    const Compositor::Picture picture1{s.image1(), cropRegion(s.image1().size(), s.crop1())};
    const Compositor::Picture picture2{s.image2(), cropRegion(s.image2().size(), s.crop2())};

    const std::optional<CompositionParams> params =
        parseCompositionParams(s.canvasW(), s.canvasH(), s.imgSize(), s.cx1(), s.cx2(), s.cy());
    if (!params) {
        s.setStatusMsg(invalidParameter);
        return;
    }
    const std::optional<QImage> composite = m_compositor.compose(
        picture1, picture2, *params, s.borderR(), s.borderG(), s.borderB(), s.borderA());
    if (!composite) {
        s.setStatusMsg(compositionFailed);
        return;
    }
    s.setResultCG(*composite);
    s.setResultImage(*composite);
    s.setStatusMsg(QString());
}

void ContentView::clearImages()
{
    WindowState& s = m_state;
    s.setImage1(QImage());
    s.setImage2(QImage());
    s.setName1(QString());
    s.setName2(QString());
    s.setCrop1(std::nullopt);
    s.setCrop2(std::nullopt);
    s.setResultImage(QImage());
    s.setResultCG(QImage());
    s.setExportDoc(std::nullopt);
    s.setShowExporter(false);
    s.setStatusMsg(WindowState::initialStatus);
    m_compositor.releaseImages();
}

void ContentView::loadSavedSettings() {}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_appeared) {
        m_appeared = true;
        loadSavedSettings();
    }
}

void ContentView::updateStatusLine()
{
    m_statusLabel->setText(m_state.statusMsg());
}
