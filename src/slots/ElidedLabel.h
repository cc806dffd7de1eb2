#pragma once

#include <QWidget>

// One line of text, centred, shortened in the middle with an ellipsis when
// it does not fit; the full text is then shown as a tooltip. Screen readers
// get the full text as static text.
class ElidedLabel : public QWidget {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return m_text; }
    // The text as it is drawn at the current width.
    QString displayedText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateToolTip();
    int lineHeight() const;

    QString m_text;
};
