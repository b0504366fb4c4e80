#pragma once

#include <QObject>

// The selected page of a tab bar, shared by the bar's buttons and the view
// that shows the page: a button writes it, the owner reads it. Storing the
// value it already holds notifies nobody.
class TabSelection : public QObject {
    Q_OBJECT

public:
    explicit TabSelection(int value = 0, QObject* parent = nullptr) : QObject(parent), m_value(value) {}

    int value() const { return m_value; }
    void setValue(int value)
    {
        if (value == m_value)
            return;
        m_value = value;
        emit valueChanged(value);
    }

signals:
    void valueChanged(int value);

private:
    int m_value;
};
