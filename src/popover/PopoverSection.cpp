#include "popover/PopoverSection.h"

#include <QVBoxLayout>
#include <QWidget>

QWidget* popoverSection(QLayout* content, int horizontal, int top)
{
    auto* section = new QWidget;
    auto* box = new QVBoxLayout(section);
    box->setContentsMargins(horizontal, top, horizontal, 0);
    box->setSpacing(0);
    box->addLayout(content);
    return section;
}
