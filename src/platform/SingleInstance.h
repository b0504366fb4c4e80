#pragma once

#include <QCoroTask>
#include <QDBusConnection>
#include <QDBusContext>
#include <QHash>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QLocalServer;

// Keeps one running copy per user session. The first launch takes a
// well-known name on the session bus and also listens on a local socket in
// the runtime folder (for a later launch that sees no bus); a later launch
// finds either, asks the running copy to show itself and is told to leave.
// Other local users are not trusted: the socket is used only in a folder of
// ours that nobody else may write, and only a peer running as our user
// counts as a running copy; otherwise this launch carries on as the first.
// A folder that cannot hold the socket's lock (read-only, full) says nothing
// about other copies: the fallback folder is tried, and failing that this
// copy runs without the guard; one line says which. So it goes, too, for a
// folder whose lock nobody answers for and whose holder is gone (a killed
// copy's, which the folder no longer lets us remove), and for a folder that
// holds a lock or socket of another user, or where another user answers:
// only root can put one in a folder of ours, and it is never our running
// copy. A live copy in the fallback folder is asked first: the first folder
// may serve again since. A copy of ours that took the lock moments ago and
// does not answer yet is still starting: it is waited for (up to
// kStartingMs after it took the lock) before the launch gives up; one that
// no longer answers may be quitting, and is given kQuittingMs to go before
// this launch takes its place or gives up. A copy asked to quit (a quit
// signal) answers no launch: it may take one's request in the moment before
// its quit. A socket path too long for the kernel serves through an
// abstract socket that a note at the path names. The per-user temp folder
// that a run of ours made goes at quit once empty.
class SingleInstance final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kestrova.Kestrova")

public:
    static constexpr auto kBusName = "org.kestrova.Kestrova";
    static constexpr auto kObjectPath = "/org/kestrova/Kestrova";
    static constexpr auto kSocketName = "kestrova.socket";
    // How long a later launch waits for the running copy to answer.
    static constexpr int kAnswerTimeoutMs = 2000;
    // How long after it took the lock a copy may take to answer.
    static constexpr int kStartingMs = 10000;
    // How long a copy that holds the lock or the name, but no longer
    // answers, is given to go (its quit gives back what it held).
    static constexpr int kQuittingMs = 10000;

    enum class Role {
        first,           // no other copy runs: this one carries on
        handedOver,      // another copy runs and was asked to show itself
        otherNotAnswering, // another copy holds the name or the socket but did not answer
    };

    // `bus` may be a disconnected connection (no session bus).
    // `fallbackSocketPath` serves when the folder of `socketPath` cannot.
    SingleInstance(QDBusConnection bus, QString socketPath, QString fallbackSocketPath = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR/kestrova.socket, or the fallback when the session
    // has no runtime folder.
    static QString defaultSocketPath();
    // The same name in a per-user folder of the temp folder.
    static QString fallbackSocketPath();

    // Settles which role this launch has. Asks nothing of the user.
    QCoro::Task<Role> claim();

public slots:
    // Called over the bus by a later launch; refused once a quit is asked.
    Q_SCRIPTABLE void Activate();

signals:
    // A later launch asked this copy to show itself. Emitted from the event
    // loop after the caller has had its answer.
    void activationRequested();

private:
    // True: ours; false: another copy's; nullopt: the bus gave no answer.
    QCoro::Task<std::optional<bool>> claimBusName();
    QCoro::Task<bool> askOverBus();
    enum class Answer { handedOver, none, anotherUser };
    QCoro::Task<Answer> askOverSocket(QString path);
    bool socketFolderIsOurs(bool* made) const;
    std::optional<bool> lockSocket();
    bool giveUpStaleFolder();
    void giveUpFolder(const QString& why);
    bool listenOnSocket();
    void serve(const QString& moved);
    void answerSocketClients();

    QDBusConnection m_bus;
    QString m_socketPath;
    QString m_fallbackSocketPath;
    QHash<QString, QString> m_givenUp; // folders given up, with why, as printed
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    bool m_noted = false; // listens on an abstract name noted at the socket's path
    bool m_removeFolder = false;
    bool m_objectRegistered = false;
    bool m_ownsName = false;
};
