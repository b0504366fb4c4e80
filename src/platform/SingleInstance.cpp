#include "platform/SingleInstance.h"

#include "core/Print.h"
#include "platform/AbstractSocketNote.h"
#include "platform/QuitSignalRouter.h"
#include "platform/StaleLock.h"

#include <QCoroDBus>
#include <QCoroLocalSocket>
#include <QCoroTimer>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

constexpr QByteArrayView kRequest = "activate\n";
constexpr QByteArrayView kAnswer = "ok\n";
// How often a launch looks again at a copy that is still starting or
// quitting: for its socket, and (once asked) whether it is still starting.
constexpr auto kStartingPoll = std::chrono::milliseconds(100);
constexpr int kAnswerSliceMs = 500;
// A client that says nothing is dropped after this long.
constexpr int kClientTimeoutMs = 2000;

// org.freedesktop.DBus.RequestName: fail rather than queue; the reply codes
// we look for.
constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kAlreadyOwner = 4;

// Whether the process at the other end of a local socket runs as our user.
bool peerIsOurUser(qintptr descriptor)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return descriptor >= 0 && ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
           && size == sizeof peer && peer.uid == ::geteuid();
}

// Whether something at `path` belongs to another user (only root could
// have put it in a folder of ours).
bool isAnotherUsers(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && info.st_uid != ::geteuid();
}

// Whether a copy that stopped answering (`silent` times it from the first
// time) may still be quitting: it is given kQuittingMs.
bool mayBeQuitting(QElapsedTimer& silent)
{
    if (!silent.isValid())
        silent.start();
    return silent.elapsed() < SingleInstance::kQuittingMs;
}

QString anotherUsersReason()
{
    return QStringLiteral(" (a lock or socket of another user is there)");
}

} // namespace

SingleInstance::SingleInstance(QDBusConnection bus, QString socketPath, QString fallbackSocketPath, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_socketPath(std::move(socketPath)),
      m_fallbackSocketPath(std::move(fallbackSocketPath))
{
}

SingleInstance::~SingleInstance()
{
    if (m_ownsName)
        m_bus.unregisterService(QString::fromLatin1(kBusName));
    if (m_objectRegistered)
        m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
    if (m_server) {
        m_server->close();
        if (m_noted)
            QFile::remove(m_socketPath); // the note naming it
    }
    m_lock.reset();
    // The per-user temp folder goes with the last of what we kept there.
    if (m_removeFolder)
        ::rmdir(QFile::encodeName(QFileInfo(m_socketPath).path()).constData());
}

QString SingleInstance::defaultSocketPath()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists())
        return fallbackSocketPath();
    return folder + QLatin1Char('/') + QString::fromLatin1(kSocketName);
}

QString SingleInstance::fallbackSocketPath()
{
    return QDir::tempPath() + QStringLiteral("/kestrova-%1/").arg(::getuid()) + QString::fromLatin1(kSocketName);
}

void SingleInstance::Activate()
{
    if (QuitSignalRouter::quitAsked()) {
        if (calledFromDBus())
            sendErrorReply(QDBusError::Failed, QStringLiteral("Kestrova is quitting"));
        return;
    }
    // The caller gets its answer first; the window opens on the next turn.
    QTimer::singleShot(0, this, &SingleInstance::activationRequested);
}

