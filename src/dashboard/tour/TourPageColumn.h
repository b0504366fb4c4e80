#pragma once

#include "theme/UiColor.h"

#include <QWidget>

class QBoxLayout;
class QVBoxLayout;
class PlainLabel;

// A tour page's body: its elements in a column, centred both ways, a fixed
// distance apart. The helpers add the pages' recurring pieces.
class TourPageColumn : public QWidget {
    Q_OBJECT

public:
    explicit TourPageColumn(int spacing, QWidget* parent = nullptr);

    void add(QWidget* element, int top = 0);
    void add(QBoxLayout* row);
    PlainLabel* addTitle(const QString& text);
    // Secondary text, centred and wrapped, inset at the sides.
    PlainLabel* addBody(const QString& text, qreal points, int inset);
    void addSymbol(const QString& symbol, const UiColor& tint, qreal points);

private:
    QVBoxLayout* m_column;
};
