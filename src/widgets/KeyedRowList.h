#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <functional>

class PlainLabel;
class QVBoxLayout;

// A vertical list whose rows are identified by a key (a pid, a port, a
// path). A refresh keeps the widget of every key that stays, moves it to its
// new place and only builds rows for new keys, so a row keeps its own state
// (an open popover, a running spinner, a stored answer) across refreshes.
// Rows whose key disappears are deleted.
//
// What a peer sends can be endless, so the list shows at most rowLimit()
// rows and then one line "and N more"; a refresh costs time linear in the
// rows shown.
class KeyedRowList : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDefaultRowLimit = 50;

    explicit KeyedRowList(QWidget* parent = nullptr);

    void setSpacing(int spacing);
    int rowLimit() const { return m_rowLimit; }
    void setRowLimit(int limit);

    // Brings the list to `keys`, in order, the first rowLimit() of them as
    // rows. `create(i)` builds the row of a new key, `update(row, i)`
    // refreshes a kept one. A key given twice names two rows (its first and
    // second occurrence). `unlisted` counts items the caller holds no key
    // for; they join the "and N more" line.
    void setRows(const QStringList& keys, const std::function<QWidget*(int index)>& create,
                 const std::function<void(QWidget* row, int index)>& update, qsizetype unlisted = 0);

    // Typed form: one row per item, the key taken from the item.
    template <typename Row, typename Item, typename KeyOf, typename Create, typename Update>
    void setItems(const QList<Item>& items, KeyOf keyOf, Create create, Update update, qsizetype unlisted = 0)
    {
        const qsizetype shown = std::min<qsizetype>(items.size(), m_rowLimit);
        QStringList keys;
        keys.reserve(shown);
        for (qsizetype i = 0; i < shown; ++i)
            keys << keyOf(items[i]);
        setRows(
            keys, [&](int i) -> QWidget* { return create(items[i]); },
            [&](QWidget* row, int i) { update(static_cast<Row*>(row), items[i]); },
            unlisted + (items.size() - shown));
    }

    QWidget* row(const QString& key) const;
    QList<QWidget*> rows() const;
    QStringList keys() const;
    int count() const { return int(m_order.size()); }
    PlainLabel* moreLabel() const { return m_more; }

signals:
    // After every setRows(), once the rows are in place.
    void rowsChanged();

private:
    QVBoxLayout* m_layout;
    PlainLabel* m_more;              // "and N more", below the rows
    int m_rowLimit = kDefaultRowLimit;
    qsizetype m_moreCount = 0;
    QStringList m_order;             // identities in display order
    QHash<QString, QWidget*> m_rows; // identity -> row
};
