#include "app/KestrovaApp.h"

#include "app/MenuBarRenderer.h"
#include "app/PresetMenuView.h"
#include "app/ShellPlatform.h"
#include "app/TrayItem.h"
#include "core/ObservableObject.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/SymbolIcon.h"
#include "theme/SystemColor.h"

#include <QPainter>

KestrovaApp::KestrovaApp(Deps deps, QObject* parent) : QObject(parent), m_deps(std::move(deps))
{
    Q_ASSERT(m_deps.platform);
}

KestrovaApp::~KestrovaApp() = default;

QIcon KestrovaApp::trayIcon(const QString& symbol)
{
    const ColorScheme scheme = MenuBarRenderer::trayScheme();
    QColor glyph = systemColor(SystemColor::primary, scheme);
    glyph.setAlpha(255);
    QColor disc = systemColor(SystemColor::windowBackground, scheme);
    disc.setAlphaF(0.45f);
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48}) {
        for (const qreal ratio : {1.0, 2.0}) {
            QPixmap pixmap(QSize(side, side) * ratio);
            pixmap.setDevicePixelRatio(ratio);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(disc);
            painter.drawEllipse(QRectF(0, 0, side, side));
            SymbolIcon::paint(painter, QRectF(0, 0, side, side), symbol, glyph, side * 0.7);
            painter.end();
            icon.addPixmap(pixmap);
        }
    }
    return icon;
}

void KestrovaApp::launch()
{
    if (m_deps.presetManager)
        m_presetManager = m_deps.presetManager();
    m_delegate = new AppDelegate(std::move(m_deps.delegate), this);

    m_presetsItem = m_deps.platform->createTrayItem();
    if (m_presetsItem->hasButton())
        attachPresetsItem();
    else
        connect(m_presetsItem.get(), &TrayItem::buttonAppeared, this, &KestrovaApp::attachPresetsItem,
                Qt::SingleShotConnection);

    m_delegate->applicationDidFinishLaunching();
}

void KestrovaApp::attachPresetsItem()
{
    m_presetMenu = std::make_unique<PresetMenuView>(m_presetManager);
    m_presetsItem->setToolTip(QString::fromLatin1(PresetMenuView::kTitle));
    // A pull-down menu: either button opens it.
    connect(m_presetsItem.get(), &TrayItem::clicked, this, [this] { m_presetsItem->popUpMenu(m_presetMenu.get()); });
    updatePresetsIcon();
    m_iconRefresh = new RefreshCoalescer([this] { updatePresetsIcon(); }, this);
    if (m_presetManager.announcer)
        m_iconRefresh->watch(m_presetManager.announcer, &ObservableObject::changed);
}

void KestrovaApp::updatePresetsIcon()
{
    const PerformancePreset active = m_presetManager.activePreset ? m_presetManager.activePreset()
                                                                  : PerformancePreset(PerformancePreset::vanillaMac);
    const QString symbol = active.icon();
    if (symbol == m_presetsSymbol)
        return;
    m_presetsSymbol = symbol;
    m_presetsItem->setIcon(trayIcon(symbol));
}
