#include "shell/termination.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace pennaro {

namespace {

// The signal handler may only do what is safe in one: it writes the
// signal's number into a socket that the event loop watches.
int signalSocket[2] = {-1, -1};

extern "C" void forwardSignal(int signal) {
    const int saved = errno;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(signalSocket[0], &byte, 1);
    errno = saved;
}

}  // namespace

void handleTerminationSignals(QObject *context, std::function<void(int)> handler) {
    if (signalSocket[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalSocket) != 0)
        return;  // the signals keep their default: the last copy written is all there is
    auto *notifier = new QSocketNotifier(signalSocket[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [handler = std::move(handler)] {
        char byte = 0;
        while (::read(signalSocket[1], &byte, 1) == 1)
            handler(byte);
    });
    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signal, &action, nullptr);
}

}  // namespace pennaro
