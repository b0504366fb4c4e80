// The disk page's cache sections and drive card.

#include "dashboard/pages/DiskPage.h"

#include "core/Format.h"
#include "dashboard/pages/CacheRow.h"
#include "dashboard/pages/PurgeChain.h"
#include "localai/BuildCacheService.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/AccentPillButton.h"
#include "widgets/CardFrame.h"
#include "widgets/Divider.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

using Purge = QCoro::Task<> (BuildCacheService::*)();

// The constants the gamer rows show while their model-cache figure is up.
constexpr qint64 kSteamBytes = 12'450'000'000;
constexpr qint64 kShaderBytes = 6'120'000'000;

// A purge of the service, if it is still there. The arguments live in the
// coroutine's own frame.
QCoro::Task<> runPurge(QPointer<BuildCacheService> service, Purge purge)
{
    if (!service)
        co_return;
    QCoro::Task<> running = (service.data()->*purge)();
    co_await std::move(running);
}

PurgeChain::Step step(QPointer<BuildCacheService> service, Purge purge)
{
    return [service, purge] { return runPurge(service, purge); };
}

// The drive's usage: a faint track and a blue fill as wide as the share used.
class UsageBar final : public QWidget {
public:
    UsageBar() { setFixedHeight(8); }

    void setUsage(double used, double total)
    {
        if (used == m_used && total == m_total)
            return;
        m_used = used;
        m_total = total;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath track;
        track.addRoundedRect(QRectF(rect()), 4, 4);
        p.fillPath(track, UiColor(SystemColor::contrast).opacity(0.1).resolve(this));
        const double fill = DiskPage::usageFillWidth(width(), m_used, m_total);
        if (fill <= 0)
            return;
        QPainterPath bar;
        bar.addRoundedRect(QRectF(0, 0, fill, height()), 4, 4);
        p.fillPath(bar, UiColor(SystemColor::blue).resolve(this));
    }

private:
    double m_used = 0;
    double m_total = 0;
};

QHBoxLayout* sectionHead(const QString& title, AccentPillButton* purgeAll)
{
    auto* head = new QHBoxLayout;
    head->addWidget(new PlainLabel(title, Fonts::style(TextStyle::headline), SystemColor::primary), 0, Qt::AlignVCenter);
    head->addStretch(1);
    if (purgeAll)
        head->addWidget(purgeAll, 0, Qt::AlignVCenter);
    return head;
}

AccentPillButton* purgeAllButton(const QString& text)
{
    auto* button = new AccentPillButton(QString(), text, SystemColor::red, AccentPillButton::Style::filled);
    button->setPadding(12, 6);
    button->setCornerRadius(6);
    button->setFont(Fonts::system(12, QFont::Bold));
    return button;
}

} // namespace

CacheRow* DiskPage::addCacheRow(QBoxLayout* rows, const QString& title, std::function<void()> purge)
{
    auto* row = new CacheRow(title, 0, std::move(purge), m_deps.scheduler);
    rows->addWidget(row);
    return row;
}

QWidget* DiskPage::buildDeveloperSection()
{
    CardFrame* frame = card(15);
    auto* column = static_cast<QVBoxLayout*>(frame->layout());
    m_purgeAllDeveloper = purgeAllButton(QStringLiteral("Purge All Developer Caches"));
    column->addLayout(sectionHead(QStringLiteral("Developer Workspaces Cache Sweeper"), m_purgeAllDeveloper));
    auto* rows = new QVBoxLayout;
    rows->setSpacing(10);
    const QList<std::pair<const char*, Purge>> table = {
        {"Xcode DerivedData", &BuildCacheService::purgeDerivedData},
        {"Swift PM Cache", &BuildCacheService::purgeSPMCache},
        {"npm Global Cache", &BuildCacheService::purgeNpmCache},
        {"Cargo (Rust) Cache", &BuildCacheService::purgeCargoCache},
        {"Go Build Cache", &BuildCacheService::purgeGoCache},
    };
    QList<PurgeChain::Step> all;
    for (const auto& [title, purge] : table) {
        const PurgeChain::Step one = step(m_buildCache, purge);
        all << one;
        m_developerRows << addCacheRow(rows, QString::fromLatin1(title), [one] { PurgeChain::start({one}); });
    }
    column->addLayout(rows);
    connect(m_purgeAllDeveloper, &QAbstractButton::clicked, this, [all] { PurgeChain::start(all); });
    m_developerCard = frame;
    return frame;
}

QWidget* DiskPage::buildCreativeSection()
{
    CardFrame* frame = card(15);
    auto* column = static_cast<QVBoxLayout*>(frame->layout());
    m_purgeAllRender = purgeAllButton(QStringLiteral("Purge All Render Caches"));
    column->addLayout(sectionHead(QStringLiteral("Creative Render Cache Sweeper"), m_purgeAllRender));
    auto* rows = new QVBoxLayout;
    rows->setSpacing(10);
    const QList<std::pair<const char*, Purge>> table = {
        {"Final Cut Pro Cache", &BuildCacheService::purgeFinalCutCache},
        {"DaVinci Resolve Render Cache", &BuildCacheService::purgeDavinciCache},
        {"Adobe Premiere/AE Media Cache", &BuildCacheService::purgeAdobeCache},
    };
    QList<PurgeChain::Step> all;
    for (const auto& [title, purge] : table) {
        const PurgeChain::Step one = step(m_buildCache, purge);
        all << one;
        m_creativeRows << addCacheRow(rows, QString::fromLatin1(title), [one] { PurgeChain::start({one}); });
    }
    column->addLayout(rows);
    connect(m_purgeAllRender, &QAbstractButton::clicked, this, [all] { PurgeChain::start(all); });
    m_creativeCard = frame;
    return frame;
}

