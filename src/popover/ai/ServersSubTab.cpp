#include "popover/ai/ServersSubTab.h"

#include "core/Format.h"
#include "core/OneLineText.h"
#include "localai/LocalAIExamples.h"
#include "localai/LocalAIService.h"
#include "localai/LocalAPILatencyService.h"
#include "platform/ProcessSignaller.h"
#include "theme/ThemeManager.h"
#include "widgets/AccentPillButton.h"
#include "widgets/Badge.h"
#include "widgets/CardFrame.h"
#include "widgets/ColorDot.h"
#include "widgets/DestructiveIconButton.h"
#include "widgets/ElidedLabel.h"
#include "widgets/Fonts.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/ShownRefreshCoalescer.h"
#include "widgets/ServiceAction.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {

PlainLabel* caption(const QString& text)
{
    return new PlainLabel(text, Fonts::system(9, QFont::Bold), SystemColor::secondary);
}

PlainLabel* centredNote(const QString& text, qreal size, int padding)
{
    auto* note = new PlainLabel(text, Fonts::system(size), SystemColor::secondary);
    note->setAlignment(Qt::AlignCenter);
    note->setWordWrap(true);
    note->setContentsMargins(0, padding, 0, padding);
    return note;
}

ElidedLabel* title(const QString& objectName, const UiColor& color = SystemColor::primary)
{
    auto* label = new ElidedLabel;
    label->setObjectName(objectName);
    label->setFont(Fonts::system(11, QFont::DemiBold));
    label->setTextColor(color);
    return label;
}

PlainLabel* small(const QString& objectName, const QFont& font, const UiColor& color)
{
    auto* label = new PlainLabel(QString(), font, color);
    label->setObjectName(objectName);
    return label;
}

// A list row's faint box, its content padded 8.
class RowBox : public CardFrame {
public:
    explicit RowBox(const UiColor& fill = UiColor(SystemColor::contrast).opacity(0.02)) : CardFrame(fill, 8)
    {
        m_row = new QHBoxLayout(this);
        m_row->setContentsMargins(8, 8, 8, 8);
        m_row->setSpacing(6);
    }

protected:
    // Two lines on the left: `first` over `second` (which may be null).
    QVBoxLayout* addTexts(QLayout* first, QWidget* second, int spacing = 2)
    {
        auto* texts = new QVBoxLayout;
        texts->setSpacing(spacing);
        texts->addLayout(first);
        if (second)
            texts->addWidget(second);
        m_row->addLayout(texts, 1);
        return texts;
    }
    QHBoxLayout* m_row;
};

QHBoxLayout* line(std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    for (QWidget* w : widgets)
        row->addWidget(w, 0, Qt::AlignVCenter);
    row->addStretch(1);
    return row;
}

class PortRow final : public RowBox {
public:
    PortRow()
        : m_name(title(QStringLiteral("name"))), m_badge(new Badge(QString(), SystemColor::blue, SystemColor::clear)),
          m_pid(small(QStringLiteral("pid"), Fonts::monospaced(8), SystemColor::secondary)),
          m_kill(new DestructiveIconButton(QStringLiteral("xmark.circle.fill"),
                                           QString::fromLatin1(ServersSubTab::kKillHelp)))
    {
        m_badge->setObjectName(QStringLiteral("portBadge"));
        m_badge->setFont(Fonts::monospaced(8, QFont::Bold));
        m_badge->setPadding(4, 1);
        m_badge->setCornerRadius(3);
        m_kill->setObjectName(QStringLiteral("killButton"));
        addTexts(line({m_name, m_badge}), m_pid);
        m_row->addWidget(m_kill, 0, Qt::AlignVCenter);
        connect(m_kill, &QAbstractButton::clicked, this, [this] {
            if (m_onKill)
                m_onKill();
        });
    }

    void set(const LocalPortInfo& port, const UiColor& accent, std::function<void()> onKill)
    {
        m_name->setText(port.processName);
        m_badge->setText(kestrova::format("Port %lld", static_cast<long long>(port.port)));
        m_badge->setColors(accent, accent.opacity(0.2));
        m_pid->setText(kestrova::format("PID: %d", int(port.pid)));
        m_onKill = std::move(onKill);
        m_kill->setVisible(bool(m_onKill));
    }

private:
    ElidedLabel* m_name;
    Badge* m_badge;
    PlainLabel* m_pid;
    DestructiveIconButton* m_kill;
    std::function<void()> m_onKill;
};

