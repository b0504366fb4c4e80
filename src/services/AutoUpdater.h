#pragma once

#include "core/ObservableObject.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <chrono>
#include <optional>

// Asks the update endpoint for the newest published version and keeps the
// outcome as observable state. It only reports: nothing is downloaded or
// installed, and nothing starts a check but a call of checkForUpdates().
class AutoUpdater final : public ObservableObject {
    Q_OBJECT
    Q_PROPERTY(bool isChecking READ isChecking NOTIFY isCheckingChanged)
    Q_PROPERTY(std::optional<QString> latestVersion READ latestVersion NOTIFY latestVersionChanged)
    Q_PROPERTY(std::optional<QUrl> downloadURL READ downloadURL NOTIFY downloadURLChanged)
    Q_PROPERTY(std::optional<QString> releaseNotes READ releaseNotes NOTIFY releaseNotesChanged)
    Q_PROPERTY(bool updateAvailable READ updateAvailable NOTIFY updateAvailableChanged)
    Q_PROPERTY(bool hasChecked READ hasChecked NOTIFY hasCheckedChanged)
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage NOTIFY errorMessageChanged)

public:
    static constexpr auto kEndpointPath = "/api/kestrova-version";
    static constexpr std::chrono::milliseconds kTimeout{6000};
    // An answer is three short fields; anything bigger is not one.
    static constexpr qint64 kMaxAnswerBytes = 64 * 1024;

    struct Deps {
        QUrl host = defaultHost();                 // scheme, host and port of the update API
        QString runningVersion;                    // empty: "1.0.0"
        std::chrono::milliseconds timeout = kTimeout; // transfer time-out of the request
    };

    static QUrl defaultHost();

    // The application's instance: the real update host and the running
    // application's version. Creating it starts nothing.
    static AutoUpdater& shared();

    explicit AutoUpdater(Deps deps, QObject* parent = nullptr);
    ~AutoUpdater() override;

    // One check; returns at once while another one runs. Every outcome ends
    // up in the properties. The updater must outlive the check.
    QCoro::Task<> checkForUpdates();

    bool isChecking() const { return m_isChecking; }
    const std::optional<QString>& latestVersion() const { return m_latestVersion; }
    const std::optional<QUrl>& downloadURL() const { return m_downloadURL; }
    const std::optional<QString>& releaseNotes() const { return m_releaseNotes; }
    bool updateAvailable() const { return m_updateAvailable; }
    bool hasChecked() const { return m_hasChecked; }
    const std::optional<QString>& errorMessage() const { return m_errorMessage; }

    // The version the answer is compared with.
    QString runningVersion() const;

signals:
    void isCheckingChanged();
    void latestVersionChanged();
    void downloadURLChanged();
    void releaseNotesChanged();
    void updateAvailableChanged();
    void hasCheckedChanged();
    void errorMessageChanged();

private:
    std::optional<QUrl> endpoint() const;
    void fail(const QString& message);

    Deps m_deps;
    QPointer<QNetworkAccessManager> m_network; // gone from the quit on
    bool m_isChecking = false;
    std::optional<QString> m_latestVersion;
    std::optional<QUrl> m_downloadURL;
    std::optional<QString> m_releaseNotes;
    bool m_updateAvailable = false;
    bool m_hasChecked = false;
    std::optional<QString> m_errorMessage;
};
