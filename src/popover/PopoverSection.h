#pragma once

class QLayout;
class QWidget;

// A section of a popover page: `content` inset `horizontal` from the left
// and right and `top` from the top.
QWidget* popoverSection(QLayout* content, int horizontal = 10, int top = 0);
