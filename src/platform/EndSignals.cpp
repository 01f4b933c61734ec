#include "platform/EndSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace petalwright::platform {
namespace {

volatile std::sig_atomic_t g_signal = 0;
int g_pipe[2] = {-1, -1};

// Only what is safe in a handler: a flag, and one byte that wakes the event loop.
void onEndSignal(int number)
{
    g_signal = number;
    const char byte = 1;
    (void)!::write(g_pipe[1], &byte, 1);
}

} // namespace

void catchEndSignals(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigfillset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGIO}) {
        // What the caller chose to ignore stays ignored (nohup, a background job's Ctrl+C).
        struct sigaction before {};
        if (::sigaction(number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        ::sigaction(number, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

EndSignals::EndSignals(QObject* parent) : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
        }
        emit arrived(static_cast<int>(g_signal));
    });
    catchEndSignals(onEndSignal);
}

EndSignals::~EndSignals() = default;

int EndSignals::received() { return static_cast<int>(g_signal); }

} // namespace petalwright::platform
