// Starts a program and prints the milliseconds from its start to the mapping
// of its first top-level window, then lets it run a quarter of a second more
// (its first paint) and ends it, and prints its peak resident size in kB.
// The window is seen through the X server's own notice, not by polling: the
// figure is exact to the event, and no poller competes for the processors.
//   window_watch SECONDS PROGRAM [ARGUMENT ...]
// prints "MS KB", or "- KB" when no window was mapped within SECONDS.

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

struct Freed {
    void operator()(void* pointer) const { std::free(pointer); }
};

// Waits for a top-level window (a child of the root) to be mapped; false
// when the deadline passes or the display goes away.
bool waitForMappedWindow(xcb_connection_t* display, xcb_window_t root, Clock::time_point deadline) {
    pollfd watch{xcb_get_file_descriptor(display), POLLIN, 0};
    for (;;) {
        while (std::unique_ptr<xcb_generic_event_t, Freed> event{xcb_poll_for_event(display)}) {
            if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY) continue;
            const auto* mapped = reinterpret_cast<const xcb_map_notify_event_t*>(event.get());
            if (mapped->event == root && !mapped->override_redirect) return true;
        }
        if (xcb_connection_has_error(display)) return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        if (::poll(&watch, 1, static_cast<int>(left)) < 0 && errno != EINTR) return false;
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    const int seconds = argc > 2 ? std::atoi(argv[1]) : 0;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: window_watch SECONDS PROGRAM [ARGUMENT ...]\n");
        return 2;
    }
    int screenNumber = 0;
    xcb_connection_t* display = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(display)) {
        std::fprintf(stderr, "window_watch: cannot connect to the display\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(display));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    // Checked, so that the selection is in force before the program starts.
    if (std::unique_ptr<xcb_generic_error_t, Freed> error{xcb_request_check(
            display,
            xcb_change_window_attributes_checked(display, root, XCB_CW_EVENT_MASK, &mask))}) {
        std::fprintf(stderr, "window_watch: cannot watch the root window\n");
        return 1;
    }

    const auto start = Clock::now();
    const pid_t program = ::fork();
    if (program < 0) return 1;
    if (program == 0) {
        ::close(xcb_get_file_descriptor(display));
        ::execvp(argv[2], argv + 2);
        ::_exit(127);
    }
    const bool mapped = waitForMappedWindow(display, root, start + std::chrono::seconds(seconds));
    const std::chrono::duration<double, std::milli> took = Clock::now() - start;
    // The first paint follows the mapping; its memory counts.
    if (mapped) ::usleep(250'000);
    ::kill(program, SIGTERM);
    int status = 0;
    rusage usage{};
    while (::wait4(program, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    xcb_disconnect(display);
    if (mapped)
        std::printf("%.2f %ld\n", took.count(), usage.ru_maxrss);
    else
        std::printf("- %ld\n", usage.ru_maxrss);
    return mapped ? 0 : 1;
}
