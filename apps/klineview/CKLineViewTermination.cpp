#include "CKLineViewTermination.h"

#include <csignal>

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace TC {

namespace {

int g_fds[2] = {-1, -1};

void onSignal(int sig)
{
    const char byte = char(sig);
    // Async-signal-safe: a lost byte (full pipe) only means a second signal
    // of an ongoing shutdown is not seen.
    if (::write(g_fds[0], &byte, 1) < 0) {
    }
}

const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

} // namespace

CKLineViewTermination::CKLineViewTermination(std::function<void()> callback, QObject* parent)
    : QObject(parent), m_onSignal(std::move(callback))
{
    if (g_fds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_fds) != 0)
        return;
    m_notifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readSignal(); });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : kSignals)
        ::sigaction(sig, &sa, nullptr);
}

CKLineViewTermination::~CKLineViewTermination()
{
    if (!m_notifier)
        return;
    for (int sig : kSignals)
        std::signal(sig, SIG_DFL);
    ::close(g_fds[0]);
    ::close(g_fds[1]);
    g_fds[0] = g_fds[1] = -1;
}

void CKLineViewTermination::readSignal()
{
    char byte = 0;
    if (::read(g_fds[1], &byte, 1) != 1)
        return;
    m_lastSignal = int(byte);
    if (m_onSignal)
        m_onSignal();
}

} // namespace TC
