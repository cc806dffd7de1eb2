#include "slots/DropZoneView.h"

#include "compose/Geometry.h"
#include "slots/CropEditor.h"
#include "slots/DropArea.h"
#include "slots/ElidedLabel.h"
#include "slots/PhotoBadgeIcon.h"
#include "slots/SlotTexts.h"
#include "state/WindowState.h"
#include "ui/RoundedButton.h"
#include "ui/TextStyle.h"
#include "ui/Theme.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
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

QColor atOpacity(QColor c, double opacity)
{
    c.setAlphaF(float(c.alphaF() * opacity));
    return c;
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
}

void DropZoneView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), panelRadius, panelRadius);
    p.fillPath(card, cBgCard.toQColor());
}
