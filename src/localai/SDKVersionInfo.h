#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

// One installed toolchain version of nvm, mise or asdf. Deliberately without
// equality: a fresh listing always replaces the old one and is announced.
struct SDKVersionInfo {
    QString manager;           // "nvm", "mise" or "asdf"
    QString name;              // "node" for nvm, the tool folder's name otherwise
    QString version;           // the version folder's name, unchanged
    QString path;              // the version folder's path
    qint64 sizeBytes = 0;
    QDateTime lastAccessDate;  // content-modification date, or the scan time

    QString id() const { return manager + QLatin1Char('-') + name + QLatin1Char('-') + version; }
    double sizeInMB() const { return double(sizeBytes) / 1024.0 / 1024.0; }
};

Q_DECLARE_METATYPE(SDKVersionInfo)
