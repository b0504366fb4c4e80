#pragma once

#include <QCoroTask>
#include <QString>

// Shows a file or folder selected in the desktop's file manager
// (org.freedesktop.FileManager1.ShowItems on the session bus). Without a
// file manager that answers, the folder that holds it is opened instead;
// the item itself is never handed to a default handler.
namespace FileManagerReveal {

constexpr int kCallTimeoutMs = 3000;

QCoro::Task<> showItem(QString path);

} // namespace FileManagerReveal
