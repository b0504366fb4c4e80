#include "popover/RateCard.h"

#include "widgets/ColorDot.h"
#include "widgets/FitLabel.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"

#include <QHBoxLayout>
#include <QLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Two items at the two ends of a row. Each gets the width it asks for while
// both fit; beyond that neither gets more than the row leaves it once the
// other has its own width or half the row, so the two never meet.
class PairLayout final : public QLayout {
public:
    PairLayout() { setSpacing(16); }
    ~PairLayout() override { qDeleteAll(m_items); }

    void addItem(QLayoutItem* item) override { m_items.append(item); }
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override
    {
        return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
    }
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    QSize sizeHint() const override { return total(&QLayoutItem::sizeHint); }
    QSize minimumSize() const override { return total(&QLayoutItem::minimumSize); }

    void setGeometry(const QRect& rect) override
    {
        QLayout::setGeometry(rect);
        if (m_items.size() != 2)
            return;
        const QRect area = rect.marginsRemoved(contentsMargins());
        const int room = area.width() - spacing();
        const int hints[2] = {m_items[0]->sizeHint().width(), m_items[1]->sizeHint().width()};
        for (int i = 0; i < 2; ++i) {
            const int cap = std::max(room / 2, room - hints[1 - i]);
            const int width = std::max(0, std::min(hints[i], cap));
            const int height = std::min(area.height(), m_items[i]->sizeHint().height());
            const int x = i == 0 ? area.left() : area.right() + 1 - width;
            m_items[i]->setGeometry(QRect(x, area.top() + (area.height() - height) / 2, width, height));
        }
    }

private:
    QSize total(QSize (QLayoutItem::*size)() const) const
    {
        QSize sum(spacing(), 0);
        for (const QLayoutItem* item : m_items) {
            const QSize one = (item->*size)();
            sum = QSize(sum.width() + one.width(), std::max(sum.height(), one.height()));
        }
        const QMargins m = contentsMargins();
        return sum.grownBy(m);
    }

    QList<QLayoutItem*> m_items;
};

} // namespace

RateCard::RateCard(const UiColor& color, const QString& label, QWidget* parent)
    : QWidget(parent),
      m_value(new FitLabel(QString(), Fonts::system(20, QFont::DemiBold, FontDesign::rounded), SystemColor::primary, 12)),
      m_dot(new ColorDot(color, 6)),
      m_label(new PlainLabel(label, Fonts::system(10, QFont::Medium), SystemColor::primary))
{
    m_value->setObjectName(QStringLiteral("rate"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(m_value, 0, Qt::AlignHCenter);
    auto* caption = new QHBoxLayout;
    caption->setSpacing(4);
    caption->addWidget(m_dot, 0, Qt::AlignVCenter);
    caption->addWidget(m_label, 0, Qt::AlignVCenter);
    column->addLayout(caption);
    column->setAlignment(caption, Qt::AlignHCenter);
}

QLayout* RateCard::pair(RateCard* leading, RateCard* trailing)
{
    auto* row = new PairLayout;
    row->addWidget(leading);
    row->addWidget(trailing);
    return row;
}

void RateCard::setValue(const QString& value) { m_value->setText(value); }

QString RateCard::value() const { return m_value->text(); }

QString RateCard::label() const { return m_label->text(); }

UiColor RateCard::color() const { return m_dot->color(); }
