#pragma once

#include "theme/UiColor.h"

#include <QWidget>

class QPainter;
class RepeatingLoop;

// One cache on the tour's caches step: its name in a small tag that turns
// red with spinning sparkles while it is being cleaned (and grows to 1.1)
// and green with a check once cleaned; cleaned wins when both hold. The
// size label rides along without being drawn.
class CacheTagBadge : public QWidget {
    Q_OBJECT

public:
    struct Look {
        QString icon; // empty: none
        UiColor foreground;
        UiColor background;
        UiColor outline;
        double scale;
        bool operator==(const Look&) const = default;
    };
    static Look look(bool isCleaning, bool isCleaned);

    CacheTagBadge(const QString& name, const QString& size, bool isCleaning, bool isCleaned, QWidget* parent = nullptr);

    QString name() const { return m_name; }
    QString size() const { return m_size; }
    bool isCleaning() const { return m_isCleaning; }
    bool isCleaned() const { return m_isCleaned; }
    void setState(bool isCleaning, bool isCleaned);
    // The sparkles turn (only while shown).
    bool isSpinning() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QSizeF natural() const;
    void paintBadge(QPainter& p, double turn) const;

    QString m_name;
    QString m_size;
    bool m_isCleaning;
    bool m_isCleaned;
    RepeatingLoop* m_spin;
};
