#pragma once

#include "theme/UiColor.h"

#include <QFont>
#include <QWidget>

// One line of plain text, a figure the machine can grow without bound (a
// rate, a size, a count), that always stays inside its own width: when the
// room is too small the font shrinks, down to a floor, and only below the
// floor is the text cut with an ellipsis. The text itself is never changed.
//
// The widget asks its layout for the width of the text at its own font and
// keeps its height, so a card does not jump when its figure shrinks. The
// fitted font is worked out when the text or the width changes and kept, so
// a repaint measures nothing, and a new text of the same size lays out
// nothing either.
class FitLabel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)

public:
    // `floorSize` is the smallest pixel size the font shrinks to.
    FitLabel(const QString& text, const QFont& font, const UiColor& color, qreal floorSize,
             QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    UiColor textColor() const { return m_color; }
    void setTextColor(const UiColor& color);
    void setAlignment(Qt::Alignment alignment);

    // What is painted at the current width: the font, the text (cut only
    // below the floor) and the box it takes, in this widget's coordinates.
    QFont fittedFont() const;
    QString displayedText() const;
    QRectF textRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Fit {
        QString text;
        int width = -1;
        QFont base;
        QFont font;
        QString shown;
        qreal advance = 0;
        qreal height = 0;
    };
    const Fit& fit() const;
    void textChanged();

    QString m_text;
    UiColor m_color;
    qreal m_floor;
    Qt::Alignment m_alignment = Qt::AlignCenter;
    QSize m_hint;
    mutable Fit m_fit;
};