QWidget* DiskPage::buildGamerSection()
{
    CardFrame* frame = card(15);
    auto* column = static_cast<QVBoxLayout*>(frame->layout());
    column->addLayout(sectionHead(QStringLiteral("Gamer Cache Cleaner"), nullptr));
    auto* rows = new QVBoxLayout;
    rows->setSpacing(10);
    QPointer<BuildCacheService> service = m_buildCache;
    for (const auto& [title, path] : {std::pair{"Steam Game Caches", "ollama"},
                                      std::pair{"Metal Shader Compiled Caches", "huggingface"}}) {
        const QString figure = QString::fromLatin1(path);
        m_gamerRows << addCacheRow(rows, QString::fromLatin1(title), [service, figure] {
            if (service)
                service->purgeCache(figure);
        });
    }
    column->addLayout(rows);
    m_gamerCard = frame;
    return frame;
}

QWidget* DiskPage::buildDriveCard()
{
    CardFrame* frame = card(10);
    auto* column = static_cast<QVBoxLayout*>(frame->layout());
    auto* head = new QHBoxLayout;
    head->setSpacing(8);
    head->addWidget(new SymbolView(QStringLiteral("internaldrive"), SystemColor::primary, 15), 0, Qt::AlignVCenter);
    head->addWidget(new PlainLabel(QStringLiteral("Macintosh HD"), Fonts::style(TextStyle::headline), SystemColor::primary));
    head->addStretch(1);
    head->addWidget(new PlainLabel(QStringLiteral("SSD"), Fonts::style(TextStyle::body), SystemColor::secondary));
    column->addLayout(head);
    m_usageBar = new UsageBar;
    column->addWidget(m_usageBar);
    auto* caption = new QHBoxLayout;
    m_used = new PlainLabel(QString(), Fonts::style(TextStyle::caption), SystemColor::secondary);
    m_usedOfTotal = new PlainLabel(QString(), Fonts::style(TextStyle::caption), SystemColor::secondary);
    caption->addWidget(m_used);
    caption->addStretch(1);
    caption->addWidget(m_usedOfTotal);
    column->addLayout(caption);
    column->addSpacing(8);
    column->addWidget(new Divider);
    column->addSpacing(8);
    column->addWidget(
        new PlainLabel(QStringLiteral("SSD Wear Level (TBW)"), Fonts::style(TextStyle::headline), SystemColor::primary));
    auto* wear = new QHBoxLayout;
    m_written = new PlainLabel(QString(), Fonts::style(TextStyle::title3), SystemColor::orange);
    wear->addWidget(m_written);
    wear->addStretch(1);
    wear->addWidget(new PlainLabel(QStringLiteral("Est. Life: 99%"), Fonts::style(TextStyle::body), SystemColor::green));
    column->addLayout(wear);
    column->addWidget(new PlainLabel(QStringLiteral("Minimal swap wear detected. System health is optimal."),
                                     Fonts::style(TextStyle::caption), SystemColor::secondary));
    m_driveCard = frame;
    return frame;
}

QList<CacheRow*> DiskPage::cacheRows(QWidget* sectionCard) const
{
    if (sectionCard == m_developerCard)
        return m_developerRows;
    if (sectionCard == m_creativeCard)
        return m_creativeRows;
    if (sectionCard == m_gamerCard)
        return m_gamerRows;
    return {};
}

void DiskPage::refreshSections()
{
    if (m_buildCache) {
        const BuildCacheService& c = *m_buildCache;
        const qint64 developer[] = {c.derivedDataSize(), c.spmCacheSize(), c.npmCacheSize(), c.cargoCacheSize(),
                                    c.goCacheSize()};
        for (int i = 0; i < m_developerRows.size(); ++i)
            m_developerRows[i]->setSize(developer[i]);
        const qint64 creative[] = {c.finalCutCacheSize(), c.davinciCacheSize(), c.adobeCacheSize()};
        for (int i = 0; i < m_creativeRows.size(); ++i)
            m_creativeRows[i]->setSize(creative[i]);
        m_gamerRows[0]->setSize(c.ollamaCacheSizeGB() > 0 ? kSteamBytes : 0);
        m_gamerRows[1]->setSize(c.huggingfaceCacheSizeGB() > 0 ? kShaderBytes : 0);
    }
    const double used = m_deps.stats->diskUsed();
    const double total = m_deps.stats->diskTotal();
    static_cast<UsageBar*>(m_usageBar)->setUsage(used, total);
    m_used->setText(usedPercentText(used, total));
    m_usedOfTotal->setText(usedOfTotalText(used, total));
    m_written->setText(writtenText(used));
}

QString DiskPage::usedPercentText(double diskUsed, double diskTotal)
{
    const double share = diskTotal > 0 ? diskUsed / diskTotal * 100 : 0.0;
    return QString::number(kestrova::safeTrunc(share)) + QStringLiteral("% Used");
}

QString DiskPage::usedOfTotalText(double diskUsed, double diskTotal)
{
    return kestrova::format("%.1f GB / %.1f GB", diskUsed, diskTotal);
}

QString DiskPage::writtenText(double diskUsed) { return kestrova::format("%.1f TB Written", diskUsed * 0.4); }

double DiskPage::usageFillWidth(double trackWidth, double diskUsed, double diskTotal)
{
    if (!(diskTotal > 0) || !(trackWidth > 0) || !std::isfinite(diskUsed))
        return 0;
    return std::clamp(trackWidth * (diskUsed / diskTotal), 0.0, trackWidth);
}
