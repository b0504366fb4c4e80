#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

#include <optional>

// One model that the model server holds in memory.
struct LocalAIModel {
    QString name;
    qint64 size = 0;                       // bytes
    QString parameterSize = QStringLiteral("Unknown");
    QString quantization = QStringLiteral("Unknown");
    QString format = QStringLiteral("gguf");
    std::optional<QDateTime> expiresAt;    // when the server unloads it by itself

    QString id() const { return name; }
    double sizeInGB() const { return double(size) / 1073741824.0; }

    bool operator==(const LocalAIModel&) const = default;
};

Q_DECLARE_METATYPE(LocalAIModel)
