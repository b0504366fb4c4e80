#include "support/CutShortSave.h"

#include "core/SettingsFile.h"

#include <QRandomGenerator>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr rlim_t kLimitBytes = 4096;
int g_reportTo = -1;
bool g_dies = false;

void onLimit(int)
{
    const char reached = '1';
    [[maybe_unused]] const ssize_t written = ::write(g_reportTo, &reached, 1);
    if (g_dies)
        ::kill(::getpid(), SIGKILL);
    for (;;)
        ::pause();
}

} // namespace

CutShortSave::CutShortSave(const QString& path, Ending ending)
{
    const QByteArray bytes(64 * 1024, 'k');
    QRandomGenerator::global()->generate(); // set up before the fork, not in the child
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return;
    m_child = ::fork();
    if (m_child == 0) {
        ::close(report[0]);
        g_reportTo = report[1];
        g_dies = ending == Ending::killed;
        const rlimit noCore{0, 0};
        rlimit size{};
        ::getrlimit(RLIMIT_FSIZE, &size);
        size.rlim_cur = kLimitBytes;
        struct sigaction action {};
        action.sa_handler = onLimit;
        if (::setrlimit(RLIMIT_CORE, &noCore) == 0 && ::setrlimit(RLIMIT_FSIZE, &size) == 0
            && ::sigaction(SIGXFSZ, &action, nullptr) == 0)
            SettingsFile::writeWhole(path, bytes, SettingsFile::Durability::onDisk);
        ::_exit(1); // the limit was never reached
    }
    ::close(report[1]);
    char reached = 0;
    m_reached = m_child > 0 && ::read(report[0], &reached, 1) == 1;
    ::close(report[0]);
    if (m_child > 0 && ending == Ending::killed) {
        int status = 0;
        m_reached = ::waitpid(m_child, &status, 0) == m_child && m_reached && WIFSIGNALED(status)
                    && WTERMSIG(status) == SIGKILL;
        m_child = -1;
    }
}

CutShortSave::~CutShortSave()
{
    if (m_child <= 0)
        return;
    ::kill(m_child, SIGKILL);
    ::waitpid(m_child, nullptr, 0);
}
