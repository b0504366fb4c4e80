#pragma once

#include <QWidget>

class PlainLabel;

// One indicator of the hardware-modifier panel: a small capitalised label
// over its value.
class TelemetryRow : public QWidget {
    Q_OBJECT

public:
    TelemetryRow(const QString& label, const QString& value, QWidget* parent = nullptr);

    QString label() const { return m_labelText; }
    QString value() const;
    void setValue(const QString& value);

private:
    QString m_labelText;
    PlainLabel* m_value;
};
