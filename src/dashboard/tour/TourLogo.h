#pragma once

#include "theme/AppTheme.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

// The welcome step's logo: the application's image (or, without one, a
// shield symbol in the theme's gradient) on a faint accent disc, drawn at
// the scale it is given about its centre; the space it takes never changes.
// While shown it breathes: breath() asks for a scale from 1.0 to 1.15 and
// back, 1.2 s each way.
class RepeatingLoop;

class TourLogo : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDisc = 70;
    static constexpr double kMaxScale = 1.15;

    TourLogo(const QImage& logo, AppTheme theme, QWidget* parent = nullptr);

    bool showsImage() const { return !m_logo.isNull(); }
    void setTheme(AppTheme theme);
    void setScale(double scale);
    double scale() const { return m_scale; }

    bool isBreathing() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void breath(double scale);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The picture at its drawn size, made once per theme and pixel ratio,
    // so a breath only scales a small pixmap.
    const QPixmap& picture();

    QImage m_logo;
    QPixmap m_picture;
    AppTheme m_theme;
    double m_scale = 1.0;
    RepeatingLoop* m_breath;
};
