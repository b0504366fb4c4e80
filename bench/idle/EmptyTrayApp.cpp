// The floor for bench/idle_cost.sh: an empty Qt window and a tray icon, with
// the same line protocol as kestrova_idle_host ("pages", "closed",
// "dashboard <title>", "content"), so that IDLE_HOST=.../kestrova_idle_floor measures
// what Qt, the tray and the X server cost before any page does work.
// "dashboard Ten frames a second" shows the same window with one 46-pixel
// square repainted every 100 ms: what the smallest animation costs here.

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

// A square whose shade changes on every frame.
class Blinker : public QWidget {
public:
    Blinker()
    {
        setFixedSize(46, 46);
        m_frames.setInterval(100);
        QObject::connect(&m_frames, &QTimer::timeout, this, [this] {
            ++m_frame;
            update();
        });
    }
    void run(bool on) { on ? m_frames.start() : m_frames.stop(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0, 120, 255, 40 + (m_frame % 10) * 10));
    }

private:
    QTimer m_frames;
    int m_frame = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QPixmap picture(96, 24);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setPen(Qt::white);
        painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("12% 3.4G"));
    }
    QSystemTrayIcon tray{QIcon(picture)};
    tray.show();

    QWidget window;
    window.resize(1000, 700);
    auto* blinker = new Blinker;
    (new QVBoxLayout(&window))->addWidget(blinker);
    blinker->hide();

    auto reply = [](const QString& text) {
        std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
        std::fflush(stdout);
    };
    auto obey = [&](const QString& line) {
        if (line == u"pages") {
            reply(QStringLiteral("dashboard Empty window"));
            reply(QStringLiteral("dashboard Ten frames a second"));
        } else if (line.startsWith(u"dashboard")) {
            const bool animated = line.endsWith(u"second");
            blinker->setVisible(animated);
            blinker->run(animated);
            window.show();
        } else if (line == u"content") {
            // Nothing to show is what the floor measures.
            reply(QStringLiteral("content floor"));
        } else if (line == u"closed") {
            blinker->run(false);
            window.hide();
        }
        reply(QStringLiteral("ok ") + line);
    };
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[512];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            if (!line.isEmpty())
                obey(line);
        }
    });
    return QApplication::exec();
}
