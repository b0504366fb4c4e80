#include "widgets/KeyedRowList.h"

#include <QSet>
#include <QVBoxLayout>

namespace {

// The identity of the n-th occurrence of a key; the first keeps the key.
QString identity(const QString& key, int occurrence)
{
    return occurrence == 0 ? key : key + QChar(0x1f) + QString::number(occurrence);
}

} // namespace

KeyedRowList::KeyedRowList(QWidget* parent) : QWidget(parent), m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
}

void KeyedRowList::setSpacing(int spacing) { m_layout->setSpacing(spacing); }

void KeyedRowList::setRows(const QStringList& keys, const std::function<QWidget*(int index)>& create,
                           const std::function<void(QWidget* row, int index)>& update)
{
    QStringList order;
    order.reserve(keys.size());
    QHash<QString, int> seen;
    for (const QString& key : keys)
        order << identity(key, seen[key]++);

    // Drop rows whose identity is gone. deleteLater, not delete: the refresh
    // may run inside a signal of the very row being removed.
    const QSet<QString> wanted(order.cbegin(), order.cend());
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (wanted.contains(it.key())) {
            ++it;
            continue;
        }
        QWidget* gone = it.value();
        m_layout->removeWidget(gone);
        gone->hide();
        gone->deleteLater();
        it = m_rows.erase(it);
    }

    for (int i = 0; i < order.size(); ++i) {
        QWidget* row = m_rows.value(order[i]);
        if (row) {
            update(row, i);
        } else {
            row = create(i);
            m_rows.insert(order[i], row);
        }
        // Move only what is out of place, so a steady list costs no relayout.
        if (m_layout->indexOf(row) != i) {
            m_layout->removeWidget(row);
            m_layout->insertWidget(i, row);
        }
        if (row->isHidden() && isVisible())
            row->show();
    }
    m_order = order;
    emit rowsChanged();
}

QWidget* KeyedRowList::row(const QString& key) const { return m_rows.value(key); }

QList<QWidget*> KeyedRowList::rows() const
{
    QList<QWidget*> result;
    result.reserve(m_order.size());
    for (const QString& id : m_order)
        result << m_rows.value(id);
    return result;
}

QStringList KeyedRowList::keys() const
{
    QStringList result;
    result.reserve(m_order.size());
    for (const QString& id : m_order)
        result << id.section(QChar(0x1f), 0, 0);
    return result;
}
