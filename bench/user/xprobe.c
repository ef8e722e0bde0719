/* Watches an X program from outside, as a user meets it.
 *
 *   xprobe start [--ink[=LEFT,TOP,RIGHT,BOTTOM]] -- COMMAND [ARGUMENTS...]
 *       starts COMMAND and prints its pid, its first top-level window
 *       (at least 200x200), the milliseconds until that window was mapped
 *       and, with --ink, until the given part of the window (in percent of
 *       its size; the middle of the lower half by default) shows text:
 *       dark pixels on a light ground. COMMAND keeps running.
 *       It also prints start_ms, the moment COMMAND started, on the
 *       CLOCK_MONOTONIC scale that `ready` prints on.
 *   xprobe click X Y
 *       clicks the first mouse button at root position X, Y.
 *   xprobe ready WINDOW LEFT,TOP,RIGHT,BOTTOM X Y KEY
 *       clicks at root position X, Y, presses KEY ("ctrl+End") and prints
 *       ready_ms, the CLOCK_MONOTONIC moment that part of WINDOW changed
 *       (more than a blinking caret): when the program had taken the keys.
 *   xprobe keys-until-written FILE KEY...
 *       presses each KEY ("x", "ctrl+s", "Return") and prints the
 *       milliseconds from the first key until FILE was closed after writing
 *       or renamed into place.
 *   xprobe keys-until-written DIR/PREFIX* KEY...
 *       the same for the first file in DIR whose name starts with PREFIX.
 *
 * Keys go through the XTEST extension, as xdotool sends them.
 */
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <X11/Xutil.h>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <time.h>
#include <unistd.h>

/* libXtst's own declarations; its header package may not be installed. */
extern int XTestFakeKeyEvent(Display *, unsigned int, Bool, unsigned long);
extern int XTestFakeButtonEvent(Display *, unsigned int, Bool, unsigned long);
extern int XTestFakeMotionEvent(Display *, int, int, int, unsigned long);

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static Display *open_display(void)
{
    Display *d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "xprobe: cannot open the display\n");
        exit(2);
    }
    return d;
}

/* The part of the window that shows text, in percent of its size. */
struct region
{
    int left, top, right, bottom;
};

/* Whether that part of the window shows text: dark pixels on a light ground
 * (a window not painted yet is black all over). */
static int shows_text(Display *d, Window w, int width, int height, struct region r)
{
    XImage *image = XGetImage(d, w, width * r.left / 100, height * r.top / 100,
                              width * (r.right - r.left) / 100,
                              height * (r.bottom - r.top) / 100, AllPlanes, ZPixmap);
    if (!image)
        return 0;
    int dark = 0, light = 0;
    for (int y = 0; y < image->height; y += 2) {
        for (int x = 0; x < image->width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            const int sum = ((p >> 16) & 0xff) + ((p >> 8) & 0xff) + (p & 0xff);
            dark += sum < 3 * 110;
            light += sum > 3 * 200;
        }
    }
    const int pixels = image->width * ((image->height + 1) / 2);
    XDestroyImage(image);
    return dark > 200 && light > pixels / 2;
}

/* A sample of that part of the window, for telling a change from the
 * caret's blinking: every fourth row, packed RGB. */
static unsigned long *sample(Display *d, Window w, struct region r, int *count)
{
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a))
        return NULL;
    XImage *image = XGetImage(d, w, a.width * r.left / 100, a.height * r.top / 100,
                              a.width * (r.right - r.left) / 100,
                              a.height * (r.bottom - r.top) / 100, AllPlanes, ZPixmap);
    if (!image)
        return NULL;
    *count = 0;
    unsigned long *pixels = malloc(sizeof *pixels * image->width * (image->height / 4 + 1));
    for (int y = 0; y < image->height; y += 4)
        for (int x = 0; x < image->width; ++x)
            pixels[(*count)++] = XGetPixel(image, x, y) & 0xffffff;
    XDestroyImage(image);
    return pixels;
}

static int start(int argc, char **argv)
{
    int want_ink = 0, i = 0;
    struct region r = {10, 45, 90, 90};
    for (; i < argc && strcmp(argv[i], "--") != 0; ++i) {
        if (strncmp(argv[i], "--ink", 5) == 0) {
            want_ink = 1;
            sscanf(argv[i], "--ink=%d,%d,%d,%d", &r.left, &r.top, &r.right, &r.bottom);
        }
    }
    if (i + 1 >= argc)
        return 2;
    char **command = argv + i + 1;

    Display *d = open_display();
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);
    const double t0 = now_ms();
    const pid_t pid = fork();
    if (pid == 0) {
        /* The program outlives this probe: it must not hold its output open. */
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        setsid();
        execvp(command[0], command);
        _exit(127);
    }
    Window window = 0;
    XWindowAttributes a;
    while (!window) {
        struct pollfd p = {ConnectionNumber(d), POLLIN, 0};
        if (!XPending(d) && poll(&p, 1, 30000) <= 0) {
            fprintf(stderr, "xprobe: no window within 30 s\n");
            return 1;
        }
        XEvent e;
        XNextEvent(d, &e);
        if (e.type != MapNotify || e.xmap.override_redirect)
            continue;
        if (XGetWindowAttributes(d, e.xmap.window, &a) && a.width >= 200 && a.height >= 200)
            window = e.xmap.window;
    }
    const double mapped = now_ms() - t0;
    double shown = -1;
    if (want_ink) {
        while (now_ms() - t0 < 60000) {
            if (shows_text(d, window, a.width, a.height, r)) {
                shown = now_ms() - t0;
                break;
            }
            usleep(2000);
        }
    }
    printf("pid=%d window=0x%lx x=%d y=%d width=%d height=%d mapped_ms=%.1f shown_ms=%.1f "
           "start_ms=%.1f\n",
           (int)pid, window, a.x, a.y, a.width, a.height, mapped, shown, t0);
    return 0;
}

