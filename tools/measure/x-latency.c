/* Times a program's answers from outside, over X alone.
 *
 *   x-latency key KEYSYM  TITLE PING_WINDOW PING_MS TIMEOUT_MS
 *   x-latency click X Y   TITLE PING_WINDOW PING_MS TIMEOUT_MS
 *   x-latency idle        DURATION_MS PING_WINDOW PING_MS
 *
 * key and click press a key (by its keysym name) or the left button at screen point X,Y
 * through XTest, then wait for a new top-level window titled TITLE to be mapped, and print
 * the milliseconds from the input to its creation, to its mapping and to its first Expose;
 * TITLE - expects no window and only pings for TIMEOUT_MS.
 * Meanwhile, when PING_WINDOW is not 0, every PING_MS milliseconds a _NET_WM_PING goes to
 * that window: Qt answers it from its main thread only when that thread next handles X
 * events, so the longest wait for an answer is the longest stall of the event loop.
 * idle does only the pings, for DURATION_MS.
 *
 * Build: cc -O2 -o x-latency x-latency.c -lX11 -lXtst */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>


#define MAX_PINGS 100000
/* Kept apart from the X timestamps a window manager puts in its own pings. */
#define PING_BASE 0x7f000000UL

static double nowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static Display *display;
static Atom wmProtocols, netWmPing;
static Window pingWindow;
static double pingSent[MAX_PINGS], pingAnswered[MAX_PINGS];
static unsigned long pingCount;

static void sendPing(void)
{
    if (pingCount == MAX_PINGS)
        return;
    XEvent ev;
    memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.window = pingWindow;
    ev.xclient.message_type = wmProtocols;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = (long)netWmPing;
    ev.xclient.data.l[1] = (long)(PING_BASE + pingCount);
    ev.xclient.data.l[2] = (long)pingWindow;
    /* No event mask: the event goes to the client that created the window. */
    XSendEvent(display, pingWindow, False, NoEventMask, &ev);
    XFlush(display);
    pingSent[pingCount++] = nowMs();
}

/* Takes an answer to one of our pings; returns 0 for any other event. */
static int takePingAnswer(const XEvent *ev, double at)
{
    if (ev->type != ClientMessage || ev->xclient.message_type != wmProtocols ||
        (Atom)ev->xclient.data.l[0] != netWmPing)
        return 0;
    unsigned long n = (unsigned long)ev->xclient.data.l[1] - PING_BASE;
    if (n < pingCount && pingAnswered[n] == 0)
        pingAnswered[n] = at;
    return 1;
}

/* Prints the answers' waits over the pings sent in [from, to): count, median, maximum, and
 * each wait over 2 ms. */
static void reportPings(const char *label, double from, double to)
{
    static double waits[MAX_PINGS];
    unsigned long n = 0, unanswered = 0;
    double longest = 0, longestAt = 0;
    for (unsigned long i = 0; i < pingCount; ++i) {
        if (pingSent[i] < from || pingSent[i] >= to)
            continue;
        if (pingAnswered[i] == 0) {
            ++unanswered;
            continue;
        }
        double w = pingAnswered[i] - pingSent[i];
        waits[n++] = w;
        if (w > longest) {
            longest = w;
            longestAt = pingSent[i] - from;
        }
    }
    if (n == 0) {
        printf("%s_pings=0 %s_unanswered=%lu\n", label, label, unanswered);
        return;
    }
    for (unsigned long i = 1; i < n; ++i)
        for (unsigned long j = i; j > 0 && waits[j - 1] > waits[j]; --j) {
            double t = waits[j];
            waits[j] = waits[j - 1];
            waits[j - 1] = t;
        }
    printf("%s_pings=%lu %s_unanswered=%lu %s_median_ms=%.3f %s_max_ms=%.3f %s_max_sent_at_ms=%.1f", label, n,
           label, unanswered, label, waits[n / 2], label, longest, label, longestAt);
    /* Where the long waits fall, as sent-at:wait pairs, tells the phases apart. */
    printf(" %s_over_2ms=", label);
    const char *separator = "";
    for (unsigned long i = 0; i < pingCount; ++i)
        if (pingSent[i] >= from && pingSent[i] < to && pingAnswered[i] - pingSent[i] > 2) {
            printf("%s%.1f:%.1f", separator, pingSent[i] - from, pingAnswered[i] - pingSent[i]);
            separator = ",";
        }
    printf("\n");
}

static int hasTitle(Window w, const char *title)
{
    Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *name = NULL;
    int same = 0;
    if (XGetWindowProperty(display, w, netWmName, 0, 1024, False, utf8, &type, &format, &count, &after, &name) ==
            Success &&
        name != NULL) {
        same = strcmp((const char *)name, title) == 0;
        XFree(name);
    }
    return same;
}

/* Waits up to waitMs, pinging every pingMs when that is above 0; hands each event other than a ping answer to
 * onEvent, and stops early once it returns nonzero. */
