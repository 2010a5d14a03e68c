/* A minimal notification-area host for the tray tests, and a stand-in window manager's iconify.
 *
 *   tray_host host X Y     owns _NET_SYSTEM_TRAY_S0, docks icons in its window at (X, Y) and
 *                          prints "READY" and then "DOCK <window>" for each icon, until SIGTERM
 *   tray_host iconify WIN  marks WIN iconic in WM_STATE, as a window manager does on minimising
 *                          (normal first, so that the client sees a change each time)
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

#define SYSTEM_TRAY_REQUEST_DOCK 0
#define XEMBED_EMBEDDED_NOTIFY 0

static volatile sig_atomic_t stop_requested = 0;

static void on_signal(int number) {
  (void)number;
  stop_requested = 1;
}

static void send_embedded_notify(Display* display, Window icon, Window host) {
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = icon;
  event.xclient.message_type = XInternAtom(display, "_XEMBED", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = CurrentTime;
  event.xclient.data.l[1] = XEMBED_EMBEDDED_NOTIFY;
  event.xclient.data.l[3] = (long)host;
  event.xclient.data.l[4] = 0;
  XSendEvent(display, icon, False, NoEventMask, &event);
}

/* Announces the new owner to clients waiting for a notification area. */
static void announce(Display* display, Window root, Atom selection, Window host) {
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = root;
  event.xclient.message_type = XInternAtom(display, "MANAGER", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = CurrentTime;
  event.xclient.data.l[1] = (long)selection;
  event.xclient.data.l[2] = (long)host;
  XSendEvent(display, root, False, StructureNotifyMask, &event);
}

static void dock(Display* display, Window host, Window icon) {
  XReparentWindow(display, icon, host, 0, 0);
  XResizeWindow(display, icon, 22, 22);
  XMapRaised(display, icon);
  send_embedded_notify(display, icon, host);
  XFlush(display);
  printf("DOCK 0x%lx\n", (unsigned long)icon);
  fflush(stdout);
}

static int run_host(Display* display, int x, int y) {
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  const Atom selection = XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False);
  const Atom opcode = XInternAtom(display, "_NET_SYSTEM_TRAY_OPCODE", False);
  XSetWindowAttributes attributes;
  attributes.override_redirect = True;
  attributes.background_pixel = WhitePixel(display, screen);
  const Window host = XCreateWindow(display, root, x, y, 64, 32, 0, CopyFromParent, InputOutput,
                                    CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
  const long horizontal = 0;
  XChangeProperty(display, host, XInternAtom(display, "_NET_SYSTEM_TRAY_ORIENTATION", False),
                  XA_CARDINAL, 32, PropModeReplace, (const unsigned char*)&horizontal, 1);
  XMapWindow(display, host);
  XSetSelectionOwner(display, selection, host, CurrentTime);
  if (XGetSelectionOwner(display, selection) != host) {
    fprintf(stderr, "tray_host: another notification area owns the selection\n");
    return 1;
  }
  announce(display, root, selection, host);
  XFlush(display);
  printf("READY\n");
  fflush(stdout);
  const int fd = ConnectionNumber(display);
  while (!stop_requested) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == ClientMessage && event.xclient.message_type == opcode &&
          event.xclient.data.l[1] == SYSTEM_TRAY_REQUEST_DOCK)
        dock(display, host, (Window)event.xclient.data.l[2]);
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fd, &readable);
    struct timeval wait = {0, 100000};
    select(fd + 1, &readable, NULL, NULL, &wait);
  }
  XDestroyWindow(display, host);
  XCloseDisplay(display);
  return 0;
}

static void set_wm_state(Display* display, Window window, long value) {
  const Atom wm_state = XInternAtom(display, "WM_STATE", False);
  const long state[2] = {value, None};
  XChangeProperty(display, window, wm_state, wm_state, 32, PropModeReplace,
                  (const unsigned char*)state, 2);
  XSync(display, False);
}

static int iconify(Display* display, Window window) {
  const struct timespec pause = {0, 300000000};
  set_wm_state(display, window, NormalState);
  nanosleep(&pause, NULL);
  set_wm_state(display, window, IconicState);
  XCloseDisplay(display);
  return 0;
}

int main(int argc, char** argv) {
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "tray_host: no display\n");
    return 1;
  }
  signal(SIGTERM, on_signal);
  signal(SIGINT, on_signal);
  if (argc == 4 && strcmp(argv[1], "host") == 0)
    return run_host(display, atoi(argv[2]), atoi(argv[3]));
  if (argc == 3 && strcmp(argv[1], "iconify") == 0)
    return iconify(display, (Window)strtoul(argv[2], NULL, 0));
  fprintf(stderr, "usage: tray_host host X Y | tray_host iconify WINDOW\n");
  return 2;
}
