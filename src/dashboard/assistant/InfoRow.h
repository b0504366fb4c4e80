#pragma once

#include <QWidget>

class PlainLabel;

// One "label ... value" line of a system-info block. In a narrow block both
// sides wrap onto more lines rather than hide part of the value.
class InfoRow : public QWidget {
    Q_OBJECT

public:
    InfoRow(const QString& label, const QString& value = QString(), QWidget* parent = nullptr);

    QString label() const;
    QString value() const;
    void setValue(const QString& value);

private:
    PlainLabel* m_label;
    PlainLabel* m_value;
};
