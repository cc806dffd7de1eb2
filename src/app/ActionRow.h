#pragma once

#include <QWidget>

#include <vector>

// A row of widgets, centred vertically, with fixed gaps and one flexible space.
// A widget may bleed: it is that much larger on every side than the part of it
// that counts for spacing (room for a glow), so its glow overlaps the gaps
// instead of widening them.
class ActionRow : public QWidget {
    Q_OBJECT

public:
    explicit ActionRow(int spacing, QWidget* parent = nullptr);

    void addWidget(QWidget* widget, int bleed = 0);
    void addStretch();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Item {
        QWidget* widget = nullptr; // none for the flexible space
        int bleed = 0;
    };
    void arrange();
    int visibleWidth(const Item& item) const;

    int m_spacing;
    std::vector<Item> m_items;
};