QCoro::Task<SingleInstance::Role> SingleInstance::claim()
{
    QPointer<SingleInstance> self(this);
    if (m_bus.isConnected()) {
        // The object is in place before the name, so a launch that finds
        // the name can always call it.
        m_objectRegistered = m_bus.registerObject(QString::fromLatin1(kObjectPath), this,
                                                  QDBusConnection::ExportScriptableSlots);
        QCoro::Task<std::optional<bool>> named = claimBusName();
        std::optional<bool> owner = co_await std::move(named);
        // An owner that does not answer may be quitting: its name goes with
        // it, and is claimed again meanwhile.
        QElapsedTimer silent;
        while (self && owner == false) {
            QCoro::Task<bool> asked = askOverBus();
            if (co_await std::move(asked))
                co_return self ? Role::handedOver : Role::otherNotAnswering;
            if (!mayBeQuitting(silent))
                break;
            co_await QCoro::sleepFor(kStartingPoll);
            if (!self)
                break;
            named = claimBusName();
            owner = co_await std::move(named);
        }
        if (!self)
            co_return Role::otherNotAnswering;
        if (owner == true) {
            m_ownsName = true;
            if (!listenOnSocket() && giveUpStaleFolder())
                listenOnSocket();
            co_return Role::first;
        }
        if (m_objectRegistered) {
            m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
            m_objectRegistered = false;
        }
        if (owner == false)
            co_return Role::otherNotAnswering;
        // A bus that will not hand out names: the socket decides.
    }
    // A copy that found the first folder unusable listens in the fallback
    // one, and the first folder may serve again since (space freed, made
    // writable): a live holder there is asked first.
    const QString fallbackLock = m_fallbackSocketPath + QStringLiteral(".lock");
    if (!m_fallbackSocketPath.isEmpty() && m_fallbackSocketPath != m_socketPath && QFileInfo::exists(fallbackLock)
        && !StaleLock::holderIsGone(fallbackLock)) {
        QCoro::Task<Answer> asked = askOverSocket(m_fallbackSocketPath);
        const Answer answer = co_await std::move(asked);
        if (!self)
            co_return Role::otherNotAnswering;
        if (answer == Answer::handedOver)
            co_return Role::handedOver;
    }
    QElapsedTimer silent; // since a holder of the lock that is not starting stopped answering
    for (;;) {
        if (listenOnSocket())
            co_return Role::first;
        QCoro::Task<Answer> asked = askOverSocket(m_socketPath);
        const Answer answer = co_await std::move(asked);
        if (!self)
            co_return Role::otherNotAnswering;
        if (answer == Answer::handedOver)
            co_return Role::handedOver;
        if (answer == Answer::anotherUser) {
            giveUpFolder(anotherUsersReason());
            continue;
        }
        // A copy that has just taken the lock may not listen yet; one that
        // died meanwhile leaves the lock to us.
        if (StaleLock::holderIsStarting(m_socketPath + QStringLiteral(".lock"), kStartingMs)) {
            co_await QCoro::sleepFor(kStartingPoll);
            if (!self)
                co_return Role::otherNotAnswering;
            continue;
        }
        if (giveUpStaleFolder())
            continue;
        // A copy that holds the lock and no longer answers may be quitting
        // (its event loop is over, its socket may be gone): once it is gone,
        // its lock is ours.
        if (!mayBeQuitting(silent))
            co_return Role::otherNotAnswering;
        co_await QCoro::sleepFor(kStartingPoll);
        if (!self)
            co_return Role::otherNotAnswering;
    }
}

// Nobody answers and the lock's holder is gone, yet the lock stays (its
// folder went read-only or full since): that folder cannot serve, and the
// next is tried. Each folder is given up once.
bool SingleInstance::giveUpStaleFolder()
{
    const QString folder = QFileInfo(m_socketPath).path();
    if (m_givenUp.contains(folder) || !StaleLock::holderIsGone(m_socketPath + QStringLiteral(".lock")))
        return false;
    giveUpFolder(QStringLiteral(" (a lock left there by a copy that is gone cannot be removed)"));
    return true;
}

void SingleInstance::giveUpFolder(const QString& why)
{
    m_givenUp.insert(QFileInfo(m_socketPath).path(), why);
}

QCoro::Task<std::optional<bool>> SingleInstance::claimBusName()
{
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << QString::fromLatin1(kBusName) << kDoNotQueue;
    const QDBusPendingCall call = m_bus.asyncCall(request, kAnswerTimeoutMs);
    const QDBusMessage reply = co_await qCoro(call).waitForFinished();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        co_return std::nullopt;
    const uint code = reply.arguments().constFirst().toUInt();
    co_return code == kPrimaryOwner || code == kAlreadyOwner;
}

