#pragma once

#include <QWidget>

class QTimeLine;

// The presets step's detail line: a slider symbol and the highlighted
// preset's nice level. A new text fades in while the old one fades out,
// in the same place; the line's size never changes. The fade runs on the
// slow animations' beat, so it repaints with the badges' breath.
class TourDetailLine : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFadeMs = 400;

    explicit TourDetailLine(const QString& text, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    bool isFading() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void paintLine(QPainter& p, const QString& text, qreal opacity);

    QString m_text;
    QString m_leaving;
    qreal m_progress = 1.0;
    QTimeLine* m_fade;
};
