#include "PaintCensus.h"

#include <QApplication>
#include <QFile>
#include <QPaintEvent>
#include <QWidget>

#include <algorithm>

PaintCensus::PaintCensus(QString path, QObject* parent) : QObject(parent), m_path(std::move(path))
{
    qApp->installEventFilter(this);
    m_since.start();
    startTimer(10000);
}

bool PaintCensus::eventFilter(QObject* watched, QEvent* event)
{
    // Each update request of a window is one repaint pass (paint, flush).
    if (event->type() == QEvent::UpdateRequest && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow())
        ++m_tallies[QLatin1String("(passes of ") + QLatin1String(watched->metaObject()->className()) + u')'].paints;
    if (event->type() == QEvent::Paint && watched->isWidgetType()) {
        QString name = QString::fromLatin1(watched->metaObject()->className());
        if (const QString label = static_cast<QWidget*>(watched)->accessibleName(); !label.isEmpty())
            name += QLatin1String(" \"") + label + QLatin1Char('"');
        if (auto* parent = watched->parent())
            name += QLatin1String(" in ") + QLatin1String(parent->metaObject()->className());
        Tally& tally = m_tallies[name];
        ++tally.paints;
        const QRegion& region = static_cast<QPaintEvent*>(event)->region();
        for (const QRect& rect : region)
            tally.pixels += qint64(rect.width()) * rect.height();
        tally.last = region.boundingRect();
    }
    return false;
}

void PaintCensus::timerEvent(QTimerEvent*)
{
    const double seconds = m_since.restart() / 1000.0;
    QList<std::pair<QString, Tally>> rows;
    for (auto it = m_tallies.cbegin(); it != m_tallies.cend(); ++it)
        rows.append({it.key(), it.value()});
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.second.paints > b.second.paints; });
    QFile out(m_path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    out.write("--\n");
    for (const auto& [name, tally] : rows)
        out.write(QStringLiteral("%1 paints/s %2 kpx/s  %3  last %4x%5+%6+%7\n")
                      .arg(tally.paints / seconds, 7, 'f', 1)
                      .arg(tally.pixels / seconds / 1000.0, 8, 'f', 1)
                      .arg(name)
                      .arg(tally.last.width())
                      .arg(tally.last.height())
                      .arg(tally.last.x())
                      .arg(tally.last.y())
                      .toUtf8());
    m_tallies.clear();
}
