#pragma once

#include "theme/UiColor.h"

#include <QWidget>

// A preset's symbol on a faint disc of the preset's colour.
class PresetIconDisc : public QWidget {
    Q_OBJECT

public:
    PresetIconDisc(int diameter, qreal symbolPointSize, QWidget* parent = nullptr);

    // `discOpacity` is the disc's opacity relative to the colour.
    void set(const QString& symbol, const UiColor& color, qreal discOpacity);
    QString symbol() const { return m_symbol; }
    UiColor color() const { return m_color; }
    qreal discOpacity() const { return m_discOpacity; }

    QSize sizeHint() const override { return {m_diameter, m_diameter}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_diameter;
    qreal m_pointSize;
    QString m_symbol;
    UiColor m_color = SystemColor::blue;
    qreal m_discOpacity = 0.15;
};
