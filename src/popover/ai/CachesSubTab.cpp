#include "popover/ai/CachesSubTab.h"

#include "core/Format.h"
#include "localai/BuildCacheService.h"
#include "localai/LocalAIExamples.h"
#include "localai/LocalAIService.h"
#include "theme/ThemeManager.h"
#include "widgets/AccentPillButton.h"
#include "widgets/Badge.h"
#include "widgets/CardFrame.h"
#include "widgets/DestructiveIconButton.h"
#include "widgets/ElidedLabel.h"
#include "widgets/FitLabel.h"
#include "widgets/Fonts.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/ShownRefreshCoalescer.h"
#include "widgets/ServiceAction.h"
#include "widgets/SymbolView.h"

#include <QDir>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <functional>
#include <numeric>

namespace {

double gigabytes(qint64 bytes) { return double(bytes) / 1024 / 1024 / 1024; }

PlainLabel* caption(const QString& text)
{
    return new PlainLabel(text, Fonts::system(9, QFont::Bold), SystemColor::secondary);
}

// One row of a cleaner list in its faint box: a title with a badge over a
// path, the size and a trash button (shown only while it can act).
class CleanupRow final : public CardFrame {
public:
    struct Look {
        qreal badgeRadius;
        int lineSpacing;
        QFont sizeFont;
        UiColor sizeColor;
        QString trashSymbol;
        int trashSide;
    };

    explicit CleanupRow(const Look& look)
        : CardFrame(UiColor(SystemColor::contrast).opacity(0.02), 8), m_title(new ElidedLabel),
          m_badge(new Badge(QString(), SystemColor::blue, SystemColor::clear)), m_path(new ElidedLabel),
          m_size(new PlainLabel(QString(), look.sizeFont, look.sizeColor)),
          m_trash(new DestructiveIconButton(look.trashSymbol, QString()))
    {
        m_title->setObjectName(QStringLiteral("title"));
        m_title->setFont(Fonts::system(11, QFont::DemiBold));
        m_badge->setObjectName(QStringLiteral("badge"));
        m_badge->setFont(Fonts::system(7, QFont::Bold));
        m_badge->setPadding(4, 1);
        m_badge->setCornerRadius(look.badgeRadius);
        m_path->setObjectName(QStringLiteral("path"));
        m_path->setFont(Fonts::monospaced(8));
        m_path->setTextColor(SystemColor::secondary);
        m_path->setElideMode(Qt::ElideMiddle);
        m_size->setObjectName(QStringLiteral("size"));
        m_trash->setObjectName(QStringLiteral("trashButton"));
        m_trash->setMetrics(look.trashSide, 10, 6);

        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(8, 8, 8, 8);
        row->setSpacing(0);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(look.lineSpacing);
        auto* first = new QHBoxLayout;
        first->setSpacing(6);
        first->addWidget(m_title);
        first->addWidget(m_badge, 0, Qt::AlignVCenter);
        first->addStretch(1);
        texts->addLayout(first);
        texts->addWidget(m_path);
        row->addLayout(texts, 1);
        row->addSpacing(8);
        row->addWidget(m_size, 0, Qt::AlignVCenter);
        row->addSpacing(6);
        row->addWidget(m_trash, 0, Qt::AlignVCenter);
        connect(m_trash, &QAbstractButton::clicked, this, [this] {
            if (m_onTrash)
                m_onTrash();
        });
    }

    void set(const QString& title, const QString& badge, const UiColor& badgeColor, const QString& path,
             const QString& size, std::function<void()> onTrash)
    {
        m_title->setText(title);
        m_badge->setText(badge);
        m_badge->setColors(badgeColor, badgeColor.opacity(0.2));
        m_path->setText(path);
        m_size->setText(size);
        m_onTrash = std::move(onTrash);
        m_trash->setVisible(bool(m_onTrash));
    }

private:
    ElidedLabel* m_title;
    Badge* m_badge;
    ElidedLabel* m_path;
    PlainLabel* m_size;
    DestructiveIconButton* m_trash;
    std::function<void()> m_onTrash;
};

const CleanupRow::Look& modelLook()
{
    static const CleanupRow::Look look{3, 2, Fonts::monospaced(10, QFont::DemiBold), SystemColor::primary,
                                       QStringLiteral("trash.fill"), 22};
    return look;
}

const CleanupRow::Look& sdkLook()
{
    static const CleanupRow::Look look{4, 1, Fonts::monospaced(10), SystemColor::secondary, QStringLiteral("trash"),
                                       24};
    return look;
}

} // namespace

