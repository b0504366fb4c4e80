#pragma once

#include "theme/AppTheme.h"

#include <QWidget>

class CardFrame;
class PlainLabel;
class SymbolView;

// One line of the co-pilot chat: the user's bubble on the right in the
// accent colour, or the co-pilot's on the left after a sparkles symbol. The
// text is shown exactly as written; nothing in it is read as markup.
class CoPilotMessageRow : public QWidget {
    Q_OBJECT

public:
    static inline const QString kUserRole = QStringLiteral("user");
    static inline const QString kCoPilotRole = QStringLiteral("ai");

    CoPilotMessageRow(const QString& role, const QString& text, const AppTheme& theme, QWidget* parent = nullptr);

    // Only the exact role "user" is the user's; any other is the co-pilot's.
    bool isUser() const { return m_isUser; }
    QString text() const;
    PlainLabel* label() const { return m_label; }

    // Bubbles and the sparkles take the theme's accent colour.
    void setTheme(const AppTheme& theme);

private:
    bool m_isUser;
    CardFrame* m_bubble;
    PlainLabel* m_label;
    SymbolView* m_sparkles = nullptr;
};