static void key(Display *d, const char *spec)
{
    char copy[64];
    snprintf(copy, sizeof copy, "%s", spec);
    KeyCode codes[4];
    int n = 0;
    for (char *part = strtok(copy, "+"); part && n < 4; part = strtok(NULL, "+")) {
        KeySym sym = strcmp(part, "ctrl") == 0  ? XK_Control_L
                     : strcmp(part, "alt") == 0 ? XK_Alt_L
                                                : XStringToKeysym(part);
        codes[n++] = XKeysymToKeycode(d, sym);
    }
    for (int k = 0; k < n; ++k)
        XTestFakeKeyEvent(d, codes[k], True, CurrentTime);
    for (int k = n - 1; k >= 0; --k)
        XTestFakeKeyEvent(d, codes[k], False, CurrentTime);
}

static int keys_until_written(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    char dir[4096], name[1024];
    snprintf(dir, sizeof dir, "%s", argv[0]);
    char *slash = strrchr(dir, '/');
    if (!slash)
        return 2;
    *slash = 0;
    snprintf(name, sizeof name, "%s", slash + 1);
    size_t prefix = strlen(name);
    const int wildcard = prefix > 0 && name[prefix - 1] == '*';
    if (wildcard)
        name[--prefix] = 0;

    const int fd = inotify_init1(IN_CLOEXEC);
    if (fd < 0 || inotify_add_watch(fd, dir, IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
        perror("xprobe: inotify");
        return 1;
    }
    Display *d = open_display();
    const double t0 = now_ms();
    for (int k = 1; k < argc; ++k)
        key(d, argv[k]);
    XFlush(d);
    char buffer[8192] __attribute__((aligned(8)));
    for (;;) {
        struct pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, 30000) <= 0) {
            fprintf(stderr, "xprobe: nothing written within 30 s\n");
            return 1;
        }
        const ssize_t n = read(fd, buffer, sizeof buffer);
        for (ssize_t off = 0; off < n;) {
            const struct inotify_event *e = (const struct inotify_event *)(buffer + off);
            if (e->len &&
                (wildcard ? strncmp(e->name, name, prefix) == 0 : strcmp(e->name, name) == 0)) {
                printf("written_ms=%.1f\n", now_ms() - t0);
                return 0;
            }
            off += sizeof *e + e->len;
        }
    }
}

static int click(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    Display *d = open_display();
    XTestFakeMotionEvent(d, -1, atoi(argv[0]), atoi(argv[1]), CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XSync(d, False);
    return 0;
}

static int ready(int argc, char **argv)
{
    if (argc < 5)
        return 2;
    const Window window = strtoul(argv[0], NULL, 0);
    struct region r;
    if (sscanf(argv[1], "%d,%d,%d,%d", &r.left, &r.top, &r.right, &r.bottom) != 4)
        return 2;
    Display *d = open_display();
    int count = 0, now = 0;
    unsigned long *before = sample(d, window, r, &count);
    if (!before)
        return 1;
    XTestFakeMotionEvent(d, -1, atoi(argv[2]), atoi(argv[3]), CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    key(d, argv[4]);
    XFlush(d);
    const double t0 = now_ms();
    while (now_ms() - t0 < 60000) {
        unsigned long *after = sample(d, window, r, &now);
        int changed = 0;
        for (int i = 0; after && i < count && i < now; ++i)
            changed += before[i] != after[i];
        free(after);
        if (changed > count / 50) {
            printf("ready_ms=%.1f\n", now_ms());
            return 0;
        }
        usleep(2000);
    }
    fprintf(stderr, "xprobe: no change within 60 s\n");
    return 1;
}

int main(int argc, char **argv)
{
    signal(SIGCHLD, SIG_IGN);
    if (argc >= 2 && strcmp(argv[1], "start") == 0)
        return start(argc - 2, argv + 2);
    if (argc >= 2 && strcmp(argv[1], "keys-until-written") == 0)
        return keys_until_written(argc - 2, argv + 2);
    if (argc >= 2 && strcmp(argv[1], "click") == 0)
        return click(argc - 2, argv + 2);
    if (argc >= 2 && strcmp(argv[1], "ready") == 0)
        return ready(argc - 2, argv + 2);
    fprintf(stderr, "usage: xprobe start [--ink[=L,T,R,B]] -- COMMAND... | click X Y | "
                    "keys-until-written FILE KEY... | ready WINDOW L,T,R,B X Y KEY\n");
    return 2;
}
