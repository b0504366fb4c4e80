#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <chrono>

// Fetches the machine's public address from a plain-text echo service,
// asynchronously and one request at a time. Only a 2xx answer of at most 64
// bytes of UTF-8 text is taken, exactly as received; anything else is
// dropped without a word.
class PublicAddressFetcher : public QObject {
    Q_OBJECT

public:
    static QUrl defaultUrl();

    explicit PublicAddressFetcher(QUrl url = defaultUrl(),
                                  std::chrono::milliseconds timeout = std::chrono::seconds(5),
                                  QObject* parent = nullptr);
    ~PublicAddressFetcher() override;

    // Starts a request unless one is in flight or the application is
    // quitting. Returns whether it started.
    bool start();
    bool inFlight() const { return m_inFlight; }

signals:
    void fetched(const QString& address);
    void failed(); // the request ended without an address we take

private:
    QUrl m_url;
    std::chrono::milliseconds m_timeout;
    QPointer<QNetworkAccessManager> m_network; // gone from the quit on
    bool m_inFlight = false;
};