CachesSubTab::CachesSubTab(LocalAIService* localAI, BuildCacheService* buildCache, ThemeManager* themeManager,
                           QWidget* parent)
    : QWidget(parent), m_localAI(localAI), m_buildCache(buildCache), m_themeManager(themeManager),
      m_coalescer(new ShownRefreshCoalescer(this, [this] { refresh(); }))
{
    Q_ASSERT(m_localAI && m_buildCache && m_themeManager);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 0, 10, 0);
    column->setSpacing(14);
    column->addWidget(buildModelSection());
    column->addWidget(buildBuildCacheSection());
    column->addWidget(buildSDKSection());

    for (auto signal : {&LocalAIService::cachedModelFilesChanged, &LocalAIService::demoModeChanged})
        m_coalescer->watch(localAI, signal);
    for (auto signal : {&BuildCacheService::derivedDataSizeChanged, &BuildCacheService::spmCacheSizeChanged,
                        &BuildCacheService::foundSDKVersionsChanged})
        m_coalescer->watch(buildCache, signal);
    m_coalescer->watch(themeManager, &ThemeManager::currentThemeChanged);
    refresh();
}

QWidget* CachesSubTab::buildModelSection()
{
    auto* section = new QWidget;
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* header = new QHBoxLayout;
    header->addWidget(caption(QStringLiteral("LOCAL MODEL CACHE CLEANER")));
    header->addStretch(1);
    m_modelTotal = new PlainLabel(QString(), Fonts::system(8, QFont::Bold), SystemColor::blue);
    m_modelTotal->setObjectName(QStringLiteral("modelTotal"));
    header->addWidget(m_modelTotal);
    column->addLayout(header);

    m_modelsEmpty = new PlainLabel(QStringLiteral("Model cache is completely clean"), Fonts::system(10),
                                   SystemColor::secondary);
    m_modelsEmpty->setAlignment(Qt::AlignCenter);
    m_modelsEmpty->setContentsMargins(0, 12, 0, 12);
    column->addWidget(m_modelsEmpty);
    m_models = new KeyedRowList;
    m_models->setSpacing(6);
    column->addWidget(m_models);
    return section;
}

QWidget* CachesSubTab::buildTile(const QString& label, FitLabel*& figure, AccentPillButton*& button,
                                 const QString& title)
{
    auto* tile = new CardFrame(UiColor(SystemColor::contrast).opacity(0.02), 8);
    auto* column = new QVBoxLayout(tile);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(4);
    column->addWidget(new PlainLabel(label, Fonts::system(10, QFont::Medium), SystemColor::primary));
    figure = new FitLabel(QString(), Fonts::system(14, QFont::Bold, FontDesign::rounded), SystemColor::primary, 9);
    figure->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    column->addWidget(figure);
    button = new AccentPillButton(QString(), title, SystemColor::blue);
    button->setFont(Fonts::system(9, QFont::Bold));
    button->setPadding(8, 4);
    button->setCornerRadius(6);
    column->addWidget(button, 0, Qt::AlignLeft);
    return tile;
}

QWidget* CachesSubTab::buildBuildCacheSection()
{
    auto* section = new QWidget;
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    m_folderSymbol = new SymbolView(QStringLiteral("folder.fill"), SystemColor::blue, 12);
    header->addWidget(m_folderSymbol, 0, Qt::AlignVCenter);
    header->addWidget(caption(QStringLiteral("BUILD CACHE CLEANER")), 0, Qt::AlignVCenter);
    header->addStretch(1);
    column->addLayout(header);

    auto* tiles = new QHBoxLayout;
    tiles->setSpacing(12);
    tiles->addWidget(buildTile(QStringLiteral("Xcode DerivedData"), m_derivedData, m_purgeXcode,
                               QStringLiteral("Purge Xcode")),
                     1);
    tiles->addWidget(buildTile(QStringLiteral("Swift Packages"), m_spm, m_purgeSPM, QStringLiteral("Purge SPM")), 1);
    column->addLayout(tiles);
    connect(m_purgeXcode, &QAbstractButton::clicked, this,
            [this] { startServiceAction(m_buildCache, [](BuildCacheService& s) { return s.purgeDerivedData(); }); });
    connect(m_purgeSPM, &QAbstractButton::clicked, this,
            [this] { startServiceAction(m_buildCache, [](BuildCacheService& s) { return s.purgeSPMCache(); }); });
    return section;
}