class DatabaseRow final : public RowBox {
public:
    DatabaseRow()
        : m_name(title(QStringLiteral("name"))),
          m_port(small(QStringLiteral("port"), Fonts::monospaced(8, QFont::Bold), SystemColor::blue)),
          m_container(small(QStringLiteral("container"), Fonts::monospaced(8), SystemColor::secondary)),
          m_memory(small(QStringLiteral("memory"), Fonts::monospaced(10, QFont::DemiBold), SystemColor::primary)),
          m_status(small(QStringLiteral("status"), Fonts::system(8, QFont::Bold), SystemColor::orange)),
          m_hibernate(new AccentPillButton(QString(), QStringLiteral("Hibernate"), SystemColor::blue))
    {
        m_hibernate->setObjectName(QStringLiteral("hibernateButton"));
        m_hibernate->setFont(Fonts::system(8, QFont::Bold));
        m_hibernate->setPadding(8, 4);
        m_hibernate->setCornerRadius(6);
        // A third line, under the container id, so a long status never
        // squeezes the name.
        addTexts(line({m_name, m_port}), m_container)->addWidget(m_status);
        m_row->addWidget(m_memory, 0, Qt::AlignVCenter);
        m_row->addWidget(m_hibernate, 0, Qt::AlignVCenter);
        connect(m_hibernate, &QAbstractButton::clicked, this, [this] {
            if (m_onHibernate)
                m_onHibernate();
        });
    }

    void set(const VectorDatabaseInfo& db, const UiColor& accent, std::function<void()> onHibernate)
    {
        m_name->setText(db.name);
        m_port->setText(kestrova::format("Port %lld", static_cast<long long>(db.port)));
        m_port->setTextColor(accent);
        // What docker reports is outside text; the names' labels keep
        // themselves to one line.
        m_container->setText(QStringLiteral("Container ID: ") + oneLineText(db.containerId));
        m_memory->setText(oneLineText(db.memoryUsage));
        // A paused container says so; without it the row would differ from
        // a running one only by the missing Hibernate button.
        m_status->setText(db.status);
        m_status->setVisible(!db.isRunning());
        m_hibernate->setColor(accent);
        m_onHibernate = std::move(onHibernate);
        m_hibernate->setVisible(bool(m_onHibernate));
    }

private:
    ElidedLabel* m_name;
    PlainLabel* m_port;
    PlainLabel* m_container;
    PlainLabel* m_memory;
    PlainLabel* m_status;
    AccentPillButton* m_hibernate;
    std::function<void()> m_onHibernate;
};

class CompanionRow final : public RowBox {
public:
    CompanionRow()
        : RowBox(UiColor(SystemColor::orange).opacity(0.05)), m_name(title(QStringLiteral("name"), SystemColor::orange)),
          m_pid(small(QStringLiteral("pid"), Fonts::monospaced(8), SystemColor::secondary)),
          m_ide(small(QStringLiteral("ide"), Fonts::system(9), SystemColor::secondary)),
          m_memory(small(QStringLiteral("memory"), Fonts::monospaced(10, QFont::DemiBold), SystemColor::primary))
    {
        addTexts(line({m_name, m_pid}), m_ide);
        m_row->addWidget(m_memory, 0, Qt::AlignVCenter);
    }

    void set(const OrphanedCompanionInfo& companion)
    {
        m_name->setText(companion.name);
        m_pid->setText(kestrova::format("PID %d", int(companion.pid)));
        m_ide->setText(QStringLiteral("Parent IDE: ") + oneLineText(companion.targetIDE));
        m_memory->setText(oneLineText(companion.memoryUsage));
    }

private:
    ElidedLabel* m_name;
    PlainLabel* m_pid;
    PlainLabel* m_ide;
    PlainLabel* m_memory;
};

