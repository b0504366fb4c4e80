#include "telemetry/PublicAddressFetcher.h"

#include "platform/NetworkManagerUntilQuit.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>

#include <optional>

namespace {

constexpr qsizetype kMaxAnswerBytes = 64;

std::optional<QString> acceptedAnswer(QNetworkReply* reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299)
        return std::nullopt;
    const QByteArray body = reply->readAll();
    if (body.size() > kMaxAnswerBytes || !reply->atEnd())
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(body);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

QUrl PublicAddressFetcher::defaultUrl()
{
    return QUrl(QStringLiteral("https://api.ipify.org"));
}

PublicAddressFetcher::PublicAddressFetcher(QUrl url, std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), m_url(std::move(url)), m_timeout(timeout), m_network(networkManagerUntilQuit(this))
{
}

PublicAddressFetcher::~PublicAddressFetcher() = default;

bool PublicAddressFetcher::start()
{
    if (m_inFlight || !m_network)
        return false;
    m_inFlight = true;
    QNetworkRequest request(m_url);
    request.setTransferTimeout(int(m_timeout.count()));
    request.setMaximumRedirectsAllowed(3);
    QNetworkReply* reply = m_network->get(request);
    // Refuse to buffer more than we would ever accept.
    reply->setReadBufferSize(kMaxAnswerBytes + 1);
    connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() > kMaxAnswerBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        m_inFlight = false;
        if (const std::optional<QString> address = acceptedAnswer(reply))
            emit fetched(*address);
        else
            emit failed();
    });
    return true;
}
