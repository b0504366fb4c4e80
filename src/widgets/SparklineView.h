#pragma once

#include "theme/UiColor.h"

#include <QList>
#include <QWidget>

// A thin line through a list of percentages, oldest first, stroked 1.5 wide
// across whatever area the caller gives it. Nothing is filled.
class SparklineView : public QWidget {
    Q_OBJECT

public:
    SparklineView(const QList<double>& data, const UiColor& color, QWidget* parent = nullptr);

    const QList<double>& data() const { return m_data; }
    void setData(const QList<double>& data);
    UiColor color() const { return m_color; }
    void setColor(const UiColor& color);

    // What the view draws at its current size (empty when nothing).
    QPainterPath linePath() const;

    QSize sizeHint() const override { return {60, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<double> m_data;
    UiColor m_color;
};
