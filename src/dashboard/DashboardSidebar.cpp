#include "dashboard/DashboardSidebar.h"

#include "theme/ThemeManager.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardPageState.h"
#include "dashboard/SidebarCatalog.h"
#include "dashboard/SidebarButton.h"
#include "widgets/AppLogo.h"
#include "theme/ColorScheme.h"
#include "widgets/Fonts.h"
#include "widgets/HoverLook.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolIcon.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// The application's mark: the logo image when there is one, otherwise the
// shield symbol in the theme's two accents.
class LogoMark : public QWidget {
public:
    explicit LogoMark(ThemeManager* themeManager) : m_themeManager(themeManager), m_logo(AppLogo::find())
    {
        setFixedSize(22, 22);
    }

    bool showsImage() const { return !m_logo.isNull(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF box(rect());
        if (!m_logo.isNull()) {
            AppLogo::paint(painter, box, m_logo, 5);
            return;
        }
        // Paint the glyph, then keep only its shape under the gradient.
        const qreal dpr = devicePixelRatioF();
        QImage glyph((box.size() * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
        glyph.setDevicePixelRatio(dpr);
        glyph.fill(Qt::transparent);
        QPainter g(&glyph);
        g.setRenderHint(QPainter::Antialiasing);
        const qreal side = SymbolIcon::pixelSizeFor(16);
        const QRectF symbolBox(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
        SymbolIcon::paint(g, symbolBox, QStringLiteral("bolt.shield.fill"), Qt::white, side);
        g.setCompositionMode(QPainter::CompositionMode_SourceIn);
        const AppTheme theme = m_themeManager->currentTheme();
        QLinearGradient gradient(symbolBox.topLeft(), symbolBox.bottomRight());
        gradient.setColorAt(0, theme.accentColor().resolve(this));
        gradient.setColorAt(1, theme.secondaryAccent().resolve(this));
        g.fillRect(box, gradient);
        g.end();
        painter.drawImage(QPointF(0, 0), glyph);
    }

private:
    ThemeManager* m_themeManager;
    QImage m_logo;
};

// A full-width red row at the sidebar's foot that ends the application.
class QuitButton : public QAbstractButton {
public:
    QuitButton()
    {
        setText(QStringLiteral("Quit"));
        setToolTip(QStringLiteral("Quit Kestrova"));
        setFocusPolicy(Qt::NoFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setFont(Fonts::system(13, QFont::Medium));
        setAttribute(Qt::WA_Hover);
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        return {12 + 20 + 8 + metrics.horizontalAdvance(text()) + 12, 8 + std::max(metrics.height(), 17) + 8};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor red = UiColor(SystemColor::red).resolve(this);
        QColor plate = red;
        plate.setAlphaF(isDown() ? 0.2f : showsHoverLook(this) ? 0.15f : 0.1f);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 8, 8);
        painter.fillPath(shape, plate);
        const qreal side = SymbolIcon::pixelSizeFor(13);
        const QRectF iconBox(12, (height() - side) / 2.0, 20, side);
        SymbolIcon::paint(painter, iconBox, QStringLiteral("power"), red, side);
        painter.setPen(red);
        painter.setFont(font());
        painter.drawText(QRectF(iconBox.right() + 8, 0, width() - iconBox.right() - 20, height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text());
    }
};

// A soft fade over the foot of the page list while more of it lies below,
// so a list taller than the window reads as scrollable rather than cut.
class EdgeFade : public QWidget {
public:
    EdgeFade(QScrollArea* area, ThemeManager* themeManager) : QWidget(area), m_area(area), m_themeManager(themeManager)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        QScrollBar* bar = area->verticalScrollBar();
        connect(bar, &QScrollBar::valueChanged, this, &EdgeFade::follow);
        connect(bar, &QScrollBar::rangeChanged, this, &EdgeFade::follow);
        area->viewport()->installEventFilter(this);
        follow();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            follow();
        return QWidget::eventFilter(watched, event);
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QColor base = m_themeManager->currentTheme().sidebarBackground().resolve(this);
        QColor clear = base;
        clear.setAlpha(0);
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0, clear);
        gradient.setColorAt(1, base);
        painter.fillRect(rect(), gradient);
    }

private:
    void follow()
    {
        const QRect view = m_area->viewport()->geometry();
        setGeometry(view.left(), view.bottom() - kHeight + 1, view.width(), kHeight);
        const QScrollBar* bar = m_area->verticalScrollBar();
        setVisible(bar->value() < bar->maximum());
        raise();
    }

    static constexpr int kHeight = 28;
    QScrollArea* m_area;
    ThemeManager* m_themeManager;
};

PlainLabel* sectionHeader(const QString& text, int top)
{
    auto* label = new PlainLabel(text);
    label->setFont(Fonts::system(9, QFont::Bold));
    label->setContentsMargins(10, top, 10, 0);
    return label;
}

} // namespace

DashboardSidebar::DashboardSidebar(DashboardPageState* state, ThemeManager* themeManager, SettingsStore* settings,
                                   std::function<void()> onQuit, QWidget* parent)
    : QWidget(parent), m_state(state), m_themeManager(themeManager), m_settings(settings),
      m_name(new PlainLabel(QStringLiteral("Kestrova"))), m_caption(new PlainLabel(QStringLiteral("AI-FIRST CO-PILOT"))),
      m_logo(new LogoMark(themeManager)), m_sections(new QVBoxLayout), m_quit(new QuitButton)
{
    setFixedWidth(SidebarCatalog::kWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, kTopInset, 10, 20);
    column->setSpacing(5);

    auto* header = new QVBoxLayout;
    header->setContentsMargins(10, 0, 10, 10);
    header->setSpacing(3);
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(8);
    titleRow->addWidget(m_logo);
    m_name->setFont(Fonts::system(16, QFont::Black));
    titleRow->addWidget(m_name);
    titleRow->addStretch(1);
    header->addLayout(titleRow);
    auto* captionRow = new QHBoxLayout;
    captionRow->setContentsMargins(30, 0, 0, 0);
    captionRow->setSpacing(6);
    m_caption->setFont(Fonts::system(8, QFont::Bold));
    captionRow->addWidget(m_caption);
    captionRow->addStretch(1);
    header->addLayout(captionRow);
    column->addLayout(header);

    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    auto* list = new QWidget;
    list->setAutoFillBackground(false);
    list->setLayout(m_sections);
    m_sections->setContentsMargins(0, 0, 0, 0);
    m_sections->setSpacing(3);
    scroll->setWidget(list);
    m_scroll = scroll;
    m_fade = new EdgeFade(scroll, m_themeManager);
    column->addWidget(scroll, 1);

    connect(m_quit, &QAbstractButton::clicked, this, [onQuit = std::move(onQuit)] {
        if (onQuit)
            onQuit();
    });
    column->addWidget(m_quit);

    connect(m_settings, &SettingsStore::changed, this, [this](const QString& key) {
        if (key == QLatin1String(SettingsStore::kWorkspacePersona))
            rebuildSections();
    });
    connect(m_themeManager, &ThemeManager::currentThemeChanged, this, &DashboardSidebar::applyTheme);
    // A page chosen from elsewhere (the tour, a request for "Settings")
    // brings its row into view once the list has its layout.
    connect(m_state, &DashboardPageState::selectedSidebarItemChanged, this, [this] {
        QMetaObject::invokeMethod(this, &DashboardSidebar::revealSelection, Qt::QueuedConnection);
    });
    // The window keeps its built pages exactly while the tour walks this
    // list. However the walk ends (skip, finish, another step, the tour
    // hidden), the list goes back to its top so its first header shows;
    // queued, so it comes after a reveal the walk's last step asked for.
    connect(m_state, &DashboardPageState::keepsBuiltPagesChanged, this, [this] {
        if (!m_state->keepsBuiltPages())
            QMetaObject::invokeMethod(this, &DashboardSidebar::scrollToTop, Qt::QueuedConnection);
    });
    rebuildSections();
    applyTheme();
}

void DashboardSidebar::rebuildSections()
{
    while (QLayoutItem* item = m_sections->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_headers.clear();

    const WorkspacePersona persona =
        WorkspacePersona::fromRaw(m_settings->workspacePersona()).value_or(WorkspacePersona::aiEngineer);
    const auto addButtons = [this](const QList<SidebarItem>& items) {
        for (const SidebarItem& item : items)
            m_sections->addWidget(new SidebarButton(item, m_state, m_themeManager, m_settings));
    };
    m_headers << sectionHeader(SidebarCatalog::aiSectionHeader(persona), 5);
    m_sections->addWidget(m_headers.last());
    addButtons(SidebarCatalog::aiSectionItems(persona));
    m_headers << sectionHeader(QStringLiteral("SYSTEM MONITOR"), 10);
    m_sections->addWidget(m_headers.last());
    addButtons(SidebarCatalog::monitorSectionItems(persona));
    m_headers << sectionHeader(QStringLiteral("PREFERENCES"), 10);
    m_sections->addWidget(m_headers.last());
    addButtons(SidebarCatalog::utilityItems());
    m_sections->addStretch(1);
    applyTheme();
}

void DashboardSidebar::applyTheme()
{
    const AppTheme theme = m_themeManager->currentTheme();
    applyColorScheme(this, theme.colorScheme(), theme.sidebarBackground().resolve(theme.colorScheme()));
    m_name->setTextColor(theme.textColor());
    m_caption->setTextColor(theme.accentColor());
    m_logo->update();
    m_fade->update();
    if (!m_headers.isEmpty()) {
        m_headers[0]->setTextColor(theme.accentColor().opacity(0.8));
        // The fixed sections have a faint white caption; on a light sidebar
        // the faint caption takes the text colour, or it would not show.
        const UiColor caption = theme.isLight() ? theme.textColor() : UiColor(SystemColor::white);
        for (int i = 1; i < m_headers.size(); ++i)
            m_headers[i]->setTextColor(caption.opacity(0.4));
    }
}

void DashboardSidebar::revealSelection()
{
    for (SidebarButton* b : buttons())
        if (b->isSelected())
            m_scroll->ensureWidgetVisible(b, 0, 0);
}

void DashboardSidebar::scrollToTop()
{
    if (!m_state->keepsBuiltPages()) // a walk that started again keeps its place
        m_scroll->verticalScrollBar()->setValue(0);
}

void DashboardSidebar::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    QMetaObject::invokeMethod(this, &DashboardSidebar::revealSelection, Qt::QueuedConnection);
}

QList<SidebarButton*> DashboardSidebar::buttons() const
{
    QList<SidebarButton*> list;
    for (int i = 0; i < m_sections->count(); ++i)
        if (auto* button = qobject_cast<SidebarButton*>(m_sections->itemAt(i)->widget()))
            list << button;
    return list;
}

SidebarButton* DashboardSidebar::button(const QString& title) const
{
    for (SidebarButton* b : buttons())
        if (b->item().title == title)
            return b;
    return nullptr;
}

bool DashboardSidebar::showsLogoImage() const { return static_cast<const LogoMark*>(m_logo)->showsImage(); }

QStringList DashboardSidebar::sectionHeaders() const
{
    QStringList texts;
    for (const PlainLabel* header : m_headers)
        texts << header->text();
    return texts;
}
