#include "widgets/CheckboxToggle.h"

#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

PlainLabel* textLabel(const QString& text)
{
    auto* label = new PlainLabel(text);
    label->setWordWrap(true);
    return label;
}

} // namespace

CheckboxToggle::CheckboxToggle(const QString& text, const UiColor& tint, QWidget* parent)
    : CheckboxToggle(textLabel(text), tint, parent)
{
}

CheckboxToggle::CheckboxToggle(QWidget* label, const UiColor& tint, QWidget* parent)
    : QAbstractButton(parent), m_tint(tint), m_box(new SymbolView(QString(), tint, 12)), m_label(label)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);

    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(8);
    auto* boxColumn = new QVBoxLayout;
    boxColumn->setContentsMargins(0, 2, 0, 0);
    boxColumn->addWidget(m_box);
    boxColumn->addStretch();
    m_layout->addLayout(boxColumn);
    m_layout->addWidget(m_label, 1);
    // The label's children must let clicks through to the toggle.
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_box->setAttribute(Qt::WA_TransparentForMouseEvents);

    connect(this, &QAbstractButton::toggled, this, &CheckboxToggle::refreshBox);
    refreshBox();
}

QString CheckboxToggle::boxSymbol() const { return m_box->symbol(); }

void CheckboxToggle::setTint(const UiColor& tint)
{
    m_tint = tint;
    refreshBox();
}

void CheckboxToggle::refreshBox()
{
    const bool on = isChecked();
    m_box->setSymbol(on ? QStringLiteral("checkmark.square.fill") : QStringLiteral("square"));
    m_box->setTint(on ? m_tint : UiColor(SystemColor::secondary));
}

QSize CheckboxToggle::sizeHint() const { return m_layout->sizeHint(); }

QSize CheckboxToggle::minimumSizeHint() const { return m_layout->minimumSize(); }

void CheckboxToggle::paintEvent(QPaintEvent*) {}
