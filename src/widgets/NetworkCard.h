#pragma once

#include "widgets/CardFrame.h"

class FitLabel;
class PlainLabel;
class SymbolView;

// A tile with a tinted symbol beside a small title over a value. The value
// shrinks to stay inside the tile.
class NetworkCard : public CardFrame {
    Q_OBJECT

public:
    NetworkCard(const QString& title, const QString& value, const QString& icon, const UiColor& color,
                QWidget* parent = nullptr);

    QString title() const;
    QString value() const;
    void setValue(const QString& value);
    FitLabel* valueLabel() const { return m_value; }

private:
    SymbolView* m_icon;
    PlainLabel* m_title;
    FitLabel* m_value;
};
