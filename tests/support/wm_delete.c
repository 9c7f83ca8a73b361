/* Asks a window to close the way a window manager does when the user clicks
 * its close button: a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW.
 * xdotool has no such command, and the end-to-end tests run without a window
 * manager.
 *   wm_delete WINDOW_ID      (decimal or 0x hex; DISPLAY from the environment)
 */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: wm_delete WINDOW_ID\n");
        return 2;
    }
    char* end = NULL;
    unsigned long id = strtoul(argv[1], &end, 0);
    if (end == argv[1] || *end != '\0' || id == 0) {
        fprintf(stderr, "wm_delete: not a window id: %s\n", argv[1]);
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "wm_delete: cannot open the display\n");
        return 1;
    }
    Window window = (Window)id;
    XEvent event = {0};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
