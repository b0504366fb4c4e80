#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QVBoxLayout;

// A vertical list whose rows are identified by a key (a pid, a port, a
// path). A refresh keeps the widget of every key that stays, moves it to its
// new place and only builds rows for new keys, so a row keeps its own state
// (an open popover, a running spinner, a stored answer) across refreshes.
// Rows whose key disappears are deleted.
class KeyedRowList : public QWidget {
    Q_OBJECT

public:
    explicit KeyedRowList(QWidget* parent = nullptr);

    void setSpacing(int spacing);

    // Brings the list to `keys`, in order. `create(i)` builds the row of a
    // new key, `update(row, i)` refreshes a kept one. A key given twice names
    // two rows (its first and second occurrence).
    void setRows(const QStringList& keys, const std::function<QWidget*(int index)>& create,
                 const std::function<void(QWidget* row, int index)>& update);

    // Typed form: one row per item, the key taken from the item.
    template <typename Row, typename Item, typename KeyOf, typename Create, typename Update>
    void setItems(const QList<Item>& items, KeyOf keyOf, Create create, Update update)
    {
        QStringList keys;
        keys.reserve(items.size());
        for (const Item& item : items)
            keys << keyOf(item);
        setRows(
            keys, [&](int i) -> QWidget* { return create(items[i]); },
            [&](QWidget* row, int i) { update(static_cast<Row*>(row), items[i]); });
    }

    QWidget* row(const QString& key) const;
    QList<QWidget*> rows() const;
    QStringList keys() const;
    int count() const { return int(m_order.size()); }

signals:
    // After every setRows(), once the rows are in place.
    void rowsChanged();

private:
    QVBoxLayout* m_layout;
    QStringList m_order;             // identities in display order
    QHash<QString, QWidget*> m_rows; // identity -> row
};
