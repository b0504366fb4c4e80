#pragma once

#include "widgets/CardFrame.h"

class FitLabel;
class PlainLabel;

// A tile with a small title over a value in the caller's colour. The value
// shrinks to stay inside the tile.
class MemoryCard : public CardFrame {
    Q_OBJECT

public:
    MemoryCard(const QString& title, const QString& value, const UiColor& color, QWidget* parent = nullptr);

    QString title() const;
    QString value() const;
    UiColor color() const;
    void setValue(const QString& value);
    void setColor(const UiColor& color);

private:
    PlainLabel* m_title;
    FitLabel* m_value;
};