class LatencyRow final : public RowBox {
public:
    LatencyRow()
        : m_name(title(QStringLiteral("name"))),
          m_port(small(QStringLiteral("port"), Fonts::monospaced(9, QFont::Bold), SystemColor::blue)),
          m_pill(new CardFrame(SystemColor::clear, 6)), m_dot(new ColorDot(SystemColor::green, 5)),
          m_status(small(QStringLiteral("status"), Fonts::monospaced(10, QFont::Bold), SystemColor::green))
    {
        m_pill->setObjectName(QStringLiteral("statusPill"));
        auto* pill = new QHBoxLayout(m_pill);
        pill->setContentsMargins(8, 3, 8, 3);
        pill->setSpacing(4);
        pill->addWidget(m_dot, 0, Qt::AlignVCenter);
        pill->addWidget(m_status, 0, Qt::AlignVCenter);
        addTexts(line({m_name, m_port}), nullptr, 1);
        m_row->addWidget(m_pill, 0, Qt::AlignVCenter);
    }

    void set(const PortLatencyInfo& info, const UiColor& accent)
    {
        const UiColor color = info.status == QLatin1String("Online") ? SystemColor::green : SystemColor::red;
        m_name->setText(info.processName);
        m_port->setText(kestrova::format(":%lld", static_cast<long long>(info.port)));
        m_port->setTextColor(accent);
        m_pill->setFill(color.opacity(0.12));
        m_dot->setColor(color);
        m_status->setText(ServersSubTab::latencyText(info.status, info.latencyMs));
        m_status->setTextColor(color);
    }

private:
    ElidedLabel* m_name;
    PlainLabel* m_port;
    CardFrame* m_pill;
    ColorDot* m_dot;
    PlainLabel* m_status;
};

// A section: a header row over an empty note and a list.
QVBoxLayout* sectionColumn(QWidget* section, int spacing = 8)
{
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    return column;
}

KeyedRowList* rowList()
{
    auto* list = new KeyedRowList;
    list->setSpacing(6);
    return list;
}

} // namespace

ServersSubTab::ServersSubTab(LocalAIService* localAI, LocalAPILatencyService* latency, ThemeManager* themeManager,
                             QWidget* parent)
    : QWidget(parent), m_localAI(localAI), m_latency(latency), m_themeManager(themeManager),
      m_coalescer(new ShownRefreshCoalescer(this, [this] { refresh(); }))
{
    Q_ASSERT(m_localAI && m_latency && m_themeManager);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 0, 10, 0);
    column->setSpacing(14);
    column->addWidget(buildPorts());
    column->addWidget(buildDatabases());
    column->addWidget(buildCompanions());
    column->addWidget(buildLatencies());

    for (auto signal : {&LocalAIService::activeLocalPortsChanged, &LocalAIService::activeVectorDBsChanged,
                        &LocalAIService::orphanedAICompanionsChanged, &LocalAIService::demoModeChanged})
        m_coalescer->watch(localAI, signal);
    m_coalescer->watch(latency, &LocalAPILatencyService::activePortLatenciesChanged);
    m_coalescer->watch(themeManager, &ThemeManager::currentThemeChanged);
    refresh();
}

QString ServersSubTab::latencyText(const QString& status, double latencyMs)
{
    return status == QLatin1String("Online") ? kestrova::format("%.2f ms", latencyMs) : QStringLiteral("Offline");
}

QWidget* ServersSubTab::buildPorts()
{
    auto* section = new QWidget;
    auto* column = sectionColumn(section);
    m_portCount = new PlainLabel(QString(), Fonts::system(8, QFont::Bold), SystemColor::blue);
    m_portCount->setObjectName(QStringLiteral("portCount"));
    auto* header = line({caption(QStringLiteral("ACTIVE API PORT SENTINEL"))});
    header->addWidget(m_portCount);
    column->addLayout(header);
    m_portsEmpty = centredNote(QStringLiteral("No active local listeners found"), 10, 12);
    column->addWidget(m_portsEmpty);
    m_ports = rowList();
    column->addWidget(m_ports);
    return section;
}