static void pump(double waitMs, double pingMs, int (*onEvent)(const XEvent *, double))
{
    const double end = nowMs() + waitMs;
    double nextPing = nowMs();
    for (;;) {
        double t = nowMs();
        if (t >= end)
            return;
        if (pingWindow != 0 && pingMs > 0 && t >= nextPing) {
            sendPing();
            nextPing += pingMs;
            if (nextPing < t)
                nextPing = t + pingMs;
        }
        while (XPending(display)) {
            XEvent ev;
            XNextEvent(display, &ev);
            double at = nowMs();
            if (!takePingAnswer(&ev, at) && onEvent != NULL && onEvent(&ev, at))
                return;
        }
        double until = pingWindow != 0 && pingMs > 0 && nextPing < end ? nextPing : end;
        int timeout = (int)(until - nowMs());
        struct pollfd fd = {ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, timeout < 0 ? 0 : timeout);
    }
}

static const char *wantedTitle;
static Window newWindow;
static double created, mapped, exposed;

static int watchForBox(const XEvent *ev, double at)
{
    if (ev->type == CreateNotify && ev->xcreatewindow.parent == DefaultRootWindow(display) && newWindow == 0 &&
        !ev->xcreatewindow.override_redirect) {
        /* The title may come a moment after the window; it is checked once the box is mapped. */
        newWindow = ev->xcreatewindow.window;
        created = at;
        XSelectInput(display, newWindow, StructureNotifyMask | ExposureMask);
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, newWindow, &attributes) && attributes.map_state == IsViewable)
            mapped = nowMs();
    } else if (ev->type == MapNotify && ev->xmap.window == newWindow && newWindow != 0 && mapped == 0) {
        mapped = at;
    } else if (ev->type == Expose && ev->xexpose.window == newWindow && exposed == 0) {
        exposed = at;
    }
    if (mapped != 0 && exposed != 0) {
        if (hasTitle(newWindow, wantedTitle))
            return 1;
        /* Some other window: keep waiting for the box. */
        newWindow = 0;
        created = mapped = exposed = 0;
    }
    return 0;
}

static void usage(void)
{
    fputs("usage: x-latency key KEYSYM|click X Y  TITLE PING_WINDOW PING_MS TIMEOUT_MS\n"
          "       x-latency idle DURATION_MS PING_WINDOW PING_MS\n",
          stderr);
    exit(2);
}

int main(int argc, char **argv)
{
    if (argc < 2)
        usage();
    display = XOpenDisplay(NULL);
    if (display == NULL) {
        fputs("x-latency: no X display\n", stderr);
        return 1;
    }
    wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
    netWmPing = XInternAtom(display, "_NET_WM_PING", False);
    /* Qt sends its answers to pings to the root window for StructureNotify; new top-level
     * windows show there under SubstructureNotify. */
    XSelectInput(display, DefaultRootWindow(display), StructureNotifyMask | SubstructureNotifyMask);
    XSync(display, False);

    if (strcmp(argv[1], "idle") == 0) {
        if (argc != 5)
            usage();
        double duration = atof(argv[2]);
        pingWindow = (Window)strtoul(argv[3], NULL, 0);
        double start = nowMs();
        pump(duration, atof(argv[4]), NULL);
        pump(200, 0, NULL); /* late answers; no new pings are sent after the duration */
        reportPings("idle", start, start + duration);
        return 0;
    }

    int isKey = strcmp(argv[1], "key") == 0;
    int args = isKey ? 3 : 4;
    if ((!isKey && strcmp(argv[1], "click") != 0) || argc != args + 4)
        usage();
    wantedTitle = argv[args];
    pingWindow = (Window)strtoul(argv[args + 1], NULL, 0);
    double pingMs = atof(argv[args + 2]);
    double timeoutMs = atof(argv[args + 3]);

    /* A few idle pings first, so the answers during the wait are compared with these. */
    double idleStart = nowMs();
    if (pingWindow != 0)
        pump(300, pingMs, NULL);
    double idleEnd = nowMs();

    double input;
    if (isKey) {
        KeyCode code = XKeysymToKeycode(display, XStringToKeysym(argv[2]));
        if (code == 0) {
            fprintf(stderr, "x-latency: no key %s\n", argv[2]);
            return 1;
        }
        /* Qt's dialogs act on the press. */
        XTestFakeKeyEvent(display, code, True, 0);
        XFlush(display);
        input = nowMs();
        XTestFakeKeyEvent(display, code, False, 0);
        XFlush(display);
    } else {
        XTestFakeMotionEvent(display, DefaultScreen(display), atoi(argv[2]), atoi(argv[3]), 0);
        XTestFakeButtonEvent(display, 1, True, 0);
        XSync(display, False);
        /* Buttons act on the release. */
        XTestFakeButtonEvent(display, 1, False, 0);
        XFlush(display);
        input = nowMs();
    }
    if (strcmp(wantedTitle, "-") == 0) {
        /* No window expected: only the pings, for TIMEOUT_MS after the input. */
        pump(timeoutMs, pingMs, NULL);
        pump(200, 0, NULL);
        reportPings("before", idleStart, idleEnd);
        reportPings("after", input, input + timeoutMs);
        return 0;
    }
    pump(timeoutMs, pingMs, watchForBox);
    if (mapped == 0 || exposed == 0) {
        printf("timeout=1\n");
        return 1;
    }
    printf("created_ms=%.3f mapped_ms=%.3f exposed_ms=%.3f window=0x%lx\n", created - input, mapped - input,
           exposed - input, newWindow);
    if (pingWindow != 0) {
        pump(200, 0, NULL); /* answers still on their way */
        reportPings("before", idleStart, idleEnd);
        reportPings("during", input, created);
    }
    return 0;
}
