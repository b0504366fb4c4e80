#pragma once

#include <QStringList>
#include <QWidget>

// A row of equal segments, one of them selected. A click on another segment
// emits activated(index); the owner decides whether the selection follows
// (setSelectedIndex), so the picker always shows what is stored.
class SegmentedPicker : public QWidget {
    Q_OBJECT

public:
    explicit SegmentedPicker(const QStringList& labels, QWidget* parent = nullptr);

    const QStringList& labels() const { return m_labels; }
    int selectedIndex() const { return m_selected; }
    void setSelectedIndex(int index);
    // The area of one segment, for clicks in tests.
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void activated(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int indexAt(const QPoint& pos) const;

    QStringList m_labels;
    int m_selected = -1;
    int m_pressed = -1;
};