QWidget* ServersSubTab::buildDatabases()
{
    auto* section = new QWidget;
    auto* column = sectionColumn(section);
    m_dbCount = new PlainLabel(QString(), Fonts::system(8, QFont::Bold), SystemColor::blue);
    m_dbCount->setObjectName(QStringLiteral("databaseCount"));
    auto* header = line({caption(QStringLiteral("LOCAL VECTOR DATABASES"))});
    header->addWidget(m_dbCount);
    column->addLayout(header);
    m_dbEmpty = centredNote(QStringLiteral("No active local vector databases found"), 10, 12);
    column->addWidget(m_dbEmpty);
    m_dbs = rowList();
    column->addWidget(m_dbs);
    return section;
}

QWidget* ServersSubTab::buildCompanions()
{
    m_companionCard = new CardFrame(UiColor(SystemColor::contrast).opacity(0.02), 12);
    m_companionCard->setObjectName(QStringLiteral("companionCard"));
    auto* column = sectionColumn(m_companionCard);
    column->setContentsMargins(10, 10, 10, 10);
    column->addLayout(line({caption(QStringLiteral("IDE COMPANION AGENT CLEANER"))}));

    m_companionsEmpty = new QWidget;
    auto* empty = new QHBoxLayout(m_companionsEmpty);
    empty->setContentsMargins(0, 6, 0, 6);
    empty->addWidget(new SymbolView(QStringLiteral("checkmark.shield.fill"), SystemColor::green, 10), 0,
                     Qt::AlignVCenter);
    auto* emptyText = new PlainLabel(QStringLiteral("No orphaned extension agents leaking memory"), Fonts::system(10),
                                     SystemColor::secondary);
    emptyText->setWordWrap(true);
    empty->addWidget(emptyText, 1, Qt::AlignVCenter);
    column->addWidget(m_companionsEmpty);

    m_companionsShown = new QWidget;
    auto* shown = sectionColumn(m_companionsShown, 6);
    auto* intro = new PlainLabel(QStringLiteral("Leaked companion process(es) detected from closed IDE environments:"),
                                 Fonts::system(9), SystemColor::secondary);
    intro->setWordWrap(true);
    shown->addWidget(intro);
    m_companions = rowList();
    shown->addWidget(m_companions);
    m_purge = new AccentPillButton(QStringLiteral("sparkles"), QStringLiteral("Purge Orphaned Helpers"),
                                   SystemColor::blue, AccentPillButton::Style::filled);
    m_purge->setObjectName(QStringLiteral("purgeButton"));
    m_purge->setFont(Fonts::system(9, QFont::Bold));
    m_purge->setPadding(8, 6);
    m_purge->setCornerRadius(6);
    m_purge->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_purge, &QAbstractButton::clicked, this, [this] {
        startServiceAction(m_localAI, [](LocalAIService& s) { return s.purgeOrphanedCompanions(); });
    });
    shown->addWidget(m_purge);
    column->addWidget(m_companionsShown);
    return m_companionCard;
}

QWidget* ServersSubTab::buildLatencies()
{
    auto* section = new QWidget;
    auto* column = sectionColumn(section);
    m_latencySymbol = new SymbolView(QStringLiteral("waveform.path.ecg"), SystemColor::blue, 12);
    column->addLayout(line({m_latencySymbol, caption(QStringLiteral("LOCAL WORKSPACE ENDPOINT LATENCY"))}));
    m_latencyEmpty = centredNote(QStringLiteral("No active local development servers to profile"), 9, 8);
    column->addWidget(m_latencyEmpty);
    m_latencies = rowList();
    column->addWidget(m_latencies);
    return section;
}

void ServersSubTab::refreshNow() { m_coalescer->flush(); }

void ServersSubTab::refresh()
{
    if (!m_localAI || !m_latency)
        return;
    refreshPorts();
    refreshDatabases();
    refreshCompanions();
    refreshLatencies();
}

