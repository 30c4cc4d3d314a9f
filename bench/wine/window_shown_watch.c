// Watches the X display for a top-level window with a given title to be
// mapped and to show a given colour at a given point, that is for a
// program's window to be visible with its first frame painted. The same
// watcher times kestro.exe and the minimal Win32 program, so both are seen
// shown by the same rule.
// Prints "ready" once it watches, then the CLOCK_MONOTONIC time (seconds)
// at which the window was seen shown; exits 1 after TIMEOUT seconds without,
// 3 when such a window is shown already.
// Usage: window_shown_watch TITLE RRGGBB X Y TIMEOUT_SECONDS
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static int failed_request = 0;

// A window can go between the event and the request about it; that is not
// an error here, only "not shown yet".
static int NoteError(Display* display, XErrorEvent* error) {
  (void)display;
  (void)error;
  failed_request = 1;
  return 0;
}

static double Now(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

static int HasTitle(Display* display, Window window, const char* title) {
  char* name = NULL;
  failed_request = 0;
  const int found = XFetchName(display, window, &name) && !failed_request && name != NULL && strcmp(name, title) == 0;
  if (name != NULL) XFree(name);
  return found;
}

static int ShowsColour(Display* display, Window window, int x, int y, unsigned long colour) {
  failed_request = 0;
  XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
  XSync(display, False);
  if (image == NULL || failed_request) return 0;
  const unsigned long pixel = XGetPixel(image, 0, 0) & 0xffffff;
  XDestroyImage(image);
  return pixel == colour;
}

int main(int argc, char** argv) {
  if (argc != 6) {
    fprintf(stderr, "usage: %s TITLE RRGGBB X Y TIMEOUT_SECONDS\n", argv[0]);
    return 2;
  }
  const char* title = argv[1];
  const unsigned long colour = strtoul(argv[2], NULL, 16);
  const int x = atoi(argv[3]);
  const int y = atoi(argv[4]);
  const double deadline = Now() + atof(argv[5]);
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "window_shown_watch: cannot open the display\n");
    return 2;
  }
  XSetErrorHandler(NoteError);
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);
  // A window of an earlier run still up would be taken for the new one.
  Window unused, *children = NULL;
  unsigned int count = 0;
  if (XQueryTree(display, root, &unused, &unused, &children, &count)) {
    for (unsigned int i = 0; i < count; ++i) {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable &&
          HasTitle(display, children[i], title)) {
        fprintf(stderr, "window_shown_watch: a window titled \"%s\" is shown already\n", title);
        return 3;
      }
    }
    if (children != NULL) XFree(children);
  }
  printf("ready\n");
  fflush(stdout);

  Window shown = None;  // mapped with the title; its pixel is polled
  const struct timespec poll = {0, 1000000};
  while (Now() < deadline) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify && HasTitle(display, event.xmap.window, title)) shown = event.xmap.window;
      if (event.type == UnmapNotify && event.xunmap.window == shown) shown = None;
      if (event.type == DestroyNotify && event.xdestroywindow.window == shown) shown = None;
    }
    if (shown != None && ShowsColour(display, shown, x, y, colour)) {
      printf("%.6f\n", Now());
      return 0;
    }
    nanosleep(&poll, NULL);
  }
  fprintf(stderr, "window_shown_watch: no window titled \"%s\" shown with %06lx at %d, %d\n", title, colour, x, y);
  return 1;
}