QCoro::Task<bool> SingleInstance::askOverBus()
{
    const QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kBusName), QString::fromLatin1(kObjectPath),
                                                             QString::fromLatin1(kBusName), QStringLiteral("Activate"));
    const QDBusPendingCall pending = m_bus.asyncCall(call, kAnswerTimeoutMs);
    const QDBusMessage reply = co_await qCoro(pending).waitForFinished();
    co_return reply.type() == QDBusMessage::ReplyMessage;
}

// A copy that is still starting answers once it reaches its event loop:
// it is given until kStartingMs after it took its lock.
QCoro::Task<SingleInstance::Answer> SingleInstance::askOverSocket(QString path)
{
    QLocalSocket socket;
    const bool abstract = !AbstractSocketNote::pathFits(path);
    if (abstract) {
        const QString name = AbstractSocketNote::read(path);
        if (name.isEmpty())
            co_return Answer::none; // not noted yet, or no more
        socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        socket.connectToServer(name);
    } else {
        socket.connectToServer(path);
    }
    // A refusal comes at once (nobody listens there yet, or any more), and
    // the wait below would only see its time run out.
    if (socket.state() == QLocalSocket::UnconnectedState)
        co_return Answer::none;
    const bool connected = co_await qCoro(socket).waitForConnected(kAnswerTimeoutMs);
    if (!connected)
        co_return Answer::none;
    // Another user may have taken up the abstract name of a copy that is
    // gone: the note is out of date, and says nothing of our folder.
    if (!peerIsOurUser(socket.socketDescriptor()))
        co_return abstract ? Answer::none : Answer::anotherUser;
    socket.write(kRequest.data(), kRequest.size());
    QElapsedTimer waited;
    waited.start();
    const QString lock = path + QStringLiteral(".lock");
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < 16) {
        if (socket.bytesAvailable() == 0) {
            const bool ready = co_await qCoro(socket).waitForReadyRead(kAnswerSliceMs);
            if (!ready && socket.bytesAvailable() == 0) {
                if (socket.state() != QLocalSocket::ConnectedState
                    || (waited.elapsed() >= kAnswerTimeoutMs && !StaleLock::holderIsStarting(lock, kStartingMs)))
                    break;
                continue;
            }
        }
        // A copy that went while we waited ends the connection: what it
        // said before is all there is.
        const QByteArray read = socket.read(16 - answer.size());
        if (read.isEmpty())
            break;
        answer += read;
    }
    co_return answer == kAnswer ? Answer::handedOver : Answer::none;
}

// The socket's folder, made if missing (`made` says so), must be a real
// folder of our user that nobody else may write: in a shared folder such as
// /tmp, another user could have put the socket or its lock there first.
bool SingleInstance::socketFolderIsOurs(bool* made) const
{
    const QByteArray folder = QFile::encodeName(QFileInfo(m_socketPath).path());
    *made = ::mkdir(folder.constData(), 0700) == 0;
    if (!*made && errno != EEXIST)
        return false;
    struct stat info {};
    return ::lstat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
           && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// True: the lock is ours; false: another copy holds it; nothing: this
// folder cannot hold it (not ours, read-only, full).
std::optional<bool> SingleInstance::lockSocket()
{
    const QString folder = QFileInfo(m_socketPath).path();
    const QString lockPath = m_socketPath + QStringLiteral(".lock");
    // A copy that quits just now may remove the folder it kept, empty,
    // between our look at it and our lock: it is made once more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool made = false;
        if (m_givenUp.contains(folder) || !socketFolderIsOurs(&made))
            return std::nullopt;
        if (isAnotherUsers(lockPath) || isAnotherUsers(m_socketPath)) {
            giveUpFolder(anotherUsersReason());
            return std::nullopt;
        }
        // The lock says who owns the socket; a lock left by a copy that died
        // is taken over.
        const bool leftByARun = QFileInfo(lockPath).isFile();
        auto lock = std::make_unique<QLockFile>(lockPath);
        if (lock->tryLock(0)) {
            m_lock = std::move(lock);
            // The per-user temp folder is a run's of ours when this one made
            // it, or when a lock of one was in it: it goes at quit if empty.
            m_removeFolder = m_socketPath == m_fallbackSocketPath && (made || leftByARun);
            return true;
        }
        if (lock->error() == QLockFile::LockFailedError)
            return false;
        if (QFileInfo::exists(folder))
            break;
    }
    return std::nullopt;
}

