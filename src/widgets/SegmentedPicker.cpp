#include "widgets/SegmentedPicker.h"

#include "theme/UiColor.h"
#include "widgets/Fonts.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kHeight = 24;
constexpr int kInset = 2;
constexpr int kTextPadding = 12;

QFont segmentFont() { return Fonts::system(12, QFont::Medium); }

} // namespace

SegmentedPicker::SegmentedPicker(const QStringList& labels, QWidget* parent) : QWidget(parent), m_labels(labels)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void SegmentedPicker::setSelectedIndex(int index)
{
    if (index == m_selected)
        return;
    m_selected = index;
    update();
}

QSize SegmentedPicker::sizeHint() const
{
    const QFontMetrics fm(segmentFont());
    int widest = 0;
    for (const QString& label : m_labels)
        widest = std::max(widest, fm.horizontalAdvance(label));
    return {int(m_labels.size()) * (widest + 2 * kTextPadding) + 2 * kInset, kHeight};
}

QSize SegmentedPicker::minimumSizeHint() const { return {int(m_labels.size()) * 40, kHeight}; }

QRect SegmentedPicker::segmentRect(int index) const
{
    if (m_labels.isEmpty())
        return {};
    const int inner = width() - 2 * kInset;
    const int left = kInset + inner * index / int(m_labels.size());
    const int right = kInset + inner * (index + 1) / int(m_labels.size());
    return {left, kInset, right - left, height() - 2 * kInset};
}

int SegmentedPicker::indexAt(const QPoint& pos) const
{
    for (int i = 0; i < m_labels.size(); ++i)
        if (segmentRect(i).contains(pos))
            return i;
    return -1;
}

void SegmentedPicker::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton ? indexAt(event->position().toPoint()) : -1;
}

void SegmentedPicker::mouseReleaseEvent(QMouseEvent* event)
{
    const int index = indexAt(event->position().toPoint());
    const bool clicked = event->button() == Qt::LeftButton && index >= 0 && index == m_pressed;
    m_pressed = -1;
    if (clicked)
        emit activated(index);
}

void SegmentedPicker::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath track;
    track.addRoundedRect(QRectF(rect()), 6, 6);
    p.fillPath(track, UiColor(SystemColor::contrast).opacity(0.08).resolve(this));

    const QFont font = segmentFont();
    const QFontMetrics fm(font);
    p.setFont(font);
    for (int i = 0; i < m_labels.size(); ++i) {
        const QRect r = segmentRect(i);
        if (i == m_selected) {
            QPainterPath thumb;
            thumb.addRoundedRect(QRectF(r), 5, 5);
            p.fillPath(thumb, UiColor(SystemColor::contrast).opacity(0.22).resolve(this));
        } else if (i > 0 && i - 1 != m_selected) {
            p.fillRect(QRectF(r.left() - 0.5, r.top() + 5, 1, r.height() - 10),
                       UiColor(SystemColor::separator).resolve(this));
        }
        p.setPen(UiColor(SystemColor::primary).resolve(this));
        p.drawText(r, Qt::AlignCenter, fm.elidedText(m_labels[i], Qt::ElideRight, r.width() - 6));
    }
}
