#include "timelapse/StopSignals.h"

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace timelapse {

namespace {

sigset_t stopping()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

StopSignals::StopSignals()
{
    const sigset_t set = stopping();
    pthread_sigmask(SIG_BLOCK, &set, &m_before);
    m_fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    // Without one, the signals end the process as usual.
    if (m_fd < 0)
        pthread_sigmask(SIG_SETMASK, &m_before, nullptr);
}

StopSignals::~StopSignals()
{
    if (m_fd < 0)
        return;
    arrived();
    ::close(m_fd);
    pthread_sigmask(SIG_SETMASK, &m_before, nullptr);
}

bool StopSignals::arrived()
{
    signalfd_siginfo received;
    while (m_fd >= 0 && ::read(m_fd, &received, sizeof received) == ssize_t(sizeof received))
        m_arrived = true;
    return m_arrived;
}

} // namespace timelapse
