#pragma once

#include <QList>
#include <QWidget>

class ParamField;
class QLabel;
class WindowState;

// The parameter section, bound to a window state: its heading over two rows
// of three parameter fields (canvas width, height and picture size; the two
// horizontal centres and the common vertical centre). The card around them
// belongs to the window.
class ParameterPanelContent : public QWidget {
    Q_OBJECT

public:
    static inline const QString heading = QStringLiteral("⚙️　パラメータ設定");

    explicit ParameterPanelContent(WindowState& state, QWidget* parent = nullptr);

    QLabel* headingLabel() const { return m_heading; }
    // The six fields, row by row.
    const QList<ParamField*>& fields() const { return m_fields; }

private:
    QLabel* m_heading = nullptr;
    QList<ParamField*> m_fields;
};
