// Starts a program on the current X display and reports how long it took from the exec until the
// X server mapped its window (found by the start of its title), then the program's resident
// memory once it has settled. Watching MapNotify on the root window needs no help from the
// program measured, so the real program runs exactly as a user starts it.
//
// usage: bench_startup_probe TITLE-PREFIX SETTLE-MS PROGRAM [ARGUMENTS...]
// prints: shown_ms=<ms> cpu_ms=<ms> rss_kb=<kB> hwm_kb=<kB>
// cpu_ms is the processor time all the program's threads had used when the map was seen; on a
// busy machine it varies far less than the wall-clock shown_ms.

#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTimeout = std::chrono::seconds(30);

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using XcbPtr = std::unique_ptr<T, FreeDeleter>;

std::string titleOf(xcb_connection_t *connection, xcb_window_t window)
{
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
    const XcbPtr<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply)
        return {};
    return std::string(static_cast<const char *>(xcb_get_property_value(reply.get())),
                       std::size_t(xcb_get_property_value_length(reply.get())));
}

long statusField(pid_t pid, std::string_view field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field) && line.size() > field.size() && line[field.size()] == ':')
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    }
    return -1;
}

// Nanoseconds on a processor, summed over the threads (schedstat's first field).
long long cpuNanos(pid_t pid)
{
    long long total = 0;
    std::error_code error;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto &task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        long long onCpu = 0;
        if (schedstat >> onCpu)
            total += onCpu;
    }
    return total;
}

void stop(pid_t pid)
{
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s TITLE-PREFIX SETTLE-MS PROGRAM [ARGUMENTS...]\n", argv[0]);
        return 2;
    }
    const std::string_view titlePrefix = argv[1];
    const long settleMs = std::strtol(argv[2], nullptr, 10);

    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screens.data->root, XCB_CW_EVENT_MASK, &mask);
    // A round trip, so the server watches the root before the program can map anything.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));

    const Clock::time_point start = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) {
        std::perror("fork");
        return 1;
    }
    if (pid == 0) {
        ::close(xcb_get_file_descriptor(connection));
        ::execvp(argv[3], argv + 3);
        std::perror(argv[3]);
        ::_exit(127);
    }

    Clock::time_point shown{};
    long long cpuAtShown = 0;
    const int fd = xcb_get_file_descriptor(connection);
    while (shown == Clock::time_point{}) {
        if (Clock::now() - start > kTimeout) {
            std::fprintf(stderr, "no window titled \"%s...\" within %lld s\n", argv[1],
                         static_cast<long long>(kTimeout.count()));
            stop(pid);
            return 1;
        }
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "%s ended before showing a window\n", argv[3]);
            return 1;
        }
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, 100) < 0 && errno != EINTR) {
            std::perror("poll");
            stop(pid);
            return 1;
        }
        while (const XcbPtr<xcb_generic_event_t> event{xcb_poll_for_event(connection)}) {
            if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY)
                continue;
            const auto *map = reinterpret_cast<const xcb_map_notify_event_t *>(event.get());
            if (titleOf(connection, map->window).starts_with(titlePrefix)) {
                shown = Clock::now();
                cpuAtShown = cpuNanos(pid);
                break;
            }
        }
        if (xcb_connection_has_error(connection)) {
            std::fprintf(stderr, "lost the display\n");
            stop(pid);
            return 1;
        }
    }

    // Let the first paint and whatever the program does after it finish before reading memory.
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    const long rss = statusField(pid, "VmRSS");
    const long hwm = statusField(pid, "VmHWM");
    stop(pid);
    xcb_disconnect(connection);

    const double shownMs = std::chrono::duration<double, std::milli>(shown - start).count();
    std::printf("shown_ms=%.2f cpu_ms=%.2f rss_kb=%ld hwm_kb=%ld\n", shownMs,
                double(cpuAtShown) / 1e6, rss, hwm);
    return rss < 0 ? 1 : 0;
}
