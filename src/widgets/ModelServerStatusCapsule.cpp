#include "widgets/ModelServerStatusCapsule.h"

#include "widgets/ColorDot.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"

#include <QHBoxLayout>

ModelServerStatusCapsule::ModelServerStatusCapsule(OllamaStatus status, QWidget* parent)
    : CardFrame(UiColor(SystemColor::white).opacity(0.05), 10, parent), m_status(status),
      m_dot(new ColorDot(colorFor(status), 6)),
      m_word(new PlainLabel(status.rawValue(), Fonts::system(9, QFont::DemiBold), SystemColor::secondary))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 3, 8, 3);
    row->setSpacing(4);
    row->addWidget(m_dot, 0, Qt::AlignVCenter);
    row->addWidget(m_word, 0, Qt::AlignVCenter);
}

UiColor ModelServerStatusCapsule::colorFor(OllamaStatus status)
{
    switch (status) {
    case OllamaStatus::offline: return SystemColor::red;
    case OllamaStatus::idle: return SystemColor::orange;
    case OllamaStatus::active: return SystemColor::green;
    }
    return SystemColor::red;
}

void ModelServerStatusCapsule::setStatus(OllamaStatus status)
{
    m_status = status;
    m_dot->setColor(colorFor(status));
    m_word->setText(status.rawValue());
}

QString ModelServerStatusCapsule::word() const { return m_word->text(); }

UiColor ModelServerStatusCapsule::dotColor() const { return m_dot->color(); }
