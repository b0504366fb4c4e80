#pragma once

#include "theme/UiColor.h"

#include <QWidget>

// One line of plain text that is cut with an ellipsis when the room is too
// small. It never interprets markup and keeps its text (and tool tip) to one
// line without bidirectional controls (see oneLineText()), so it is safe for
// process names, paths and other text from outside. The full text is its
// tool tip when cut.
class ElidedLabel : public QWidget {
    Q_OBJECT

public:
    explicit ElidedLabel(const QString& text = QString(), QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    UiColor textColor() const { return m_color; }
    void setTextColor(const UiColor& color);
    void setElideMode(Qt::TextElideMode mode);
    void setAlignment(Qt::Alignment alignment);
    // A tool tip shown at every width, as plain text; empty: the full text,
    // and only while it is cut.
    void setFixedToolTip(const QString& toolTip);
    QString fixedToolTip() const { return m_fixedToolTip; }

    // The text as painted at the current width.
    QString displayedText() const;
    bool isElided() const { return displayedText() != m_text; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refreshToolTip();

    QString m_text;
    QString m_fixedToolTip;
    UiColor m_color = SystemColor::primary;
    Qt::TextElideMode m_mode = Qt::ElideRight;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
};
