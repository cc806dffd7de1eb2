#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QMargins>

// A borderless button whose label is the whole button: text on a rounded
// background with a thin outline, optionally glowing. Disabled, it is drawn
// at reduced opacity and ignores clicks.
class RoundedButton : public QAbstractButton {
    Q_OBJECT

public:
    struct Look {
        int fontPixelSize = 12;
        QFont::Weight weight = QFont::Medium;
        QColor text;
        QColor background;
        QColor outline;
        QColor glow = Qt::transparent; // shadow colour, transparent for none
        qreal glowRadius = 0;
        qreal cornerRadius = 8;
        QMargins padding{16, 8, 16, 8};
        qreal disabledOpacity = 0.42;
    };

    // The window's ordinary button: light text on the secondary surface with
    // a faint white outline, corner radius 8.
    static Look plainLook(int fontPixelSize, QFont::Weight weight, QMargins padding);

    explicit RoundedButton(const QString& text, QWidget* parent = nullptr);

    void setLook(const Look& look);
    const Look& look() const { return m_look; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QRectF labelRect() const;

    Look m_look;
};
