#include "widgets/KeyedRowList.h"

#include "core/Format.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"

#include <QSet>
#include <QVBoxLayout>

namespace {

// The identity of the n-th occurrence of a key; the first keeps the key.
QString identity(const QString& key, int occurrence)
{
    return occurrence == 0 ? key : key + QChar(0x1f) + QString::number(occurrence);
}

} // namespace

KeyedRowList::KeyedRowList(QWidget* parent)
    : QWidget(parent), m_layout(new QVBoxLayout(this)),
      m_more(new PlainLabel(QString(), Fonts::system(10), SystemColor::secondary))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_more->setObjectName(QStringLiteral("moreRows"));
    m_more->hide();
    m_layout->addWidget(m_more);
}

void KeyedRowList::setSpacing(int spacing) { m_layout->setSpacing(spacing); }

void KeyedRowList::setRowLimit(int limit) { m_rowLimit = std::max(limit, 0); }

void KeyedRowList::setRows(const QStringList& keys, const std::function<QWidget*(int index)>& create,
                           const std::function<void(QWidget* row, int index)>& update, qsizetype unlisted)
{
    const int shown = int(std::min<qsizetype>(keys.size(), m_rowLimit));
    QStringList order;
    order.reserve(shown);
    QHash<QString, int> seen;
    seen.reserve(shown);
    for (int i = 0; i < shown; ++i)
        order << identity(keys[i], seen[keys[i]]++);

    // Drop rows whose identity is gone. deleteLater, not delete: the refresh
    // may run inside a signal of the very row being removed.
    const QSet<QString> wanted(order.cbegin(), order.cend());
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (wanted.contains(it.key())) {
            ++it;
            continue;
        }
        QWidget* gone = it.value();
        gone->hide();
        gone->deleteLater();
        it = m_rows.erase(it);
    }

    QList<QWidget*> placed;
    placed.reserve(shown);
    for (int i = 0; i < shown; ++i) {
        QWidget* row = m_rows.value(order[i]);
        if (row) {
            update(row, i);
        } else {
            row = create(i);
            m_rows.insert(order[i], row);
        }
        placed << row;
    }

    // A steady list costs no relayout. Otherwise the layout (the rows, then
    // the "and N more" line) is rebuilt in one pass: moving rows one by one
    // costs a search of the layout each.
    bool inPlace = m_layout->count() == placed.size() + 1;
    for (int i = 0; inPlace && i < placed.size(); ++i)
        inPlace = m_layout->itemAt(i)->widget() == placed[i];
    if (!inPlace) {
        while (m_layout->count() > 0)
            delete m_layout->takeAt(m_layout->count() - 1);
        for (QWidget* row : placed) {
            // Not laid out any more, so adding it searches no layout for it.
            row->setAttribute(Qt::WA_LaidOut, false);
            m_layout->addWidget(row);
        }
        m_more->setAttribute(Qt::WA_LaidOut, false);
        m_layout->addWidget(m_more);
    }
    m_moreCount = keys.size() - shown + std::max<qsizetype>(unlisted, 0);
    if (m_moreCount > 0)
        m_more->setText(kestrova::format("and %lld more", static_cast<long long>(m_moreCount)));
    else
        m_more->hide();

    // Each widget shown lays the list out anew; with the layout off
    // meanwhile, showing many costs one layout pass instead of one each.
    QList<QWidget*> toShow;
    if (isVisible()) {
        for (QWidget* row : placed)
            if (row->isHidden())
                toShow << row;
        if (m_moreCount > 0 && m_more->isHidden())
            toShow << m_more;
    } else if (m_moreCount > 0) {
        m_more->show(); // shown with the list
    }
    if (!toShow.isEmpty()) {
        m_layout->setEnabled(false);
        for (QWidget* widget : toShow)
            widget->show();
        // What showing one widget would do: lay out the list and the windows
        // around it now, so the rows have their places at once.
        m_layout->setEnabled(true);
        updateGeometry();
        for (QWidget* widget = this; widget && widget->isVisible(); widget = widget->parentWidget()) {
            if (QLayout* layout = widget->layout())
                layout->activate();
            if (widget->isWindow())
                break;
        }
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
