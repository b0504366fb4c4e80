#pragma once

#include <QList>
#include <QWidget>

class MarkupLabel;
class SymbolView;
class ThemeManager;

// The dashboard's "Help Guide" page: a header and nine numbered sections
// that explain the program's features. Fixed content; only the accent
// coloured parts follow the theme.
class AIGuideView : public QWidget {
    Q_OBJECT

public:
    struct Section {
        QString title;
        QString symbol;
        QString body;   // inline markup
    };

    // The nine sections, in page order.
    static const QList<Section>& sections();

    explicit AIGuideView(ThemeManager* themeManager, QWidget* parent = nullptr);

    // Everything drawn in the accent colour: the header symbol, the symbols
    // of sections 1, 3 and 5 to 9, then section 2's tip line.
    QList<QWidget*> accentParts() const;
    const QList<SymbolView*>& sectionSymbols() const { return m_sectionSymbols; }
    const QList<MarkupLabel*>& bodies() const { return m_bodies; }

private:
    QWidget* buildHeader();
    QWidget* buildSection(int index);
    void applyTheme();

    ThemeManager* m_themeManager;
    SymbolView* m_headerSymbol = nullptr;
    MarkupLabel* m_tip = nullptr;
    QList<SymbolView*> m_sectionSymbols;
    QList<SymbolView*> m_accentSymbols;
    QList<MarkupLabel*> m_bodies;
};
