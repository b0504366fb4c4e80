#pragma once

#include "theme/UiColor.h"

#include <QString>
#include <QWidget>

#include <functional>

class AccentPillButton;
class CardFrame;
class PlainLabel;
class QAbstractButton;
class SymbolView;

// One warning of the co-pilot's audit panel: a tinted symbol tile, a title,
// a description and a one-click remedy button in the card's colour.
class CoPilotAlertCard : public QWidget {
    Q_OBJECT

public:
    // What a card says; the audit works these out from the services.
    struct Content {
        QString icon;
        QString title;
        QString description;
        QString buttonTitle;
        UiColor buttonColor;

        bool operator==(const Content&) const = default;
    };

    CoPilotAlertCard(const QString& icon, const QString& title, const QString& description,
                     const QString& buttonTitle, const UiColor& buttonColor, std::function<void()> action,
                     QWidget* parent = nullptr);
    CoPilotAlertCard(const Content& content, std::function<void()> action, QWidget* parent = nullptr);

    const Content& content() const { return m_content; }
    // Shows other words and colours in the same card (no-op when equal).
    void setContent(const Content& content);

    QAbstractButton* button() const;

private:
    Content m_content;
    std::function<void()> m_action;
    CardFrame* m_tile;
    SymbolView* m_icon;
    PlainLabel* m_title;
    PlainLabel* m_description;
    AccentPillButton* m_button;
};
