#pragma once

#include "widgets/CardFrame.h"

#include <QList>

class InfoRow;
class QVBoxLayout;
class SymbolView;
class ThemeManager;

// A titled block of the system-info page: a symbol in the theme's accent
// colour, the title, a rule and its rows.
class InfoBlock : public CardFrame {
    Q_OBJECT

public:
    InfoBlock(const QString& title, const QString& icon, ThemeManager* themeManager, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    // Adds a row (empty value until set) and returns it.
    InfoRow* addRow(const QString& label);
    const QList<InfoRow*>& rows() const { return m_rows; }
    SymbolView* icon() const { return m_icon; }

private:
    void applyTheme();

    QString m_title;
    ThemeManager* m_themeManager;
    SymbolView* m_icon;
    QVBoxLayout* m_column;
    QList<InfoRow*> m_rows;
};
