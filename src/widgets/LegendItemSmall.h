#pragma once

#include "theme/UiColor.h"

#include <QFont>
#include <QWidget>

// A compact legend entry: a 6-point dot, a label and a value, all in 9-point
// type. The value is shown exactly as given. The label weight differs
// between the dashboard (regular) and the popover (medium).
class LegendItemSmall : public QWidget {
    Q_OBJECT

public:
    LegendItemSmall(const UiColor& color, const QString& label, const QString& value,
                    QFont::Weight labelWeight = QFont::Normal, QWidget* parent = nullptr);

    UiColor color() const { return m_color; }
    void setColor(const UiColor& color);
    QString label() const { return m_label; }
    QString value() const { return m_value; }
    void setValue(const QString& value);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont labelFont() const;
    QFont valueFont() const;

    UiColor m_color;
    QString m_label;
    QString m_value;
    QFont::Weight m_labelWeight;
};