void ServersSubTab::refreshPorts()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    const QList<LocalPortInfo>& ports = m_localAI->activeLocalPorts();
    m_portCount->setText(kestrova::format("%lld Listeners", static_cast<long long>(ports.size())));
    m_portCount->setTextColor(accent);
    m_portsEmpty->setVisible(ports.isEmpty());
    m_ports->setVisible(!ports.isEmpty());
    const bool demo = m_localAI->demoMode();
    const auto apply = [&](PortRow* row, const LocalPortInfo& port) {
        std::function<void()> kill;
        // Never offered for pid 0 or 1 or ourselves (our proxy listens too),
        // nor for an example row that demo mode left behind.
        if (!ProcessSignaller::isForbiddenPid(port.pid) && (demo || !LocalAIExamples::isExample(port)))
            kill = [service = m_localAI, pid = port.pid] {
                startServiceAction(service, [pid](LocalAIService& s) { return s.killProcessOnPort(pid); });
            };
        row->set(port, accent, std::move(kill));
    };
    m_ports->setItems<PortRow>(
        ports, [](const LocalPortInfo& p) { return QString::number(p.port) + QLatin1Char('-') + QString::number(p.pid); },
        [&](const LocalPortInfo& p) {
            auto* row = new PortRow;
            apply(row, p);
            return row;
        },
        apply);
}

void ServersSubTab::refreshDatabases()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    const QList<VectorDatabaseInfo>& dbs = m_localAI->activeVectorDBs();
    // A paused container answers no request: it is not counted as active,
    // and a count of 0 is never shown.
    const auto running = std::count_if(dbs.cbegin(), dbs.cend(), [](const VectorDatabaseInfo& db) { return db.isRunning(); });
    m_dbCount->setVisible(running > 0);
    m_dbCount->setText(kestrova::format("%lld Active", static_cast<long long>(running)));
    m_dbCount->setTextColor(accent);
    m_dbEmpty->setVisible(dbs.isEmpty());
    m_dbs->setVisible(!dbs.isEmpty());
    const bool demo = m_localAI->demoMode();
    const auto apply = [&](DatabaseRow* row, const VectorDatabaseInfo& db) {
        std::function<void()> hibernate;
        // The example rows stand in when no container is found; they are
        // not containers, so there is nothing to stop. Nor is a paused
        // container offered: it reads as what it is, not as running.
        if (db.isRunning() && (demo || !LocalAIExamples::isExample(db)))
            hibernate = [service = m_localAI, id = db.containerId] {
                startServiceAction(service, [id](LocalAIService& s) { return s.stopVectorDatabase(id); });
            };
        row->set(db, accent, std::move(hibernate));
    };
    m_dbs->setItems<DatabaseRow>(
        dbs, [](const VectorDatabaseInfo& d) { return d.name; },
        [&](const VectorDatabaseInfo& d) {
            auto* row = new DatabaseRow;
            apply(row, d);
            return row;
        },
        apply);
}

void ServersSubTab::refreshCompanions()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    const QList<OrphanedCompanionInfo>& companions = m_localAI->orphanedAICompanions();
    const bool any = !companions.isEmpty();
    m_companionCard->setStroke(any ? UiColor(SystemColor::orange).opacity(0.2) : UiColor(SystemColor::clear), 1);
    m_companionsEmpty->setVisible(!any);
    m_companionsShown->setVisible(any);
    m_purge->setColor(accent);
    // Helpers listed outside demo mode are examples left over from it.
    const bool canPurge = m_localAI->demoMode()
                          || std::any_of(companions.begin(), companions.end(), [](const OrphanedCompanionInfo& c) {
                                 return !LocalAIExamples::isExample(c);
                             });
    m_purge->setVisible(canPurge);
    m_companions->setItems<CompanionRow>(
        companions, [](const OrphanedCompanionInfo& c) { return QString::number(c.pid); },
        [](const OrphanedCompanionInfo& c) {
            auto* row = new CompanionRow;
            row->set(c);
            return row;
        },
        [](CompanionRow* row, const OrphanedCompanionInfo& c) { row->set(c); });
}

void ServersSubTab::refreshLatencies()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    m_latencySymbol->setTint(accent);
    const QList<PortLatencyInfo>& rows = m_latency->activePortLatencies();
    m_latencyEmpty->setVisible(rows.isEmpty());
    m_latencies->setVisible(!rows.isEmpty());
    m_latencies->setItems<LatencyRow>(
        rows, [](const PortLatencyInfo& r) { return QString::number(r.port) + QLatin1Char('-') + QString::number(r.pid); },
        [&](const PortLatencyInfo& r) {
            auto* row = new LatencyRow;
            row->set(r, accent);
            return row;
        },
        [&](LatencyRow* row, const PortLatencyInfo& r) { row->set(r, accent); });
}
