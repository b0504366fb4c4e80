#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// One application entry (a .desktop file): what it is called and how it is
// started. Only the unlocalised keys of the [Desktop Entry] group are read.
struct DesktopEntry {
    QString filePath;
    QString name;
    QStringList command;      // Exec as program and arguments, field codes removed
    QString tryExec;
    QString workingDirectory; // Path
    bool terminal = false;
    bool noDisplay = false;

    // An application entry that can be started: Type=Application, an Exec
    // line that splits cleanly, not Hidden. Anything else gives nothing.
    static std::optional<DesktopEntry> parse(const QString& filePath, const QByteArray& contents);

    // Splits an Exec value (already unescaped as a string value) into
    // arguments by the desktop-entry quoting rules and removes the field
    // codes (%f, %U, %i, ...), which stand for files and URLs we never pass;
    // "%%" is a literal "%". Nothing when the quoting is broken.
    static std::optional<QStringList> splitExec(const QString& exec);

    // The file the entry runs, resolved through PATH and symbolic links,
    // past a leading "env VAR=value"; empty when it is not installed.
    QString resolvedProgram() const;
    // The same for TryExec.
    QString resolvedTryExec() const;
};
