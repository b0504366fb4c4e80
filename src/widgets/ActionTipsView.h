#pragma once

#include "widgets/CardFrame.h"

#include <QList>
#include <QStringList>

class PlainLabel;

// The tips panel that closes most dashboard pages: a lightbulb header and
// one bulleted line per tip. Long tips wrap and grow the panel downwards;
// nothing is ever cut off.
class ActionTipsView : public CardFrame {
    Q_OBJECT

public:
    ActionTipsView(const QString& title, const QStringList& tips, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    const QStringList& tips() const { return m_tips; }
    const QList<PlainLabel*>& tipLabels() const { return m_tipLabels; }

private:
    QString m_title;
    QStringList m_tips;
    QList<PlainLabel*> m_tipLabels;
};
