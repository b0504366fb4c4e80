#include "services/AutoUpdater.h"

#include "services/VersionOrder.h"
#include "core/Print.h"
#include "platform/NetworkManagerUntilQuit.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace {

const QString kFallbackVersion = QStringLiteral("1.0.0");

struct UpdateAnswer {
    QString version;
    QUrl downloadURL;
    std::optional<QString> releaseNotes;
};

// A download address must be an absolute web address: it is meant to be
// opened in a browser, and a relative or local one would not be the
// maker's download.
std::optional<QUrl> downloadAddress(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    const QUrl url(value.toString(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"https" && scheme != u"http") || url.host().isEmpty())
        return std::nullopt;
    return url;
}

std::optional<UpdateAnswer> parseAnswer(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue version = object.value(QStringLiteral("version"));
    const std::optional<QUrl> url = downloadAddress(object.value(QStringLiteral("download_url")));
    if (!version.isString() || !url)
        return std::nullopt;
    const QJsonValue notes = object.value(QStringLiteral("release_notes"));
    return UpdateAnswer{version.toString(), *url,
                        notes.isString() ? std::optional<QString>(notes.toString()) : std::nullopt};
}

QString describe(const QNetworkReply& reply)
{
    // A transfer time-out surfaces as a cancelled operation; say what happened.
    if (reply.error() == QNetworkReply::OperationCanceledError || reply.error() == QNetworkReply::TimeoutError)
        return QStringLiteral("The request timed out.");
    return reply.errorString();
}

} // namespace

QUrl AutoUpdater::defaultHost()
{
    return QUrl(QStringLiteral("https://api.kestrova.app"));
}

AutoUpdater& AutoUpdater::shared()
{
    static auto* updater = new AutoUpdater(Deps{defaultHost(), QCoreApplication::applicationVersion()},
                                           QCoreApplication::instance());
    return *updater;
}

AutoUpdater::AutoUpdater(Deps deps, QObject* parent)
    : ObservableObject(parent), m_deps(std::move(deps)), m_network(networkManagerUntilQuit(this))
{
}

AutoUpdater::~AutoUpdater() = default;

QString AutoUpdater::runningVersion() const
{
    return m_deps.runningVersion.isEmpty() ? kFallbackVersion : m_deps.runningVersion;
}

std::optional<QUrl> AutoUpdater::endpoint() const
{
    const QUrl& host = m_deps.host;
    if (!host.isValid() || host.isRelative() || host.host().isEmpty())
        return std::nullopt;
    QUrl url = host;
    url.setPath(QString::fromLatin1(kEndpointPath));
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

void AutoUpdater::fail(const QString& message)
{
    assign(m_errorMessage, std::optional<QString>(message), &AutoUpdater::errorMessageChanged);
    assign(m_isChecking, false, &AutoUpdater::isCheckingChanged);
}

QCoro::Task<> AutoUpdater::checkForUpdates()
{
    // Nothing starts once the application is quitting.
    if (m_isChecking || !m_network)
        co_return;
    assign(m_isChecking, true, &AutoUpdater::isCheckingChanged);
    assign(m_errorMessage, std::optional<QString>(), &AutoUpdater::errorMessageChanged);

    const std::optional<QUrl> url = endpoint();
    if (!url) {
        fail(QStringLiteral("Invalid update server URL"));
        co_return;
    }

    QNetworkRequest request(*url);
    request.setTransferTimeout(int(m_deps.timeout.count()));
    QNetworkReply* reply = m_network->get(request);
    // The reply holds at most one byte past the cap and is cut once it does,
    // however fast the answer comes.
    reply->setReadBufferSize(kMaxAnswerBytes + 1);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() > kMaxAnswerBytes && !reply->property("oversized").toBool()) {
            reply->setProperty("oversized", true);
            reply->abort();
        }
    });
    auto finished = qCoro(reply).waitForFinished();
    co_await std::move(finished);
    reply->deleteLater();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (reply->property("oversized").toBool()) {
        fail(QStringLiteral("Failed to parse update information"));
        co_return;
    }
    // An HTTP error status is an answer, not a failed request; anything else
    // that went wrong (no connection, time-out, TLS, a cut-off body) is.
    const bool answered = status.isValid() && status.toInt() != 200;
    if (reply->error() != QNetworkReply::NoError && !answered) {
        kestrova::print(QStringLiteral("Auto-update check failed: ") + describe(*reply));
        fail(QStringLiteral("Update check failed. Please check your internet connection."));
        co_return;
    }
    if (!status.isValid()) {
        fail(QStringLiteral("Invalid server response"));
        co_return;
    }
    if (status.toInt() != 200) {
        fail(QStringLiteral("Update server returned code ") + QString::number(status.toInt()));
        co_return;
    }
    const std::optional<UpdateAnswer> answer = parseAnswer(reply->readAll());
    if (!answer) {
        fail(QStringLiteral("Failed to parse update information"));
        co_return;
    }

    if (kestrova::compareVersions(answer->version, runningVersion()) > 0) {
        assign(m_latestVersion, std::optional<QString>(answer->version), &AutoUpdater::latestVersionChanged);
        assign(m_downloadURL, std::optional<QUrl>(answer->downloadURL), &AutoUpdater::downloadURLChanged);
        assign(m_releaseNotes, answer->releaseNotes, &AutoUpdater::releaseNotesChanged);
        assign(m_updateAvailable, true, &AutoUpdater::updateAvailableChanged);
    } else {
        assign(m_updateAvailable, false, &AutoUpdater::updateAvailableChanged);
    }
    assign(m_hasChecked, true, &AutoUpdater::hasCheckedChanged);
    assign(m_isChecking, false, &AutoUpdater::isCheckingChanged);
}
