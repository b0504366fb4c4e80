#include "widgets/Divider.h"

#include "theme/UiColor.h"

#include <QPainter>

Divider::Divider(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(1);
}

void Divider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), UiColor(SystemColor::separator).resolve(this));
}
