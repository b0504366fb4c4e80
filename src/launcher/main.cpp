// The `kestrova` command. It holds the quit signals back and becomes the
// application (the same process, the same arguments and environment), which
// catches them and only then lets them in. A session that ends right after
// it started the app (autostart, then logout) sends SIGTERM while the dynamic
// loader is still loading the libraries, before any of the app's code runs;
// held back here, the signal waits for the app's handler and the start ends
// with 0. Linked statically, so nothing runs before the first line of main.

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int, char* argv[])
{
    sigset_t quit;
    sigemptyset(&quit);
    sigaddset(&quit, SIGTERM);
    sigaddset(&quit, SIGINT);
    sigaddset(&quit, SIGHUP);
    sigprocmask(SIG_BLOCK, &quit, nullptr);

    // Beside this file in the build tree, in libexec beside bin when installed.
    static const char* const kPlaces[] = {"/libexec/kestrova/kestrova", "/../libexec/kestrova/kestrova"};
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        std::fprintf(stderr, "kestrova: cannot find the application: /proc/self/exe: %s\n", std::strerror(errno));
        return 127;
    }
    self[length] = '\0';
    *std::strrchr(self, '/') = '\0';

    char program[PATH_MAX + 64] = "";
    int error = ENOENT;
    for (const char* place : kPlaces) {
        std::snprintf(program, sizeof program, "%s%s", self, place);
        ::execv(program, argv);
        error = errno;
        if (error != ENOENT && error != ENOTDIR)
            break;
    }
    std::fprintf(stderr, "kestrova: cannot start the application %s: %s\n", program, std::strerror(error));
    return 127;
}
