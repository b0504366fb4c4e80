// The model-server client of LocalAIService: the loaded-model list and the
// eject request.
#include "localai/LocalAIService.h"

#include "core/Clock.h"
#include "core/Print.h"
#include "core/SignalWait.h"
#include "localai/LocalAIExamples.h"
#include "localai/ModelListDecoder.h"

#include <QCoroFuture>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;

namespace {

constexpr auto kListTimeout = 1000ms;
constexpr auto kEjectTimeout = 60s;
constexpr qint64 kMaxEjectAnswer = 1024 * 1024; // only its status matters

struct HttpOutcome {
    bool answered = false;   // an HTTP status came back
    int status = 0;
    QByteArray body;
    QString error;           // why nothing came back
};

QUrl endpoint(const QUrl& base, const QString& path)
{
    if (!base.isValid() || base.host().isEmpty())
        return {};
    QUrl url = base;
    url.setPath(path);
    return url;
}

// Sends one request and waits for the whole answer. The transfer time-out
// ends a stalled transfer; the deadline also ends one that trickles. The
// body is taken as it arrives, and an answer that announces or grows past
// `maxBody` bytes is cut off and counts as no answer.
QCoro::Task<HttpOutcome> exchange(QNetworkAccessManager* network, QNetworkRequest request, QByteArray verb,
                                  QByteArray body, std::chrono::milliseconds timeout, qint64 maxBody)
{
    request.setTransferTimeout(int(timeout.count()));
    QPointer<QNetworkReply> reply = network->sendCustomRequest(request, verb, body);
    QTimer::singleShot(timeout, reply.data(), [reply] {
        if (reply)
            reply->abort();
    });
    auto received = std::make_shared<QByteArray>();
    auto tooLarge = std::make_shared<bool>(false);
    // A small read buffer makes the transfer wait for us instead of piling up.
    reply->setReadBufferSize(256 * 1024);
    const auto take = [reply, received, tooLarge, maxBody] {
        if (!reply || *tooLarge)
            return;
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        if ((announced.isValid() && announced.toLongLong() > maxBody)
            || received->size() + reply->bytesAvailable() > maxBody) {
            *tooLarge = true;
            received->clear();
            reply->abort();
            return;
        }
        received->append(reply->readAll());
    };
    QObject::connect(reply.data(), &QNetworkReply::metaDataChanged, reply.data(), take);
    QObject::connect(reply.data(), &QNetworkReply::readyRead, reply.data(), take);
    // A reply destroyed unfinished (its manager went with the service) ends
    // this exchange and its callers without a result.
    if (!reply->isFinished())
        co_await waitForSignal(reply.data(), &QNetworkReply::finished);

    HttpOutcome outcome;
    if (!reply) {
        outcome.error = QStringLiteral("request cancelled");
        co_return outcome;
    }
    if (*tooLarge) {
        outcome.error = QStringLiteral("answer too large");
        reply->deleteLater();
        co_return outcome;
    }
    // HTTP error statuses come as content and server errors (201 and up);
    // lower codes mean the transfer itself broke off, even after a status.
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const auto error = reply->error();
    if (status.isValid() && (error == QNetworkReply::NoError || error >= QNetworkReply::ContentAccessDenied)) {
        take();
        outcome.answered = !*tooLarge;
        outcome.status = status.toInt();
        outcome.body = std::move(*received);
    } else {
        outcome.error = reply->errorString();
    }
    reply->deleteLater();
    co_return outcome;
}

// {"model":"<name>","keep_alive":0}, the name escaped as a JSON string.
QByteArray ejectBody(const QString& name)
{
    QByteArray quoted = QJsonDocument(QJsonArray{name}).toJson(QJsonDocument::Compact);
    quoted = quoted.mid(1, quoted.size() - 2); // drop the array's brackets
    return "{\"model\":" + quoted + ",\"keep_alive\":0}";
}

} // namespace

QCoro::Task<> LocalAIService::updateModels()
{
    if (m_demoMode) {
        const QDateTime now = m_deps.clock->now();
        if (m_activeModels.isEmpty()) {
            setActiveModels(LocalAIExamples::models(now));
            setStatus(OllamaStatus::active);
            co_return;
        }
        QList<LocalAIModel> remaining = m_activeModels;
        remaining.removeIf([&](const LocalAIModel& m) { return m.expiresAt && *m.expiresAt <= now; });
        const bool empty = remaining.isEmpty();
        setActiveModels(std::move(remaining));
        setStatus(empty ? OllamaStatus::idle : OllamaStatus::active);
        co_return;
    }

    const QUrl url = endpoint(m_deps.modelServerUrl, QStringLiteral("/api/ps"));
    if (url.isEmpty())
        co_return;
    QPointer<LocalAIService> self(this);
    QCoro::Task<HttpOutcome> listed =
        exchange(m_network, QNetworkRequest(url), "GET", {}, kListTimeout, kMaxModelListBytes);
    HttpOutcome outcome = co_await std::move(listed);
    if (!self)
        co_return;

    // Up to 4 MiB of JSON is decoded off the main thread.
    std::optional<QList<LocalAIModel>> models;
    if (outcome.answered && outcome.status == 200) {
        QFuture<std::optional<QList<LocalAIModel>>> decoded =
            QtConcurrent::run([body = std::move(outcome.body)] { return decodeModelList(body); });
        models = co_await decoded;
        if (!self)
            co_return;
    }
    if (!models) {
        setActiveModels({});
        setStatus(OllamaStatus::offline);
        co_return;
    }
    const bool empty = models->isEmpty();
    setActiveModels(std::move(*models));
    setStatus(empty ? OllamaStatus::idle : OllamaStatus::active);
}

QCoro::Task<> LocalAIService::ejectModel(QString name)
{
    if (m_demoMode) {
        QList<LocalAIModel> remaining = m_activeModels;
        remaining.removeIf([&](const LocalAIModel& m) { return m.name == name; });
        const bool empty = remaining.isEmpty();
        setActiveModels(std::move(remaining));
        if (empty)
            setStatus(OllamaStatus::idle);
        co_return;
    }

    const QUrl url = endpoint(m_deps.modelServerUrl, QStringLiteral("/api/generate"));
    if (url.isEmpty())
        co_return;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    QPointer<LocalAIService> self(this);
    QCoro::Task<HttpOutcome> sent = exchange(m_network, request, "POST", ejectBody(name), kEjectTimeout, kMaxEjectAnswer);
    const HttpOutcome outcome = co_await std::move(sent);
    if (!self)
        co_return;
    // Any HTTP answer counts as sent: the refreshed list shows what happened.
    if (!outcome.answered) {
        kestrova::print(QStringLiteral("Failed to eject model: ") + outcome.error);
        co_return;
    }
    co_await updateModels();
}
