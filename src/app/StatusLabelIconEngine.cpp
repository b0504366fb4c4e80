#include "app/StatusLabelIconEngine.h"

#include "app/MenuBarRenderer.h"

#include <QPainter>

StatusLabelIconEngine::StatusLabelIconEngine(MenuBarView view, ColorScheme scheme)
    : m_view(std::move(view)), m_scheme(scheme)
{
}

QIcon StatusLabelIconEngine::icon(const MenuBarView& view, ColorScheme scheme)
{
    return QIcon(new StatusLabelIconEngine(view, scheme));
}

void StatusLabelIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State)
{
    if (isWide(rect.size()))
        MenuBarRenderer::paintLabel(*painter, rect, m_view, m_scheme);
    else
        MenuBarRenderer::paintCompact(*painter, rect, m_view, m_scheme);
}

QPixmap StatusLabelIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    return pixmap;
}

QSize StatusLabelIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State)
{
    if (!isWide(size))
        return size;
    // The label keeps its 70:22 shape inside a wider area.
    const QSize label = MenuBarRenderer::kLabelSize;
    return label.scaled(size, Qt::KeepAspectRatio);
}

QList<QSize> StatusLabelIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    return {QSize(16, 16), QSize(22, 22), QSize(24, 24), QSize(32, 32), QSize(48, 48), MenuBarRenderer::kLabelSize};
}

QIconEngine* StatusLabelIconEngine::clone() const { return new StatusLabelIconEngine(m_view, m_scheme); }

QString StatusLabelIconEngine::key() const { return QStringLiteral("KestrovaStatusLabel"); }
