#include "platform/FileManagerReveal.h"

#include "platform/FreedesktopNotifier.h"

#include <QCoroDBusPendingCall>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace FileManagerReveal {

QCoro::Task<> showItem(QString path)
{
    const QFileInfo info(path);
    bool shown = false;
    if (FreedesktopNotifier::sessionBusAdvertised()) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
                QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
            call << QStringList{QUrl::fromLocalFile(info.absoluteFilePath()).toString()} << QString();
            QDBusPendingCall pending = bus.asyncCall(call, kCallTimeoutMs);
            const QDBusMessage reply = co_await pending;
            shown = reply.type() == QDBusMessage::ReplyMessage;
        }
    }
    if (!shown)
        QDesktopServices::openUrl(QUrl::fromLocalFile(info.absolutePath()));
}

} // namespace FileManagerReveal
