#pragma once

#include "theme/UiColor.h"

#include <QWidget>

// A short text on a small rounded plate ("P0", counts, states).
class Badge : public QWidget {
    Q_OBJECT

public:
    Badge(const QString& text, const UiColor& textColor, const UiColor& background, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    void setColors(const UiColor& textColor, const UiColor& background);
    UiColor background() const { return m_background; }
    void setCornerRadius(qreal radius);
    void setPadding(int horizontal, int vertical);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    UiColor m_textColor;
    UiColor m_background;
    qreal m_radius = 4;
    int m_padH = 2;
    int m_padV = 2;
};
