#pragma once

#include "theme/UiColor.h"

#include <QString>

class QHBoxLayout;
class QWidget;

// The title line every popover page opens with: a symbol and a bold
// capitalised title in the page's colour.
QHBoxLayout* popoverPageTitle(const QString& symbol, const UiColor& color, const QString& title);

// Lays out a page that so far shows only its title line.
void layOutTitleOnlyPage(QWidget* page, const QString& symbol, const UiColor& color, const QString& title);
