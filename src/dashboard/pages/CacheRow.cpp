#include "dashboard/pages/CacheRow.h"

#include "core/Format.h"
#include "core/Scheduler.h"
#include "widgets/AccentPillButton.h"
#include "widgets/Badge.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/Spinner.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>

namespace {

QCoro::Task<> endSpinner(QPointer<CacheRow> row, Scheduler* scheduler, std::function<void()> done)
{
    QCoro::Task<> waiting = scheduler->sleepFor(std::chrono::milliseconds(CacheRow::spinnerMs));
    co_await std::move(waiting);
    if (row)
        done();
}

} // namespace

CacheRow::CacheRow(const QString& title, qint64 size, std::function<void()> purgeAction, Scheduler* scheduler,
                   QWidget* parent)
    : QWidget(parent), m_title(title), m_size(size), m_purgeAction(std::move(purgeAction)),
      m_scheduler(scheduler ? scheduler : &Scheduler::system())
{
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(10, 6, 10, 6);
    line->setSpacing(8);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(new PlainLabel(title, Fonts::system(13, QFont::Medium), SystemColor::primary));
    m_sizeLabel = new PlainLabel(QString(), Fonts::system(11), SystemColor::secondary);
    texts->addWidget(m_sizeLabel);
    line->addLayout(texts, 1);

    m_button = new AccentPillButton(QString(), QStringLiteral("Purge"), UiColor(SystemColor::red).opacity(0.8),
                                    AccentPillButton::Style::filled);
    m_button->setPadding(10, 5);
    m_button->setCornerRadius(4);
    m_button->setFont(Fonts::system(11, QFont::Bold));
    connect(m_button, &QAbstractButton::clicked, this, &CacheRow::purge);
    line->addWidget(m_button, 0, Qt::AlignVCenter);

    m_spinnerBox = new QWidget;
    auto* box = new QHBoxLayout(m_spinnerBox);
    box->setContentsMargins(10, 5, 10, 5);
    m_spinner = new Spinner(9);
    m_spinner->setColor(SystemColor::white);
    box->addWidget(m_spinner, 0, Qt::AlignCenter);
    m_spinnerBox->setFixedSize(m_button->sizeHint());
    line->addWidget(m_spinnerBox, 0, Qt::AlignVCenter);

    m_clean = new Badge(QStringLiteral("Clean"), UiColor(SystemColor::green).opacity(0.8),
                        UiColor(SystemColor::green).opacity(0.1));
    m_clean->setFont(Fonts::system(11, QFont::Medium));
    m_clean->setPadding(10, 5);
    m_clean->setCornerRadius(4);
    line->addWidget(m_clean, 0, Qt::AlignVCenter);
    refresh();
}

QString CacheRow::sizeText(qint64 bytes)
{
    if (bytes == 0)
        return QStringLiteral("Zero KB");
    const QString sign = bytes < 0 ? QStringLiteral("-") : QString();
    // The magnitude as a double: |INT64_MIN| does not fit an integer.
    const double magnitude = std::fabs(double(bytes));
    if (magnitude < 1000)
        return sign + QString::number(qint64(magnitude)) + (magnitude == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));
    static const char* const units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    static const int decimals[] = {0, 1, 2, 2, 2, 2};
    int unit = 0;
    double value = magnitude / 1000;
    // A figure that rounds up to 1000 is shown in the next unit.
    while (unit < 5 && std::round(value * std::pow(10, decimals[unit])) >= 1000 * std::pow(10, decimals[unit])) {
        value /= 1000;
        ++unit;
    }
    QString number = QString::number(value, 'f', decimals[unit]);
    if (number.contains(QLatin1Char('.'))) {
        while (number.endsWith(QLatin1Char('0')))
            number.chop(1);
        if (number.endsWith(QLatin1Char('.')))
            number.chop(1);
    }
    return sign + number + QLatin1Char(' ') + QString::fromLatin1(units[unit]);
}

void CacheRow::setSize(qint64 bytes)
{
    if (bytes == m_size)
        return;
    m_size = bytes;
    refresh();
}

void CacheRow::purge()
{
    if (m_isPurging || m_size < 1)
        return;
    m_isPurging = true;
    refresh();
    if (m_purgeAction)
        m_purgeAction();
    endSpinner(this, m_scheduler, [this] {
        m_isPurging = false;
        refresh();
    });
}

void CacheRow::refresh()
{
    m_sizeLabel->setText(sizeText(m_size));
    const bool clean = m_size < 1;
    m_clean->setVisible(clean);
    m_button->setVisible(!clean && !m_isPurging);
    m_button->setEnabled(!m_isPurging);
    m_spinnerBox->setVisible(!clean && m_isPurging);
}

void CacheRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 6, 6);
    p.fillPath(path, UiColor(SystemColor::contrast).opacity(0.02).resolve(this));
}
