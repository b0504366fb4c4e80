#pragma once

#include <QWidget>

class PlainLabel;

// A labelled reading: a small blue title over the subtitle and, at the
// right, the value; a faint rule below.
class SensorRow : public QWidget {
    Q_OBJECT

public:
    SensorRow(const QString& title, const QString& subtitle, const QString& value, QWidget* parent = nullptr);

    QString title() const;
    QString subtitle() const;
    QString value() const;
    void setValue(const QString& value);

private:
    PlainLabel* m_title;
    PlainLabel* m_subtitle;
    PlainLabel* m_value;
};
