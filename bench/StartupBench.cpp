// Times the start-up of GUI programs from outside, under an X server with no window manager:
// from the fork of the program to the moment the server maps its first top-level window, and
// the program's resident memory once it has settled. The programs take turns run by run, so
// that a change in the machine's load falls on all of them alike.
//
//   lumo_bench_startup RUNS PROGRAM... BASELINE
//
// Prints each run, then the medians and each program's ratio to the last one.
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto mapTimeLimit = std::chrono::seconds(20);
// Long enough for the window's first paint and the idle event loop after it.
constexpr auto settleTime = std::chrono::milliseconds(1500);

struct Run {
    double milliseconds;
    double cpuMilliseconds; // of all its threads, up to the map: steadier than the wall clock on a busy machine
    double residentMiB;
};

class Display {
public:
    Display()
    {
        connection_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection_)) {
            std::fprintf(stderr, "cannot connect to the X server (DISPLAY)\n");
            std::exit(2);
        }
        fcntl(xcb_get_file_descriptor(connection_), F_SETFD, FD_CLOEXEC);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        pidAtom_ = atom("_NET_WM_PID");
        xcb_flush(connection_);
    }
    ~Display() { xcb_disconnect(connection_); }
    Display(const Display &) = delete;
    Display &operator=(const Display &) = delete;

    // When the server reported mapping the process's first top-level window, if it did so
    // before the deadline.
    std::optional<Clock::time_point> waitForMap(pid_t pid, Clock::time_point deadline)
    {
        while (Clock::now() < deadline) {
            xcb_generic_event_t *event = nextEvent(deadline);
            if (!event)
                continue;
            const Clock::time_point received = Clock::now();
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            xcb_window_t window = 0;
            if (mapped) {
                auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
                if (map->event == root_ && !map->override_redirect)
                    window = map->window;
            }
            std::free(event);
            if (window != 0 && ownerOf(window) == pid)
                return received;
        }
        return std::nullopt;
    }

    void drain(std::chrono::milliseconds during)
    {
        const Clock::time_point until = Clock::now() + during;
        while (Clock::now() < until) {
            if (xcb_generic_event_t *event = nextEvent(until))
                std::free(event);
        }
    }

private:
    xcb_generic_event_t *nextEvent(Clock::time_point deadline)
    {
        if (xcb_generic_event_t *event = xcb_poll_for_event(connection_))
            return event;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd descriptor{xcb_get_file_descriptor(connection_), POLLIN, 0};
        poll(&descriptor, 1, static_cast<int>(std::max<long long>(0, left.count())));
        return xcb_poll_for_event(connection_);
    }

    xcb_atom_t atom(const char *name)
    {
        auto cookie = xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name);
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection_, cookie, nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return result;
    }

    pid_t ownerOf(xcb_window_t window)
    {
        auto cookie = xcb_get_property(connection_, 0, window, pidAtom_, XCB_ATOM_CARDINAL, 0, 1);
        xcb_get_property_reply_t *reply = xcb_get_property_reply(connection_, cookie, nullptr);
        pid_t owner = 0;
        if (reply && xcb_get_property_value_length(reply) == 4)
            owner = static_cast<pid_t>(*static_cast<uint32_t *>(xcb_get_property_value(reply)));
        std::free(reply);
        return owner;
    }

    xcb_connection_t *connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t pidAtom_ = XCB_ATOM_NONE;
};

std::optional<double> residentMiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    }
    return std::nullopt;
}

double cpuMilliseconds(pid_t pid)
{
    double total = 0;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto &task : std::filesystem::directory_iterator(tasks)) {
        std::ifstream schedstat(task.path() / "schedstat");
        double nanoseconds = 0;
        if (schedstat >> nanoseconds)
            total += nanoseconds / 1e6;
    }
    return total;
}

std::optional<Run> runOnce(Display &display, const std::string &program)
{
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    if (pid < 0)
        return std::nullopt;
    std::optional<Run> run;
    if (const auto mapped = display.waitForMap(pid, start + mapTimeLimit)) {
        const double milliseconds = std::chrono::duration<double, std::milli>(*mapped - start).count();
        const double cpu = cpuMilliseconds(pid);
        display.drain(std::chrono::duration_cast<std::chrono::milliseconds>(settleTime));
        if (const auto resident = residentMiB(pid))
            run = Run{milliseconds, cpu, *resident};
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    display.drain(std::chrono::milliseconds(200));
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s RUNS PROGRAM... BASELINE\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    const std::vector<std::string> programs(argv + 2, argv + argc);
    Display display;

    // One run of each first, to bring the libraries into the page cache; not counted.
    for (const std::string &program : programs)
        runOnce(display, program);

    std::vector<std::vector<Run>> results(programs.size());
    for (int round = 0; round < runs; ++round) {
        // Every other round in reverse order, so that no program always runs first.
        for (std::size_t k = 0; k < programs.size(); ++k) {
            const std::size_t i = round % 2 ? programs.size() - 1 - k : k;
            const std::optional<Run> run = runOnce(display, programs[i]);
            if (!run) {
                std::fprintf(stderr, "%s: no window within the time limit\n", programs[i].c_str());
                return 1;
            }
            std::printf("run %2d  %-40s %7.1f ms %7.1f ms CPU %6.1f MiB\n", round + 1, programs[i].c_str(),
                        run->milliseconds, run->cpuMilliseconds, run->residentMiB);
            results[i].push_back(*run);
        }
    }

    std::vector<double> medianMs, medianCpu, medianMiB;
    for (const std::vector<Run> &program : results) {
        std::vector<double> ms, cpu, mib;
        for (const Run &run : program) {
            ms.push_back(run.milliseconds);
            cpu.push_back(run.cpuMilliseconds);
            mib.push_back(run.residentMiB);
        }
        medianMs.push_back(median(ms));
        medianCpu.push_back(median(cpu));
        medianMiB.push_back(median(mib));
    }
    std::printf("\nmedians of %d runs: time to the map, CPU time to the map, resident memory\n", runs);
    for (std::size_t i = 0; i < programs.size(); ++i)
        std::printf("%-40s %7.1f ms (%.2fx) %7.1f ms CPU (%.2fx) %6.1f MiB (%.2fx)\n", programs[i].c_str(),
                    medianMs[i], medianMs[i] / medianMs.back(), medianCpu[i], medianCpu[i] / medianCpu.back(),
                    medianMiB[i], medianMiB[i] / medianMiB.back());
    return 0;
}