bool SingleInstance::listenOnSocket()
{
    if (m_server)
        return true;
    QString moved; // why this copy is not where a launch looks first
    if (!m_lock) {
        const QString folder = QFileInfo(m_socketPath).path();
        std::optional<bool> locked = lockSocket();
        const bool fallback = !locked && !m_fallbackSocketPath.isEmpty() && m_fallbackSocketPath != m_socketPath;
        if (fallback) {
            m_socketPath = m_fallbackSocketPath;
            locked = lockSocket();
        }
        if (locked == false)
            return false;
        const QString why = m_givenUp.value(folder);
        if (!locked) {
            kestrova::print(QStringLiteral("⚠️ The launch socket cannot go in ") + folder + why
                            + (fallback ? QStringLiteral(" nor in ") + QFileInfo(m_socketPath).path() : QString())
                            + QStringLiteral(": this copy runs without the one-copy guard"));
            return true; // the one copy as far as we can tell
        }
        if (fallback)
            moved = QStringLiteral("The launch socket cannot go in ") + folder + why;
    }
    serve(moved);
    return true; // the one copy: we hold the lock
}

// Listens at the socket's path or, when that is too long for a socket, on
// an abstract name noted there. One line says where later launches find
// this copy when that is not where they look first, and says so too when
// nothing listens.
void SingleInstance::serve(const QString& moved)
{
    const bool abstract = !AbstractSocketNote::pathFits(m_socketPath);
    const QString name = abstract ? AbstractSocketNote::freshName() : m_socketPath;
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(abstract ? QLocalServer::AbstractNamespaceOption : QLocalServer::UserAccessOption);
    QString failure;
    if (!m_server->listen(name))
        failure = m_server->errorString();
    else if (abstract && !AbstractSocketNote::write(m_socketPath, name, &failure))
        m_server->close();
    if (failure.isEmpty()) {
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::answerSocketClients);
        m_noted = abstract;
        if (abstract || !moved.isEmpty())
            kestrova::print(QStringLiteral("⚠️ ")
                            + (moved.isEmpty() ? QStringLiteral("The launch socket's path is %1 bytes").arg(QFile::encodeName(m_socketPath).size())
                                               : moved)
                            + QStringLiteral(": later launches find this copy through ") + m_socketPath
                            + (abstract ? QStringLiteral(" (too long for a socket: a note there names an abstract one)") : QString()));
        return;
    }
    delete m_server;
    m_server = nullptr;
    kestrova::print(QStringLiteral("⚠️ ") + (moved.isEmpty() ? QStringLiteral("The launch socket") : moved + QStringLiteral(", and it"))
                    + QStringLiteral(" cannot listen at ") + m_socketPath + QStringLiteral(" (") + failure
                    + (m_ownsName ? QStringLiteral("): later launches find this copy over the session bus only")
                                  : QStringLiteral("): later launches cannot reach this copy")));
}

void SingleInstance::answerSocketClients()
{
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        if (!peerIsOurUser(client->socketDescriptor())) {
            client->abort();
            client->deleteLater();
            continue;
        }
        QTimer::singleShot(kClientTimeoutMs, client, [client] { client->abort(); });
        connect(client, &QLocalSocket::readyRead, client, [this, client] {
            if (client->bytesAvailable() < kRequest.size())
                return;
            const QByteArray request = client->read(kRequest.size());
            if (request == kRequest && !QuitSignalRouter::quitAsked()) {
                client->write(kAnswer.data(), kAnswer.size());
                client->flush();
                QTimer::singleShot(0, this, &SingleInstance::activationRequested);
            }
            client->disconnectFromServer();
        });
    }
}
