#pragma once

#include "widgets/CardFrame.h"

// A faint card that stands in for an empty list: a large dimmed symbol above
// one line of secondary text, both centred.
class EmptyStateCard : public CardFrame {
    Q_OBJECT

public:
    EmptyStateCard(const QString& symbolName, const QString& text, QWidget* parent = nullptr);
};
