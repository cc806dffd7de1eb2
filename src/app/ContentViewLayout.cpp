// How a window lays out its state: a fixed header band over one scrolling
// column of the two image slots, the result panel, the status line, the
// background colour panel and the parameter panel.

#include "app/ActionRow.h"
#include "app/ContentView.h"
#include "app/CropPairButton.h"
#include "app/ResultPreview.h"
#include "controls/BackgroundColorPanelContent.h"
#include "controls/ParameterPanelContent.h"
#include "slots/DropZoneView.h"
#include "ui/Card.h"
#include "ui/RoundedButton.h"
#include "ui/TextStyle.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

const QString slot1Label = QStringLiteral("🔵  画像 1 (RAO)");
const QString slot2Label = QStringLiteral("🟣  画像 2 (LAO)");
const QString saveButtonTitle = QStringLiteral("⬇️　PNG で保存");
const QString clearButtonTitle = QStringLiteral("画像をクリア");
const QString clearButtonHelp = QStringLiteral("画像1・画像2の表示を削除");
constexpr int cropPairGlow = 7;

// The small green circle before the result title.
class Dot : public QWidget {
public:
    explicit Dot(QColor color, QWidget* parent = nullptr) : QWidget(parent), m_color(color)
    {
        setFixedSize(8, 8);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(m_color);
        p.drawEllipse(QRectF(rect()));
    }

private:
    QColor m_color;
};

RoundedButton* windowButton(const QString& title, QWidget* parent)
{
    auto* button = new RoundedButton(title, parent);
    button->setLook(RoundedButton::plainLook(12, QFont::Medium, QMargins(16, 8, 16, 8)));
    return button;
}

void fillBackground(QWidget* widget, const QColor& color)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, color);
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

} // namespace

void ContentView::buildLayout()
{
    fillBackground(this, cBgDark.toQColor());
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(makeHeaderBand());

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setAccessibleName(QStringLiteral("Pairvue"));
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    fillBackground(m_scrollArea->viewport(), cBgDark.toQColor());
    m_scrollArea->verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { background: transparent; width: 10px; margin: 2px; }"
        "QScrollBar::handle:vertical { background: rgba(255, 255, 255, 46);"
        " border-radius: 3px; min-height: 32px; }"
        "QScrollBar::handle:vertical:hover { background: rgba(255, 255, 255, 80); }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
    root->addWidget(m_scrollArea, 1);

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);

    auto* slotRow = new QHBoxLayout;
    slotRow->setSpacing(16);
    m_slot1 = new DropZoneView(m_state, 1, slot1Label, cAccent.toQColor(), [this] { refresh(); });
    m_slot2 = new DropZoneView(m_state, 2, slot2Label, cAccent2.toQColor(), [this] { refresh(); });
    slotRow->addWidget(m_slot1, 1, Qt::AlignTop);
    slotRow->addWidget(m_slot2, 1, Qt::AlignTop);
    column->addLayout(slotRow);

    column->addWidget(makeResultPanel());
    column->addWidget(makeStatusLine());
    column->addWidget(makeCard(new BackgroundColorPanelContent(m_state)));
    column->addWidget(makeCard(new ParameterPanelContent(m_state)));
    column->addStretch(1);
    m_scrollArea->setWidget(content);

    for (auto signal : {&WindowState::image1Changed, &WindowState::image2Changed,
                        &WindowState::resultImageChanged, &WindowState::statusMsgChanged})
        connect(&m_state, signal, this, &ContentView::updateSections);
    updateSections();
}

QWidget* ContentView::makeHeaderBand()
{
    auto* band = new Card(cBgSec.toQColor(), 0, QMargins(24, 14, 24, 14), this);
    auto* row = new QHBoxLayout(band);
    row->setContentsMargins(band->contentsMargins());
    band->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);

    row->addWidget(styledLabel(QStringLiteral("🫀"), systemFontAt(17), cTextPri.toQColor()));
    auto* titles = new QVBoxLayout;
    titles->setSpacing(1);
    titles->addWidget(
        styledLabel(QStringLiteral("Pairvue"), systemFontAt(16, QFont::Bold), cTextPri.toQColor()));
    titles->addWidget(styledLabel(QStringLiteral("RAO, LAO画像からレポート用合成画像を作成、保存"),
                                  systemFontAt(11), cTextSec.toQColor()));
    row->addLayout(titles);
    row->addWidget(styledLabel(QStringLiteral("version 3.6   2026/9/3 update"),
                               monospacedFontAt(10, QFont::Medium), cTextSec.toQColor()));
    row->addStretch(1);
    return band;
}

