#pragma once

#include "theme/UiColor.h"

#include <QWidget>

// Plain text that wraps at word boundaries and stops after a number of
// lines, the last one cut with an ellipsis when more would follow. Markup
// is never interpreted.
class LineClampLabel : public QWidget {
    Q_OBJECT

public:
    LineClampLabel(const QString& text, int maxLines, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    void setTextColor(const UiColor& color);
    UiColor textColor() const { return m_color; }

    // The lines as drawn at `width` (the last one cut when needed).
    QStringList linesAt(int width) const;
    bool isClamped() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_text;
    int m_maxLines;
    UiColor m_color = SystemColor::primary;
};
