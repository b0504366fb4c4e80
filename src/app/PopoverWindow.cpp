#include "app/PopoverWindow.h"

#include "widgets/VisualEffectView.h"
#include "widgets/WindowOutline.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

PopoverWindow::PopoverWindow(QWidget* content)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Kestrova"));
    setFixedSize(kSize);
    // Rounded as a popover is: translucent where the display composites,
    // cut to its outline where it does not (decided at each showing).
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(content);
}

QPoint PopoverWindow::placement(const QRect& anchor, const QSize& size, const QRect& screen)
{
    int x = anchor.center().x() - size.width() / 2;
    int y = anchor.bottom() + 1 + kGap;
    if (y + size.height() - 1 > screen.bottom() && anchor.top() - kGap - size.height() >= screen.top())
        y = anchor.top() - kGap - size.height();
    x = std::clamp(x, screen.left(), std::max(screen.left(), screen.right() + 1 - size.width()));
    y = std::clamp(y, screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height()));
    return {x, y};
}

void PopoverWindow::show(const QRect& anchor)
{
    const QRect item = anchor.isEmpty() ? QRect(QCursor::pos(), QSize(1, 1)) : anchor;
    QScreen* screen = QGuiApplication::screenAt(item.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(placement(item, size(), screen->availableGeometry()));
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), VisualEffectView::kCornerRadius, VisualEffectView::kCornerRadius);
    WindowOutline::apply(this, outline);
    QWidget::show();
    raise();
    activateWindow();
}
