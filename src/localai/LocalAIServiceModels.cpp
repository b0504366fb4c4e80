// The model-server client of LocalAIService: the loaded-model list and the
// eject request.
#include "localai/LocalAIService.h"

#include "core/Clock.h"
#include "core/Print.h"
#include "core/SignalWait.h"
#include "localai/CappedHttpExchange.h"
#include "localai/LocalAIExamples.h"
#include "localai/ModelListDecoder.h"

#include <QCoroFuture>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

#include <chrono>

using namespace std::chrono_literals;

namespace {

constexpr auto kEjectTimeout = 60s;
constexpr qint64 kMaxEjectAnswer = 1024 * 1024; // only its status matters

using HttpOutcome = CappedHttpExchange::Outcome;

QUrl endpoint(const QUrl& base, const QString& path)
{
    if (!base.isValid() || base.host().isEmpty())
        return {};
    QUrl url = base;
    url.setPath(path);
    return url;
}

// Sends one request and waits for the whole answer, cut at `maxBody` bytes
// as it arrives. The exchange belongs to `owner`: once that is gone, this
// task and its callers end without a result.
QCoro::Task<HttpOutcome> exchange(QObject* owner, QUrl url, QByteArray verb, QByteArray contentType, QByteArray body,
                                  std::chrono::milliseconds timeout, qint64 maxBody)
{
    QPointer<CappedHttpExchange> request =
        new CappedHttpExchange(std::move(url), std::move(verb), std::move(contentType), std::move(body), timeout,
                               maxBody, owner);
    request->start();
    co_await waitForSignal(request.data(), &CappedHttpExchange::finished);
    if (!request) {
        HttpOutcome cancelled;
        cancelled.error = QStringLiteral("request cancelled");
        co_return cancelled;
    }
    HttpOutcome outcome = request->outcome();
    request->deleteLater();
    co_return outcome;
}

// Why an answer to the list request is refused, on one line; empty when it
// came whole with status 200, or when none came at all.
QString refusalOf(const HttpOutcome& outcome)
{
    const QString prefix = QStringLiteral("Model server answer refused: ");
    if (outcome.answered)
        return outcome.status == 200 ? QString() : prefix + QStringLiteral("HTTP status %1").arg(outcome.status);
    switch (outcome.failure) {
    case CappedHttpExchange::Failure::timedOut:
        return prefix + QStringLiteral("timed out");
    case CappedHttpExchange::Failure::malformed:
        return prefix + QStringLiteral("malformed answer");
    case CappedHttpExchange::Failure::headTooLarge:
        return prefix + QStringLiteral("headers over 64 KiB");
    case CappedHttpExchange::Failure::bodyTooLarge:
        return prefix + QStringLiteral("over 4 MiB");
    case CappedHttpExchange::Failure::none:
    case CappedHttpExchange::Failure::unreachable:
        break;
    }
    return {};
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
        setModelListRefusal({});
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
    QCoro::Task<HttpOutcome> listed = exchange(this, url, "GET", {}, {}, m_deps.modelListTimeout, kMaxModelListBytes);
    HttpOutcome outcome = co_await std::move(listed);
    if (!self)
        co_return;

    // Up to 4 MiB of JSON is decoded off the main thread.
    std::optional<DecodedModelList> decoded;
    QString refusal = refusalOf(outcome);
    if (refusal.isEmpty() && outcome.answered) {
        QFuture<std::optional<DecodedModelList>> decoding =
            QtConcurrent::run([body = std::move(outcome.body)] { return decodeModelList(body); });
        decoded = co_await decoding;
        if (!self)
            co_return;
        if (!decoded)
            refusal = QStringLiteral("Model server answer refused: not a readable model list");
    }
    reportModelListRefusal(refusal, decoded.has_value());
    if (!decoded) {
        setActiveModels({});
        setStatus(OllamaStatus::offline);
        co_return;
    }
    const bool empty = decoded->models.isEmpty();
    const qsizetype unlisted = decoded->total - decoded->models.size();
    setActiveModels(std::move(decoded->models));
    setUnlistedModelCount(unlisted);
    setStatus(empty ? OllamaStatus::idle : OllamaStatus::active);
}

void LocalAIService::reportModelListRefusal(const QString& refusal, bool read)
{
    if (!refusal.isEmpty() && refusal != m_printedRefusal) {
        kestrova::print(refusal);
        m_printedRefusal = refusal;
    } else if (read && !m_printedRefusal.isEmpty()) {
        kestrova::print(QStringLiteral("Model server answer read again"));
        m_printedRefusal.clear();
    }
    setModelListRefusal(refusal);
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
    QPointer<LocalAIService> self(this);
    QCoro::Task<HttpOutcome> sent =
        exchange(this, url, "POST", "application/json", ejectBody(name), kEjectTimeout, kMaxEjectAnswer);
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
