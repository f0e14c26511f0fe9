// Start-up of the program beside a bare Qt Widgets window, each measured from
// exec to its first top-level window being mapped on a private X server. With
// no window manager there, the map request is granted at once, so the time is
// the program's own.

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A headless X server for the whole run, and a connection that hears of
// every window mapped on its root.
class PrivateDisplay {
public:
    // Other programs starting X servers at the same moment can take the
    // display number the server chose, so it has a few tries.
    PrivateDisplay()
    {
        for (int attempt = 0; attempt < 5 && !ready(); ++attempt) {
            stop();
            start();
        }
    }

    ~PrivateDisplay() { stop(); }

    bool ready() const { return m_connection && !xcb_connection_has_error(m_connection); }
    const std::string &name() const { return m_name; }

    // Blocks until some top-level window is mapped; false if the server went.
    bool waitForMap()
    {
        while (xcb_generic_event_t *event = xcb_wait_for_event(m_connection)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            free(event);
            if (mapped)
                return true;
        }
        return false;
    }

private:
    void start()
    {
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            return;
        m_server = fork();
        if (m_server == 0) {
            close(pipeFds[0]);
            const std::string fd = std::to_string(pipeFds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                   "-nolisten", "tcp", static_cast<char *>(nullptr));
            _exit(127);
        }
        close(pipeFds[1]);
        char number[16] = {};
        const ssize_t got = read(pipeFds[0], number, sizeof number - 1);
        close(pipeFds[0]);
        if (got <= 0)
            return;
        // The server writes its display number and a new line.
        m_name = std::string(":").append(number, std::strcspn(number, "\n"));
        m_connection = xcb_connect(m_name.c_str(), nullptr);
        if (xcb_connection_has_error(m_connection))
            return;
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const quint32 mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }

    void stop()
    {
        if (m_connection)
            xcb_disconnect(m_connection);
        m_connection = nullptr;
        if (m_server > 0) {
            kill(m_server, SIGTERM);
            waitpid(m_server, nullptr, 0);
        }
        m_server = -1;
    }

    pid_t m_server = -1;
    std::string m_name;
    xcb_connection_t *m_connection = nullptr;
};

PrivateDisplay &display()
{
    static PrivateDisplay instance;
    return instance;
}

// Seconds from exec to the program's first window being mapped.
double startToWindowMapped(const char *program, const QString &home)
{
    const auto begin = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setenv("DISPLAY", display().name().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("XDG_CONFIG_HOME", qPrintable(home), 1);
        setenv("XDG_RUNTIME_DIR", qPrintable(home), 1);
        execl(program, program, static_cast<char *>(nullptr));
        _exit(127);
    }
    const bool mapped = display().waitForMap();
    const auto end = Clock::now();
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return mapped ? std::chrono::duration<double>(end - begin).count() : -1.0;
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The two start in turn, so that a busy machine slows both alike; the
// reported time is the program's, the medians and their ratio are counters.
void StartToWindowMapped(benchmark::State &state)
{
    if (!display().ready()) {
        state.SkipWithError("no private X server (Xvfb) could be started");
        return;
    }
    QTemporaryDir home;
    std::vector<double> bare, program;
    for (auto _ : state) {
        bare.push_back(startToWindowMapped(LUMIVANE_BARE_WINDOW, home.path()));
        program.push_back(startToWindowMapped(LUMIVANE_PROGRAM, home.path()));
        if (bare.back() < 0 || program.back() < 0) {
            state.SkipWithError("the X server went away");
            return;
        }
        state.SetIterationTime(program.back());
    }
    state.counters["bare_window_ms"] = median(bare) * 1e3;
    state.counters["program_ms"] = median(program) * 1e3;
    state.counters["x_bare_window"] = median(program) / median(bare);
}
BENCHMARK(StartToWindowMapped)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(25);

} // namespace

BENCHMARK_MAIN();
