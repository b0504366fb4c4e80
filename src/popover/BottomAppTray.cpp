#include "popover/BottomAppTray.h"

#include "core/NotificationCenter.h"
#include "core/OneLineText.h"
#include "core/SettingsStore.h"
#include "platform/ProcessOpener.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/ProcessPathRules.h"
#include "widgets/AccentPillButton.h"
#include "widgets/CardFrame.h"
#include "widgets/Fonts.h"
#include "widgets/HoverLook.h"
#include "widgets/ShownRefreshCoalescer.h"
#include "widgets/SymbolIcon.h"
#include "widgets/TabBarButton.h"
#include "widgets/TabSelection.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

constexpr int kIconSide = 24;
constexpr qreal kIconRadius = 6;

struct PageButton {
    const char* symbol;
    SystemColor color;
};

// The popover's pages, by index: CPU, network, disk, memory, AI.
constexpr PageButton kPages[] = {
    {"cpu", SystemColor::blue},
    {"network", SystemColor::green},
    {"externaldrive.fill", SystemColor::orange},
    {"memorychip", SystemColor::purple},
    {"sparkles", SystemColor::purple},
};

// The thin upright line between the page buttons and the dashboard button.
class TrayDivider final : public QWidget {
public:
    TrayDivider() { setFixedSize(1, 24); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), UiColor(SystemColor::white).opacity(0.2).resolve(this));
        painter.fillRect(rect(), UiColor(SystemColor::separator).resolve(this));
    }
};

} // namespace

// One busy process: its application image on a dark tile, or a generic
// application symbol.
class BottomAppTray::ProcessButton final : public QAbstractButton {
public:
    explicit ProcessButton(QWidget* parent = nullptr) : QAbstractButton(parent)
    {
        setObjectName(QStringLiteral("processButton"));
        setFixedSize(kIconSide, kIconSide);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
    }

    void set(const ProcessInfoData& process)
    {
        m_fullPath = process.fullPath;
        m_icon = process.icon;
        const QString help = QStringLiteral("Open ") + oneLineText(process.name);
        setAccessibleName(help);
        // Tool tips guess at markup; a process name is only ever text.
        setToolTip(QStringLiteral("<qt>%1</qt>").arg(help.toHtmlEscaped()));
        update();
    }

    QString fullPath() const { return m_fullPath; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        if (isDown())
            painter.setOpacity(0.6);
        else if (showsHoverLook(this))
            painter.setOpacity(1.0);
        else
            painter.setOpacity(0.92);
        const QRectF box(rect());
        if (m_icon.isNull()) {
            SymbolIcon::paint(painter, box, QStringLiteral("app.fill"), UiColor(SystemColor::secondary).resolve(this),
                              kIconSide);
            return;
        }
        QPainterPath tile;
        tile.addRoundedRect(box, kIconRadius, kIconRadius);
        painter.fillPath(tile, UiColor(SystemColor::black).opacity(0.2).resolve(this));
        painter.save();
        painter.setClipPath(tile);
        m_icon.paint(&painter, rect(), Qt::AlignCenter);
        painter.restore();
        painter.setPen(QPen(UiColor(SystemColor::white).opacity(0.1).resolve(this), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), kIconRadius, kIconRadius);
    }

private:
    QString m_fullPath;
    QIcon m_icon;
};

BottomAppTray::BottomAppTray(TabSelection* selectedTab, ProcessMonitor* processMonitor, QWidget* parent)
    : BottomAppTray(selectedTab, processMonitor, parent, Services())
{
}