QWidget* ContentView::makeCard(QWidget* content)
{
    auto* card = new Card(cBgCard.toQColor(), 16, QMargins());
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addWidget(content);
    return card;
}

QWidget* ContentView::makeResultPanel()
{
    auto* content = new QWidget;
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(10);

    auto* actions = new ActionRow(10);
    actions->addWidget(new Dot(cSuccess.toQColor()));
    actions->addWidget(styledLabel(QStringLiteral("合成結果"), systemFontAt(14, QFont::DemiBold),
                                   cTextPri.toQColor()));
    m_saveCropPairButton = cropPairActionButton(CropPairAction::Save, saveCropPairTitle, false,
                                                false, [this] { saveCropPair(); });
    m_recallCropPairButton = cropPairActionButton(CropPairAction::Recall, recallButtonTitle(),
                                                  false, false, [this] { recallCropPair(); });
    m_saveCropPairButton->setObjectName(QStringLiteral("saveCropPairButton"));
    m_recallCropPairButton->setObjectName(QStringLiteral("recallCropPairButton"));
    actions->addWidget(m_saveCropPairButton, cropPairGlow);
    actions->addWidget(m_recallCropPairButton, cropPairGlow);
    actions->addStretch();
    m_saveButton = windowButton(saveButtonTitle, this);
    m_clearButton = windowButton(clearButtonTitle, this);
    m_clearButton->setToolTip(clearButtonHelp);
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    m_clearButton->setObjectName(QStringLiteral("clearButton"));
    actions->addWidget(m_saveButton);
    actions->addWidget(m_clearButton);
    stack->addWidget(actions);

    m_preview = new ResultPreview;
    stack->addWidget(m_preview);

    connect(m_saveButton, &QAbstractButton::clicked, this, &ContentView::save);
    connect(m_clearButton, &QAbstractButton::clicked, this, &ContentView::clearImages);
    connect(&m_state, &WindowState::resultCGChanged, m_saveButton,
            [this] { m_saveButton->setEnabled(m_state.canSave()); });
    connect(&m_state, &WindowState::resultImageChanged, m_preview,
            [this] { m_preview->setImage(m_state.resultImage()); });
    for (auto signal :
         {&WindowState::image1Changed, &WindowState::image2Changed, &WindowState::crop1Changed,
          &WindowState::crop2Changed, &WindowState::hasSavedCropPairChanged,
          &WindowState::savedCropPairAtChanged})
        connect(&m_state, signal, this, &ContentView::updateCropPairButtons);
    m_saveButton->setEnabled(m_state.canSave());
    updateCropPairButtons();

    m_resultPanel = makeCard(content);
    return m_resultPanel;
}

QWidget* ContentView::makeStatusLine()
{
    auto* line = new Card(cBgSec.toQColor(), 10, QMargins());
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(14, 10, 14, 10);
    row->setSpacing(8);
    m_statusLabel = styledLabel(m_state.statusMsg(), systemFontAt(12), cTextSec.toQColor());
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(m_statusLabel, 1);
    connect(&m_state, &WindowState::statusMsgChanged, m_statusLabel,
            [this] { m_statusLabel->setText(m_state.statusMsg()); });
    m_statusLine = line;
    return line;
}

void ContentView::updateSections()
{
    const WindowState& s = m_state;
    m_resultPanel->setVisible(!s.resultImage().isNull());
    // The line also stands while both images are loaded whenever there is
    // something to say, so that a bad parameter or a save's outcome is seen.
    m_statusLine->setVisible(!s.canGenerate() || !s.statusMsg().isEmpty());
}
