#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QRect>
#include <QString>

// Counts the paint events every widget receives and writes, every ten
// seconds, one line per widget class: paints per second and painted pixels
// per second, busiest first; and each window's repaint passes per second. For finding what repaints while the
// application should be idle.
class PaintCensus : public QObject {
public:
    explicit PaintCensus(QString path, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    struct Tally {
        qint64 paints = 0;
        qint64 pixels = 0;
        QRect last; // bounding rectangle of the last paint, in the widget
    };
    QString m_path;
    QHash<QString, Tally> m_tallies;
    QElapsedTimer m_since;
};
