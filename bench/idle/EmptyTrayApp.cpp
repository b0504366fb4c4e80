// The floor for bench/idle_cost.sh: an empty Qt window and a tray icon, with
// the same line protocol as kestrova_idle_host ("pages", "closed",
// "dashboard <title>"), so that IDLE_HOST=.../kestrova_idle_floor measures
// what Qt, the tray and the X server cost before any page does work.

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

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

    auto reply = [](const QString& text) {
        std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
        std::fflush(stdout);
    };
    auto obey = [&](const QString& line) {
        if (line == u"pages")
            reply(QStringLiteral("dashboard Empty window"));
        else if (line.startsWith(u"dashboard"))
            window.show();
        else if (line == u"closed")
            window.hide();
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
