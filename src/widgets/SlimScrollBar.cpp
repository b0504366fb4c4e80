#include "widgets/SlimScrollBar.h"

#include <QScrollBar>

void SlimScrollBar::apply(QScrollBar* bar)
{
    bar->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { background: transparent; width: 10px; margin: 0 0 0 4px; }"
        "QScrollBar::handle:vertical { background: rgba(128, 128, 128, 140); border-radius: 3px; min-height: 24px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }"));
}