BottomAppTray::BottomAppTray(TabSelection* selectedTab, ProcessMonitor* processMonitor, QWidget* parent,
                             Services services)
    : QWidget(parent), m_processMonitor(processMonitor),
      m_notifications(services.notifications ? services.notifications : &NotificationCenter::shared()),
      m_opener(services.opener ? services.opener : &ProcessOpener::system())
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 0, 8, 0);
    outer->setSpacing(0);
    auto* plate = new CardFrame(UiColor(SystemColor::black).opacity(0.3), 16);
    outer->addWidget(plate);

    auto* column = new QVBoxLayout(plate);
    column->setContentsMargins(0, 8, 0, 8);
    column->setSpacing(8);

    // Page buttons, then the dashboard button at the far end.
    auto* pageRow = new QHBoxLayout;
    pageRow->setContentsMargins(12, 0, 12, 0);
    pageRow->setSpacing(8);
    auto* pages = new QHBoxLayout;
    pages->setSpacing(8);
    for (int i = 0; i < int(std::size(kPages)); ++i) {
        auto* button = new TabBarButton(QString::fromLatin1(kPages[i].symbol), i, selectedTab, kPages[i].color,
                                        nullptr, services.settings);
        m_pageButtons.append(button);
        pages->addWidget(button);
    }
    pageRow->addLayout(pages);
    pageRow->addStretch(1);
    pageRow->addWidget(new TrayDivider, 0, Qt::AlignVCenter);

    auto* dashboard = new AccentPillButton(QStringLiteral("slider.horizontal.3"), QString(),
                                           UiColor(SystemColor::blue).opacity(0.8),
                                           AccentPillButton::Style::filled);
    dashboard->setObjectName(QStringLiteral("dashboardButton"));
    dashboard->setFont(Fonts::system(14, QFont::Bold));
    dashboard->setCornerRadius(8);
    dashboard->setFixedSize(TabBarButton::kSide, TabBarButton::kSide);
    dashboard->setToolTip(QStringLiteral("Open Dashboard"));
    dashboard->setAccessibleName(dashboard->toolTip());
    connect(dashboard, &QAbstractButton::clicked, this,
            [this] { m_notifications->post(QStringLiteral("OpenDashboard")); });
    m_dashboardButton = dashboard;
    pageRow->addWidget(dashboard);
    column->addLayout(pageRow);

    // The busiest processes, centred under the page row.
    auto* processLine = new QHBoxLayout;
    processLine->setContentsMargins(12, 0, 12, 8);
    processLine->setSpacing(0);
    m_processRow = new QHBoxLayout;
    m_processRow->setSpacing(10);
    processLine->addStretch(1);
    processLine->addLayout(m_processRow);
    processLine->addStretch(1);
    column->addLayout(processLine);

    if (m_processMonitor) {
        auto* coalescer = new ShownRefreshCoalescer(this, [this] { refreshProcesses(); });
        coalescer->watch(m_processMonitor.data(), &ProcessMonitor::topProcessesChanged);
    }
    refreshProcesses();
}

BottomAppTray::~BottomAppTray() = default;

QList<QAbstractButton*> BottomAppTray::processButtons() const
{
    QList<QAbstractButton*> buttons;
    for (qint32 pid : m_processOrder)
        buttons.append(m_processButtons.value(pid));
    return buttons;
}

void BottomAppTray::open(const QString& fullPath, ProcessOpener& opener)
{
    const QString bundle = ProcessPathRules::applicationBundlePath(fullPath);
    if (!bundle.isEmpty())
        opener.openApplication(bundle);
    else
        opener.openFile(fullPath);
}

void BottomAppTray::refreshProcesses()
{
    QList<ProcessInfoData> shown;
    if (m_processMonitor)
        shown = m_processMonitor->topProcesses().mid(0, kProcessCount);

    QHash<qint32, ProcessButton*> kept;
    QList<qint32> order;
    for (const ProcessInfoData& process : shown) {
        if (kept.contains(process.id))
            continue; // one button per process
        ProcessButton* button = m_processButtons.take(process.id);
        if (!button) {
            button = new ProcessButton(this);
            connect(button, &QAbstractButton::clicked, this, [this, button] { open(button->fullPath(), *m_opener); });
        }
        button->set(process);
        kept.insert(process.id, button);
        order.append(process.id);
    }
    for (ProcessButton* gone : std::as_const(m_processButtons)) {
        m_processRow->removeWidget(gone);
        gone->hide();
        gone->deleteLater();
    }
    m_processButtons = kept;
    m_processOrder = order;

    for (int i = 0; i < order.size(); ++i) {
        ProcessButton* button = m_processButtons.value(order[i]);
        m_processRow->removeWidget(button);
        m_processRow->insertWidget(i, button);
        button->show();
    }
}
