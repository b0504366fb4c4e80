// The `kestrova` command. It holds the quit signals back and becomes the
// application (the same process, the same arguments and environment), which
// catches them and only then lets them in. A session that ends right after
// it started the app (autostart, then logout) sends SIGTERM while the dynamic
// loader is still loading the libraries, before any of the app's code runs;
// held back here, the signal waits for the app's handler and the start ends
// with 0. Linked statically, so nothing is loaded before it runs.

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#if defined(__x86_64__)
// The entry point: holds the signals back with its first instruction, as the
// C library's own start takes a good part of a millisecond, then goes on to
// it (registers and stack as the kernel left them; %rdx, the loader's exit
// hook, is none in a static program).
asm(R"(
    .pushsection .text
    .globl kestrova_entry
    .type kestrova_entry, @function
kestrova_entry:
    mov $14, %eax                 # rt_sigprocmask(SIG_BLOCK, &held, nullptr, 8)
    xor %edi, %edi
    lea kestrova_held(%rip), %rsi
    xor %edx, %edx
    mov $8, %r10d
    syscall
    jmp _start
    .popsection
    .pushsection .rodata
    .balign 8
kestrova_held:                    # SIGHUP (1), SIGINT (2), SIGTERM (15)
    .quad (1 << 0) | (1 << 1) | (1 << 14)
    .popsection
)");
#endif

int main(int, char* argv[])
{
    // The same again where there is no such entry point.
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
