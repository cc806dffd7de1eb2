#include "slots/DropZoneView.h"

#include "compose/Geometry.h"
#include "slots/CropEditor.h"
#include "slots/DropArea.h"
#include "slots/ElidedLabel.h"
#include "slots/PhotoBadgeIcon.h"
#include "slots/SlotRun.h"
#include "slots/SlotTexts.h"
#include "state/WindowState.h"
#include "ui/RoundedButton.h"
#include "ui/TextStyle.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {
constexpr int panelPadding = 14;
constexpr int rowSpacing = 8;
constexpr double panelRadius = 16;
constexpr double symbolSize = 34;

QLabel* makeLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent)
{
    QLabel* label = styledLabel(text, font, color, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// A dark slider whose groove takes the slot's colour.
QString sliderStyle(const QColor& accent)
{
    return QStringLiteral(
               "QSlider::groove:horizontal { height: 4px; border-radius: 2px; background: %1; }"
               "QSlider::sub-page:horizontal { border-radius: 2px; background: %2; }"
               "QSlider::handle:horizontal { width: 12px; margin: -5px 0; border-radius: 6px;"
               " background: %3; }")
        .arg(cBgSec.toQColor().name(), accent.name(), cTextPri.toQColor().name());
}
} // namespace

DropZoneView::DropZoneView(WindowState& state, int slot, const QString& label, QColor accentColor,
                           std::function<void()> onChange, QWidget* parent)
    : QWidget(parent), m_state(state), m_slot(slot), m_accent(accentColor),
      m_onChange(std::move(onChange))
{
    setObjectName(QStringLiteral("slot%1").arg(slot));
    setAccessibleName(label);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(panelPadding, panelPadding, panelPadding, panelPadding);
    column->setSpacing(rowSpacing);

    m_title = makeLabel(label, systemFontAt(12, QFont::Bold), accentColor, this);
    column->addWidget(m_title, 0, Qt::AlignHCenter);

    m_fileButton = new RoundedButton(fileButtonText, this);
    m_fileButton->setLook(RoundedButton::plainLook(12, QFont::DemiBold, QMargins(16, 7, 16, 7)));
    connect(m_fileButton, &RoundedButton::clicked, this, &DropZoneView::openFilePicker);
    column->addWidget(m_fileButton, 0, Qt::AlignHCenter);

    m_help = makeLabel(helpText, systemFontAt(10), cTextSec.toQColor(), this);
    m_help->setWordWrap(true);
    column->addWidget(m_help);

    // The drop area: the invitation to drop while empty, the editor once an
    // image is there. Both stand inside the area's 8-point inset.
    m_dropArea = new DropArea(
        accentColor, [this](const QString& path) { loadDroppedFile(path); }, this);
    m_dropArea->setAccessibleName(label + QStringLiteral(" 画像のドロップ先"));
    m_dropPages = new QStackedLayout(m_dropArea);

    m_emptyState = new QWidget(m_dropArea);
    auto* empty = new QVBoxLayout(m_emptyState);
    empty->setContentsMargins(0, 0, 0, 0);
    empty->setSpacing(rowSpacing);
    empty->addStretch();
    empty->addWidget(new PhotoBadgeIcon(symbolSize, atOpacity(accentColor, 0.6), m_emptyState), 0,
                     Qt::AlignHCenter);
    empty->addWidget(
        makeLabel(dropHintText, systemFontAt(12, QFont::Medium), cTextSec.toQColor(), m_emptyState),
        0, Qt::AlignHCenter);
    empty->addWidget(
        makeLabel(buttonHintText, systemFontAt(11), cTextSec.withOpacity(0.7), m_emptyState), 0,
        Qt::AlignHCenter);
    empty->addStretch();
    m_dropPages->addWidget(m_emptyState);

    m_editor = new CropEditor(state, slot, accentColor, m_onChange, m_dropArea);
    m_editor->setObjectName(QStringLiteral("cropEditor"));
    m_editor->setAccessibleName(label + QStringLiteral(" 切り出し"));
    m_dropPages->addWidget(m_editor);
    column->addWidget(m_dropArea);

    m_fileName = new ElidedLabel(this);
    m_fileName->setFont(systemFontAt(10));
    QPalette namePalette = m_fileName->palette();
    namePalette.setColor(QPalette::WindowText, cSuccess.toQColor());
    m_fileName->setPalette(namePalette);
    column->addWidget(m_fileName);

    m_cropStatus = makeLabel(QString(), systemFontAt(10), cTextSec.toQColor(), this);
    column->addWidget(m_cropStatus);

    m_frameRow = new QWidget(this);
    auto* frames = new QHBoxLayout(m_frameRow);
    frames->setContentsMargins(0, 0, 0, 0);
    frames->setSpacing(rowSpacing);
    m_frameSlider = new QSlider(Qt::Horizontal, m_frameRow);
    m_frameSlider->setObjectName(QStringLiteral("frameSlider"));
    m_frameSlider->setAccessibleName(label + QStringLiteral(" フレーム"));
    m_frameSlider->setStyleSheet(sliderStyle(accentColor));
    m_frameSlider->setMinimum(1);
    frames->addWidget(m_frameSlider, 1);
    m_frameLabel = styledLabel(QString(), systemFontAt(10), cTextSec.toQColor(), m_frameRow);
    frames->addWidget(m_frameLabel);
    column->addWidget(m_frameRow);

    m_projection = makeLabel(QString(), systemFontAt(10), cTextSec.toQColor(), this);
    column->addWidget(m_projection);

    SlotRun& run = SlotRun::of(state, slot);
    connect(m_frameSlider, &QSlider::valueChanged, this,
            [this](int value) { SlotRun::of(m_state, m_slot).showFrame(value - 1, m_onChange); });
    m_editor->setFrameStep([this](int step) {
        SlotRun& r = SlotRun::of(m_state, m_slot);
        r.showFrame(r.frame() + step, m_onChange);
    });
    connect(&run, &SlotRun::changed, this, &DropZoneView::updateRunRows);

    const bool first = slot == 1;
    connect(&state, first ? &WindowState::image1Changed : &WindowState::image2Changed, this,
            &DropZoneView::updateImageRows);
    connect(&state, first ? &WindowState::name1Changed : &WindowState::name2Changed, this,
            &DropZoneView::updateFileName);
    connect(&state, first ? &WindowState::crop1Changed : &WindowState::crop2Changed, this,
            &DropZoneView::updateCropStatus);
    updateImageRows();
    updateFileName();
}

void DropZoneView::updateRunRows()
{
    const SlotRun& run = SlotRun::of(m_state, m_slot);
    const bool loaded = !m_state.image(m_slot).isNull();
    const int count = run.frameCount();
    m_frameRow->setVisible(loaded && count > 1);
    if (count > 1) {
        const QSignalBlocker quiet(m_frameSlider);
        m_frameSlider->setMaximum(count);
        m_frameSlider->setPageStep(std::max(1, count / 10));
        m_frameSlider->setValue(run.frame() + 1);
        m_frameLabel->setText(frameRowText(run.frame(), count));
        m_frameLabel->setAccessibleName(m_frameLabel->text());
    }
    const std::optional<Projection> projection = run.projection();
    m_projection->setVisible(loaded && projection.has_value());
    if (projection) {
        const ProjectionRow row = projectionRow(*projection, m_slot);
        m_projection->setText(row.text);
        m_projection->setAccessibleName(row.text);
        QPalette palette = m_projection->palette();
        const QColor colour = row.mismatch ? cWarning.toQColor() : cTextSec.toQColor();
        palette.setColor(QPalette::WindowText, colour);
        palette.setColor(QPalette::Text, colour);
        m_projection->setPalette(palette);
    }
}

bool DropZoneView::isTargeted() const
{
    return m_dropArea->isTargeted();
}

void DropZoneView::openFilePicker()
{
    const QString path = m_openFileDialog ? m_openFileDialog(this) : QString();
    if (!path.isEmpty())
        loadImage(m_state, m_slot, path, m_onChange);
}

void DropZoneView::loadDroppedFile(const QString& path)
{
    loadImage(m_state, m_slot, path, m_onChange);
}

void DropZoneView::updateImageRows()
{
    const bool loaded = !m_state.image(m_slot).isNull();
    m_help->setVisible(loaded);
    m_cropStatus->setVisible(loaded);
    m_dropPages->setCurrentWidget(loaded ? m_editor : m_emptyState);
    updateCropStatus();
    updateRunRows();
}

void DropZoneView::updateFileName()
{
    const QString& name = m_state.name(m_slot);
    m_fileName->setText(name.isEmpty() ? QString() : fileNameText(name));
    m_fileName->setVisible(!name.isEmpty());
}

void DropZoneView::updateCropStatus()
{
    const QImage& image = m_state.image(m_slot);
    if (image.isNull())
        return;
    m_cropStatus->setText(cropStatusText(pixelSize(image), m_state.crop(m_slot)));
    // What a screen reader says of the editor: the crop it holds.
    m_editor->setAccessibleDescription(m_cropStatus->text());
}

void DropZoneView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), panelRadius, panelRadius);
    p.fillPath(card, cBgCard.toQColor());
}
