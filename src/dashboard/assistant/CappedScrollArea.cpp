#include "dashboard/assistant/CappedScrollArea.h"

#include "widgets/SlimScrollBar.h"

#include <QEvent>
#include <QLayout>
#include <QScrollBar>

#include <algorithm>

CappedScrollArea::CappedScrollArea(int maxHeight, QWidget* content, QWidget* parent)
    : QScrollArea(parent), m_maxHeight(maxHeight)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    viewport()->setAutoFillBackground(false);
    SlimScrollBar::apply(verticalScrollBar());
    content->setAutoFillBackground(false);
    setWidget(content);
    content->installEventFilter(this);
}

int CappedScrollArea::contentHeight() const
{
    const QWidget* content = widget();
    if (!content)
        return 0;
    const int width = viewport()->width();
    if (content->hasHeightForWidth() && width > 0)
        return content->heightForWidth(width);
    return content->sizeHint().height();
}

QSize CappedScrollArea::sizeHint() const
{
    const QWidget* content = widget();
    const int width = content ? content->sizeHint().width() : 0;
    return {width, std::min(contentHeight(), m_maxHeight)};
}

QSize CappedScrollArea::minimumSizeHint() const { return {0, sizeHint().height()}; }

bool CappedScrollArea::eventFilter(QObject* watched, QEvent* event)
{
    // The content grew or shrank: ask the page for a new height.
    if (watched == widget() && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}

void CappedScrollArea::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    // Wrapped text is taller in a narrower area.
    if (viewport()->width() != m_lastWidth) {
        m_lastWidth = viewport()->width();
        updateGeometry();
    }
}
