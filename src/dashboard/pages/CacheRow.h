#pragma once

#include <QWidget>

#include <functional>

class AccentPillButton;
class Badge;
class PlainLabel;
class Scheduler;
class Spinner;

// One cache with its size and a purge button: "Clean" instead of the button
// while the size is below one byte. A click shows a spinner for one second,
// whatever the purge takes; the row turns "Clean" when the size the page
// hands it reaches 0.
class CacheRow : public QWidget {
    Q_OBJECT

public:
    static constexpr int spinnerMs = 1000;

    CacheRow(const QString& title, qint64 size, std::function<void()> purgeAction, Scheduler* scheduler = nullptr,
             QWidget* parent = nullptr);

    // Sizes in the file style of byte counts, multiples of 1000: "Zero KB",
    // "1 byte", "999 bytes", "1 KB", "1.5 MB", "12.45 GB".
    static QString sizeText(qint64 bytes);

    QString title() const { return m_title; }
    qint64 size() const { return m_size; }
    void setSize(qint64 bytes);
    bool isPurging() const { return m_isPurging; }

    PlainLabel* sizeLabel() const { return m_sizeLabel; }
    AccentPillButton* purgeButton() const { return m_button; }
    Badge* cleanBadge() const { return m_clean; }
    Spinner* spinner() const { return m_spinner; }

    // What a click on "Purge" does.
    void purge();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    QString m_title;
    qint64 m_size;
    std::function<void()> m_purgeAction;
    Scheduler* m_scheduler;
    bool m_isPurging = false;
    PlainLabel* m_sizeLabel;
    AccentPillButton* m_button;
    Spinner* m_spinner;
    QWidget* m_spinnerBox;
    Badge* m_clean;
};
