#pragma once

#include <QFont>
#include <QWidget>

// A round gauge of fixed size: a blue ring with a small title over a bold
// value. Texts too long for the ring are elided, never enlarge it.
class SensorCircle : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSide = 70;

    SensorCircle(const QString& title, const QString& value, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    QString value() const { return m_value; }
    void setValue(const QString& value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QString m_value;
    QFont m_titleFont; // built once, not per paint
    QFont m_valueFont;
};
