// Start-up of the program beside a bare Qt Widgets window and the same window
// with one captioned frame, each measured on a private X server from exec to
// its first top-level window being mapped, and to the first drawing in one of
// its windows: what a person sees. With no window manager there, the map
// request is granted at once, so the times are the program's own.

#include "XvfbServer.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Seconds from exec; negative for what did not happen.
struct StartTimes {
    double mapped = -1;
    double drawn = -1;
};

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

    // Waits until a window created after `begin` is mapped and, where the
    // server reports drawing, drawn into; gives up after ten seconds.
    StartTimes waitForWindow(Clock::time_point begin)
    {
        StartTimes times;
        // Earlier runs' windows may still report; only this run's count.
        std::set<xcb_window_t> created;
        const auto deadline = begin + std::chrono::seconds(10);
        while (times.mapped < 0 || (m_damageEvent && times.drawn < 0)) {
            xcb_generic_event_t *event = xcb_poll_for_event(m_connection);
            if (!event) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
                if (xcb_connection_has_error(m_connection) || left.count() <= 0)
                    break;
                pollfd readable{xcb_get_file_descriptor(m_connection), POLLIN, 0};
                poll(&readable, 1, int(left.count()));
                continue;
            }
            const double at = std::chrono::duration<double>(Clock::now() - begin).count();
            const uint8_t type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                // Watched from its creation: a program draws only once its
                // window is mapped and exposed, well after this arrives.
                const xcb_window_t window =
                    reinterpret_cast<xcb_create_notify_event_t *>(event)->window;
                created.insert(window);
                if (m_damageEvent) {
                    xcb_damage_create(m_connection, xcb_generate_id(m_connection), window,
                                      XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                    xcb_flush(m_connection);
                }
            } else if (type == XCB_MAP_NOTIFY && times.mapped < 0 &&
                       created.count(reinterpret_cast<xcb_map_notify_event_t *>(event)->window)) {
                times.mapped = at;
            } else if (m_damageEvent && type == m_damageEvent + XCB_DAMAGE_NOTIFY &&
                       times.drawn < 0 &&
                       created.count(
                           reinterpret_cast<xcb_damage_notify_event_t *>(event)->drawable)) {
                times.drawn = at;
            }
            free(event);
        }
        return times;
    }

private:
    void start()
    {
        m_server = std::make_unique<XvfbServer>();
        m_name = m_server->name();
        if (m_name.empty())
            return;
        m_connection = xcb_connect(m_name.c_str(), nullptr);
        if (xcb_connection_has_error(m_connection))
            return;
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const quint32 mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, root, XCB_CW_EVENT_MASK, &mask);
        const xcb_query_extension_reply_t *damage =
            xcb_get_extension_data(m_connection, &xcb_damage_id);
        if (damage && damage->present) {
            free(xcb_damage_query_version_reply(
                m_connection, xcb_damage_query_version(m_connection, 1, 1), nullptr));
            m_damageEvent = damage->first_event;
        }
        xcb_flush(m_connection);
    }

    void stop()
    {
        if (m_connection)
            xcb_disconnect(m_connection);
        m_connection = nullptr;
        m_server.reset();
    }

    std::unique_ptr<XvfbServer> m_server;
    std::string m_name;
    xcb_connection_t *m_connection = nullptr;
    // Where the server has no damage extension, drawing is not seen.
    uint8_t m_damageEvent = 0;
};

PrivateDisplay &display()
{
    static PrivateDisplay instance;
    return instance;
}

StartTimes start(const char *program, const QString &home)
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
    const StartTimes times = display().waitForWindow(begin);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return times;
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The program and its yardsticks start in turn, so that a busy machine slows
// them alike; the reported time is the program's, the medians and the
// program's ratios to each yardstick are counters.
void StartToWindowMapped(benchmark::State &state)
{
    if (!display().ready()) {
        state.SkipWithError("no private X server (Xvfb) could be started");
        return;
    }
    struct Contender {
        std::string name;
        const char *program;
        std::vector<double> mapped, drawn;
    };
    std::vector<Contender> contenders{{"bare_window", LUMIVANE_BARE_WINDOW, {}, {}},
                                      {"captioned_window", LUMIVANE_CAPTIONED_WINDOW, {}, {}},
                                      {"program", LUMIVANE_PROGRAM, {}, {}}};
    const Contender &program = contenders.back();
    QTemporaryDir home;
    for (auto _ : state) {
        for (Contender &contender : contenders) {
            const StartTimes times = start(contender.program, home.path());
            if (times.mapped < 0) {
                state.SkipWithError("no window was mapped, or the X server went away");
                return;
            }
            contender.mapped.push_back(times.mapped);
            if (times.drawn >= 0)
                contender.drawn.push_back(times.drawn);
        }
        state.SetIterationTime(program.mapped.back());
    }
    const bool drawingSeen = std::all_of(contenders.cbegin(), contenders.cend(),
                                         [](const Contender &c) { return !c.drawn.empty(); });
    for (const Contender &contender : contenders) {
        state.counters[contender.name + "_ms"] = median(contender.mapped) * 1e3;
        if (drawingSeen)
            state.counters[contender.name + "_drawn_ms"] = median(contender.drawn) * 1e3;
        if (&contender == &program)
            continue;
        state.counters["x_" + contender.name] = median(program.mapped) / median(contender.mapped);
        if (drawingSeen)
            state.counters["x_" + contender.name + "_drawn"] =
                median(program.drawn) / median(contender.drawn);
    }
}
BENCHMARK(StartToWindowMapped)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(25);

} // namespace

BENCHMARK_MAIN();
