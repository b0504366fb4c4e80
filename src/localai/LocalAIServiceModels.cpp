// The model-server client of LocalAIService: the loaded-model list and the
// eject request.
#include "localai/LocalAIService.h"

#include "core/Clock.h"
#include "core/Print.h"
#include "localai/LocalAIExamples.h"
#include "localai/ModelListDecoder.h"

#include <QCoroFuture>
#include <QCoroNetworkReply>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <chrono>
#include <limits>
#include <memory>

using namespace std::chrono_literals;

namespace {

constexpr auto kListTimeout = 1000ms;
constexpr auto kEjectTimeout = 60s;
// Larger answers are decoded off the main thread: a few MiB of JSON take
// tens of milliseconds.
constexpr qsizetype kInlineDecodeBytes = 64 * 1024;

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
// body is taken as it arrives, and an answer longer than `maxBody` is
// dropped as soon as it grows past it, so it never piles up in memory.
QCoro::Task<HttpOutcome> exchange(QNetworkAccessManager* network, QNetworkRequest request, QByteArray verb,
                                  QByteArray body, std::chrono::milliseconds timeout,
                                  qsizetype maxBody = std::numeric_limits<qsizetype>::max())
{
    request.setTransferTimeout(int(timeout.count()));
    QPointer<QNetworkReply> reply = network->sendCustomRequest(request, verb, body);
    QTimer::singleShot(timeout, reply.data(), [reply] {
        if (reply)
            reply->abort();
    });
    auto received = std::make_shared<QByteArray>();
    auto oversized = std::make_shared<bool>(false);
    QNetworkReply* raw = reply.data();
    if (maxBody < std::numeric_limits<qsizetype>::max()) {
        // An announced length over the limit ends the transfer before any
        // of the body is taken in.
        QObject::connect(raw, &QNetworkReply::metaDataChanged, raw, [raw, oversized, maxBody] {
            const QVariant length = raw->header(QNetworkRequest::ContentLengthHeader);
            if (!*oversized && length.isValid() && length.toLongLong() > maxBody) {
                *oversized = true;
                raw->abort();
            }
        });
    }
    QObject::connect(raw, &QNetworkReply::readyRead, raw, [raw, received, oversized, maxBody] {
        if (*oversized)
            return;
        if (raw->bytesAvailable() > maxBody - received->size()) {
            *oversized = true;
            raw->abort();
            return;
        }
        received->append(raw->readAll());
    });
    co_await reply.data();

    HttpOutcome outcome;
    if (!reply) {
        outcome.error = QStringLiteral("request cancelled");
        co_return outcome;
    }
    if (*oversized) {
        outcome.error = QStringLiteral("answer too large");
        reply->deleteLater();
        co_return outcome;
    }
    // HTTP error statuses come as content and server errors (201 and up);
    // lower codes mean the transfer itself broke off, even after a status.
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const auto error = reply->error();
    if (status.isValid() && (error == QNetworkReply::NoError || error >= QNetworkReply::ContentAccessDenied)) {
        outcome.answered = true;
        outcome.status = status.toInt();
        outcome.body = *received + reply->readAll();
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
    const HttpOutcome outcome =
        co_await exchange(m_network, QNetworkRequest(url), "GET", {}, kListTimeout, kMaxModelListBytes);
    if (!self)
        co_return;

    std::optional<QList<LocalAIModel>> models;
    if (outcome.answered && outcome.status == 200) {
        if (outcome.body.size() <= kInlineDecodeBytes) {
            models = decodeModelList(outcome.body);
        } else {
            const QByteArray body = outcome.body;
            QFuture<std::optional<QList<LocalAIModel>>> decoded =
                QtConcurrent::run([body] { return decodeModelList(body); });
            models = co_await decoded;
            if (!self)
                co_return;
        }
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
    const HttpOutcome outcome = co_await exchange(m_network, request, "POST", ejectBody(name), kEjectTimeout);
    if (!self)
        co_return;
    // Any HTTP answer counts as sent: the refreshed list shows what happened.
    if (!outcome.answered) {
        kestrova::print(QStringLiteral("Failed to eject model: ") + outcome.error);
        co_return;
    }
    co_await updateModels();
}
