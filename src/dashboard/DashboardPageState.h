#pragma once

#include "core/ObservableObject.h"

#include <QString>

// What one dashboard window knows beyond the stored settings: the selected
// page title and the busy, banner and amount fields of the memory and disk
// pages. It lives as long as the window, so those pages keep their running
// actions and banners while the user looks at another page, and the tour
// moves the selection through it. A new window starts from scratch.
class DashboardPageState final : public ObservableObject {
    Q_OBJECT
    Q_PROPERTY(QString selectedSidebarItem READ selectedSidebarItem WRITE setSelectedSidebarItem
                   NOTIFY selectedSidebarItemChanged)
    Q_PROPERTY(bool isOptimizingMemory READ isOptimizingMemory WRITE setIsOptimizingMemory
                   NOTIFY isOptimizingMemoryChanged)
    Q_PROPERTY(bool showMemorySuccess READ showMemorySuccess WRITE setShowMemorySuccess NOTIFY showMemorySuccessChanged)
    Q_PROPERTY(double purgedAmount READ purgedAmount WRITE setPurgedAmount NOTIFY purgedAmountChanged)
    Q_PROPERTY(bool isScanningJunk READ isScanningJunk WRITE setIsScanningJunk NOTIFY isScanningJunkChanged)
    Q_PROPERTY(bool isCleaningJunk READ isCleaningJunk WRITE setIsCleaningJunk NOTIFY isCleaningJunkChanged)
    Q_PROPERTY(bool showJunkSuccess READ showJunkSuccess WRITE setShowJunkSuccess NOTIFY showJunkSuccessChanged)
    Q_PROPERTY(double junkFoundInGB READ junkFoundInGB WRITE setJunkFoundInGB NOTIFY junkFoundInGBChanged)
    Q_PROPERTY(bool isScanningHF READ isScanningHF WRITE setIsScanningHF NOTIFY isScanningHFChanged)
    Q_PROPERTY(bool isPurgingHF READ isPurgingHF WRITE setIsPurgingHF NOTIFY isPurgingHFChanged)
    Q_PROPERTY(bool showHFSuccess READ showHFSuccess WRITE setShowHFSuccess NOTIFY showHFSuccessChanged)
    Q_PROPERTY(bool showHFFailure READ showHFFailure WRITE setShowHFFailure NOTIFY showHFFailureChanged)

public:
    explicit DashboardPageState(QString selectedSidebarItem, QObject* parent = nullptr)
        : ObservableObject(parent), m_selectedSidebarItem(std::move(selectedSidebarItem))
    {
    }

    // The page title shown; any string, also one that no sidebar item has.
    const QString& selectedSidebarItem() const { return m_selectedSidebarItem; }
    void setSelectedSidebarItem(QString value)
    {
        assign(m_selectedSidebarItem, std::move(value), &DashboardPageState::selectedSidebarItemChanged);
    }

    // While on, the window keeps each page it leaves and shows it again
    // rather than building it anew (the tour walking the sidebar).
    bool keepsBuiltPages() const { return m_keepsBuiltPages; }
    void setKeepsBuiltPages(bool value) { assign(m_keepsBuiltPages, value, &DashboardPageState::keepsBuiltPagesChanged); }

    // Memory page
    bool isOptimizingMemory() const { return m_isOptimizingMemory; }
    void setIsOptimizingMemory(bool value)
    {
        assign(m_isOptimizingMemory, value, &DashboardPageState::isOptimizingMemoryChanged);
    }
    bool showMemorySuccess() const { return m_showMemorySuccess; }
    void setShowMemorySuccess(bool value) { assign(m_showMemorySuccess, value, &DashboardPageState::showMemorySuccessChanged); }
    double purgedAmount() const { return m_purgedAmount; }
    void setPurgedAmount(double value) { assign(m_purgedAmount, value, &DashboardPageState::purgedAmountChanged); }

    // Disk page
    bool isScanningJunk() const { return m_isScanningJunk; }
    void setIsScanningJunk(bool value) { assign(m_isScanningJunk, value, &DashboardPageState::isScanningJunkChanged); }
    bool isCleaningJunk() const { return m_isCleaningJunk; }
    void setIsCleaningJunk(bool value) { assign(m_isCleaningJunk, value, &DashboardPageState::isCleaningJunkChanged); }
    bool showJunkSuccess() const { return m_showJunkSuccess; }
    void setShowJunkSuccess(bool value) { assign(m_showJunkSuccess, value, &DashboardPageState::showJunkSuccessChanged); }
    double junkFoundInGB() const { return m_junkFoundInGB; }
    void setJunkFoundInGB(double value) { assign(m_junkFoundInGB, value, &DashboardPageState::junkFoundInGBChanged); }
    bool isScanningHF() const { return m_isScanningHF; }
    void setIsScanningHF(bool value) { assign(m_isScanningHF, value, &DashboardPageState::isScanningHFChanged); }
    bool isPurgingHF() const { return m_isPurgingHF; }
    void setIsPurgingHF(bool value) { assign(m_isPurgingHF, value, &DashboardPageState::isPurgingHFChanged); }
    bool showHFSuccess() const { return m_showHFSuccess; }
    void setShowHFSuccess(bool value) { assign(m_showHFSuccess, value, &DashboardPageState::showHFSuccessChanged); }
    // The last Hugging Face purge left files behind; cleared when the next
    // scan or purge starts.
    bool showHFFailure() const { return m_showHFFailure; }
    void setShowHFFailure(bool value) { assign(m_showHFFailure, value, &DashboardPageState::showHFFailureChanged); }

signals:
    void selectedSidebarItemChanged();
    void keepsBuiltPagesChanged();
    void isOptimizingMemoryChanged();
    void showMemorySuccessChanged();
    void purgedAmountChanged();
    void isScanningJunkChanged();
    void isCleaningJunkChanged();
    void showJunkSuccessChanged();
    void junkFoundInGBChanged();
    void isScanningHFChanged();
    void isPurgingHFChanged();
    void showHFSuccessChanged();
    void showHFFailureChanged();

private:
    QString m_selectedSidebarItem;
    bool m_keepsBuiltPages = false;
    bool m_isOptimizingMemory = false;
    bool m_showMemorySuccess = false;
    double m_purgedAmount = 0;
    bool m_isScanningJunk = false;
    bool m_isCleaningJunk = false;
    bool m_showJunkSuccess = false;
    double m_junkFoundInGB = 0;
    bool m_isScanningHF = false;
    bool m_isPurgingHF = false;
    bool m_showHFSuccess = false;
    bool m_showHFFailure = false;
};
