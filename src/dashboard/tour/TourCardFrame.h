#pragma once

#include <QWidget>

// The tour's card: a dark rounded panel (radius 18, always the dark scheme,
// whatever the theme) with a thin outline that fades from faint white at
// the top-leading corner to nothing.
class TourCardFrame : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal kRadius = 18;
    static QColor background() { return {20, 22, 30}; }

    explicit TourCardFrame(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
