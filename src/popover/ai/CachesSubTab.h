#pragma once

#include <QPointer>
#include <QWidget>

class AccentPillButton;
class BuildCacheService;
class FitLabel;
class KeyedRowList;
class LocalAIService;
class PlainLabel;
class RefreshCoalescer;
class SymbolView;
class ThemeManager;

// The AI page's cache cleaner, three sections: the large model files of the
// local model caches (with their total), the Xcode and Swift package build
// caches as two tiles with purge buttons, and old toolchain versions of
// nvm, mise and asdf. Every button hands its row's path to the service that
// owns the list; rows change only when the service changes its lists.
class CachesSubTab : public QWidget {
    Q_OBJECT

public:
    CachesSubTab(LocalAIService* localAI, BuildCacheService* buildCache, ThemeManager* themeManager,
                 QWidget* parent = nullptr);

    PlainLabel* modelTotalLabel() const { return m_modelTotal; }
    PlainLabel* modelsEmptyLabel() const { return m_modelsEmpty; }
    KeyedRowList* modelList() const { return m_models; }
    FitLabel* derivedDataLabel() const { return m_derivedData; }
    FitLabel* spmLabel() const { return m_spm; }
    AccentPillButton* purgeXcodeButton() const { return m_purgeXcode; }
    AccentPillButton* purgeSPMButton() const { return m_purgeSPM; }
    PlainLabel* sdkEmptyLabel() const { return m_sdkEmpty; }
    KeyedRowList* sdkList() const { return m_sdks; }

    void refreshNow();

private:
    QWidget* buildModelSection();
    QWidget* buildBuildCacheSection();
    QWidget* buildSDKSection();
    QWidget* buildTile(const QString& label, FitLabel*& figure, AccentPillButton*& button, const QString& title);
    void refresh();
    void refreshModels();
    void refreshSDKs();

    QPointer<LocalAIService> m_localAI;
    QPointer<BuildCacheService> m_buildCache;
    ThemeManager* m_themeManager;
    RefreshCoalescer* m_coalescer;

    PlainLabel* m_modelTotal = nullptr;
    PlainLabel* m_modelsEmpty = nullptr;
    KeyedRowList* m_models = nullptr;
    SymbolView* m_folderSymbol = nullptr;
    FitLabel* m_derivedData = nullptr;
    FitLabel* m_spm = nullptr;
    AccentPillButton* m_purgeXcode = nullptr;
    AccentPillButton* m_purgeSPM = nullptr;
    SymbolView* m_sdkSymbol = nullptr;
    PlainLabel* m_sdkEmpty = nullptr;
    KeyedRowList* m_sdks = nullptr;
};
