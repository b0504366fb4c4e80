#pragma once

#include <QScrollArea>

// A vertical scroll view that is as tall as its content up to a cap, and
// scrolls (with its indicator) beyond it. Transparent and frameless, so it
// shows whatever plate it sits on.
class CappedScrollArea : public QScrollArea {
    Q_OBJECT

public:
    explicit CappedScrollArea(int maxHeight, QWidget* content, QWidget* parent = nullptr);

    int maxContentHeight() const { return m_maxHeight; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int contentHeight() const;

    int m_maxHeight;
    int m_lastWidth = -1;
};