QWidget* CachesSubTab::buildSDKSection()
{
    auto* section = new QWidget;
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    m_sdkSymbol = new SymbolView(QStringLiteral("shippingbox.circle.fill"), SystemColor::blue, 12);
    header->addWidget(m_sdkSymbol, 0, Qt::AlignVCenter);
    header->addWidget(caption(QStringLiteral("REDUNDANT SDK RUNTIME AUDITOR")), 0, Qt::AlignVCenter);
    header->addStretch(1);
    column->addLayout(header);

    m_sdkEmpty = new PlainLabel(QStringLiteral("No redundant developer toolchains found"), Fonts::system(9),
                                SystemColor::secondary);
    m_sdkEmpty->setAlignment(Qt::AlignCenter);
    m_sdkEmpty->setContentsMargins(0, 8, 0, 8);
    column->addWidget(m_sdkEmpty);
    m_sdks = new KeyedRowList;
    m_sdks->setSpacing(6);
    column->addWidget(m_sdks);
    return section;
}

void CachesSubTab::refreshNow() { m_coalescer->flush(); }

void CachesSubTab::refresh()
{
    if (!m_localAI || !m_buildCache)
        return;
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    m_folderSymbol->setTint(accent);
    m_sdkSymbol->setTint(accent);
    m_derivedData->setText(kestrova::format("%.2f GB", gigabytes(m_buildCache->derivedDataSize())));
    m_spm->setText(kestrova::format("%.2f GB", gigabytes(m_buildCache->spmCacheSize())));
    m_purgeXcode->setColor(accent);
    m_purgeSPM->setColor(accent);
    refreshModels();
    refreshSDKs();
}

void CachesSubTab::refreshModels()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    const QList<ModelCacheFile>& files = m_localAI->cachedModelFiles();
    const qint64 total = std::accumulate(files.begin(), files.end(), qint64(0),
                                         [](qint64 sum, const ModelCacheFile& f) { return sum + f.size; });
    m_modelTotal->setText(kestrova::format("%.1f GB Total", gigabytes(total)));
    m_modelTotal->setTextColor(accent);
    m_modelsEmpty->setVisible(files.isEmpty());
    m_models->setVisible(!files.isEmpty());

    const bool demo = m_localAI->demoMode();
    const auto apply = [&](CleanupRow* row, const ModelCacheFile& f) {
        std::function<void()> trash;
        // Example rows left from demo mode can no longer be purged.
        if (demo || !LocalAIExamples::isExample(f))
            trash = [service = m_localAI, path = f.path] {
                startServiceAction(service, [path](LocalAIService& s) { return s.purgeModelCacheFile(path); });
            };
        const UiColor badge = f.type == QLatin1String("Ollama") ? UiColor(SystemColor::blue) : accent;
        row->set(f.name, f.type, badge, f.path, kestrova::format("%.2f GB", gigabytes(f.size)), std::move(trash));
    };
    m_models->setItems<CleanupRow>(
        files, [](const ModelCacheFile& f) { return f.path; },
        [&](const ModelCacheFile& f) {
            auto* row = new CleanupRow(modelLook());
            apply(row, f);
            return row;
        },
        apply);
}

void CachesSubTab::refreshSDKs()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    const QList<SDKVersionInfo>& versions = m_buildCache->foundSDKVersions();
    m_sdkEmpty->setVisible(versions.isEmpty());
    m_sdks->setVisible(!versions.isEmpty());

    const bool demo = m_localAI->demoMode();
    const auto apply = [&](CleanupRow* row, const SDKVersionInfo& v) {
        std::function<void()> trash;
        // The example rows carry "~/" paths; a scan only ever lists absolute
        // ones, so outside demo mode such a row cannot be purged.
        if (demo || QDir::isAbsolutePath(v.path))
            trash = [service = m_buildCache, path = v.path] {
                startServiceAction(service, [path](BuildCacheService& s) { return s.purgeSDKVersion(path); });
            };
        const UiColor badge = v.manager == QLatin1String("mise")  ? accent
                              : v.manager == QLatin1String("nvm") ? UiColor(SystemColor::blue)
                                                                  : UiColor(SystemColor::green);
        row->set(v.name + QLatin1Char(' ') + v.version, v.manager, badge, v.path,
                 kestrova::format("%.1f MB", v.sizeInMB()), std::move(trash));
    };
    m_sdks->setItems<CleanupRow>(
        versions, [](const SDKVersionInfo& v) { return v.id(); },
        [&](const SDKVersionInfo& v) {
            auto* row = new CleanupRow(sdkLook());
            apply(row, v);
            return row;
        },
        apply);
}
