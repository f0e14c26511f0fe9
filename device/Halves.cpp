#include "device/Halves.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace device {

namespace {

// Waits until `value` is no longer `old`, and returns it. A processor left
// idle takes long to wake up again, a tenth of a millisecond in a virtual
// machine, longer than a snap's steps leave between them: the waiting
// thread keeps looking for a while before it sleeps.
unsigned awaitChange(const std::atomic<unsigned> &value, unsigned old)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1);
    unsigned now = value.load(std::memory_order_acquire);
    for (; now == old && std::chrono::steady_clock::now() < until;
         now = value.load(std::memory_order_acquire))
        std::this_thread::yield();
    for (; now == old; now = value.load(std::memory_order_acquire))
        value.wait(old, std::memory_order_acquire);
    return now;
}

// A thread kept waiting for second halves: starting a thread for each half
// costs about as much as scaling a small picture, and a snap has four steps
// that share their lines out. It takes one picture's half at a time; work
// that comes while it is busy gets a thread of its own.
class SecondHalves {
public:
    SecondHalves()
        : m_thread([this] { serve(); })
    {
    }
    ~SecondHalves()
    {
        post({});
        m_thread.join();
    }

    bool start(HalfWork half, void *work, int from, int to)
    {
        if (m_busy.exchange(true, std::memory_order_acquire))
            return false;
        post({half, work, from, to});
        return true;
    }

    // Returns when the half last started is done.
    void finish()
    {
        awaitChange(m_done, m_posted.load(std::memory_order_relaxed) - 1);
        m_busy.store(false, std::memory_order_release);
    }

private:
    // No `half` tells the thread to end.
    struct Job {
        HalfWork half = nullptr;
        void *work = nullptr;
        int from = 0;
        int to = 0;
    };

    void post(const Job &job)
    {
        m_job = job;
        m_posted.fetch_add(1, std::memory_order_release);
        m_posted.notify_one();
    }

    void serve()
    {
        for (unsigned seen = 0;;) {
            seen = awaitChange(m_posted, seen);
            if (!m_job.half)
                return;
            m_job.half(m_job.work, m_job.from, m_job.to);
            m_done.store(seen, std::memory_order_release);
            m_done.notify_one();
        }
    }

    std::atomic<bool> m_busy{false};
    Job m_job;
    std::atomic<unsigned> m_posted{0};
    std::atomic<unsigned> m_done{0};
    std::thread m_thread;
};

} // namespace

void splitInHalves(int lines, HalfWork half, void *work)
{
    const int middle = lines / 2;
    if (middle == 0 || std::thread::hardware_concurrency() < 2) {
        half(work, 0, middle);
        half(work, middle, lines);
        return;
    }
    static SecondHalves second;
    if (!second.start(half, work, middle, lines)) {
        std::jthread own([&] { half(work, middle, lines); });
        half(work, 0, middle);
        return;
    }
    half(work, 0, middle);
    second.finish();
}

} // namespace device
