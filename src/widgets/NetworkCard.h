#pragma once

#include "widgets/CardFrame.h"

class PlainLabel;
class SymbolView;

// A tile with a tinted symbol beside a small title over a value.
class NetworkCard : public CardFrame {
    Q_OBJECT

public:
    NetworkCard(const QString& title, const QString& value, const QString& icon, const UiColor& color,
                QWidget* parent = nullptr);

    QString title() const;
    QString value() const;
    void setValue(const QString& value);

private:
    SymbolView* m_icon;
    PlainLabel* m_title;
    PlainLabel* m_value;
};
