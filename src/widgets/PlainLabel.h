#pragma once

#include "theme/UiColor.h"

#include <QLabel>
#include <QList>
#include <QMargins>

// A QLabel that shows its text as plain text only, for every text that
// comes from outside (process names, answers, server replies): markup in it
// is shown, never rendered. Its colour is a UiColor that follows the scheme
// of the window it sits in.
class PlainLabel : public QLabel {
    Q_OBJECT

public:
    explicit PlainLabel(const QString& text = QString(), QWidget* parent = nullptr);
    // A styled one in one step, as pages build most of theirs.
    PlainLabel(const QString& text, const QFont& font, const UiColor& color, QWidget* parent = nullptr);

    UiColor textColor() const { return m_color; }
    void setTextColor(const UiColor& color);
    // For a figure that changes often: sets the text and keeps the label at
    // a fixed size equal to its size hint, so a new text of the same size
    // repaints this label only instead of laying out its whole window.
    void setFigureText(const QString& text);
    // The colour as currently painted.
    QColor resolvedTextColor() const;

    int heightForWidth(int width) const override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyColor();

    // The heights a wrapped text was last found to need, and what they were
    // measured with besides the font (a font change clears them).
    struct WrapMeasure {
        QString text;
        QMargins contents;
        int margin = 0;
        int indent = 0;
        Qt::Alignment alignment;
        bool operator==(const WrapMeasure&) const = default;
    };
    struct WrapHeight {
        int width;
        int height;
    };
    mutable WrapMeasure m_wrapMeasure;
    mutable QList<WrapHeight> m_wrapHeights;

    UiColor m_color = SystemColor::primary;
    bool m_applying = false;
    bool m_figure = false;
};
