// xwindow: what a person does to windows that xdotool cannot:
//
//   xwindow close <window id>   asks the window to close, as the title bar's
//                               close button does (WM_DELETE_WINDOW)
//   xwindow clear-selection     leaves no text selected anywhere
//   xwindow selection           waits until some text is selected, prints it
//
// Used by the end-to-end tests and the demo, which run under Xvfb without a
// window manager.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int closeWindow(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    if (XSendEvent(display, window, False, NoEventMask, &event) == 0) {
        std::fprintf(stderr, "xwindow: cannot send the close request to window %lu\n", window);
        return 1;
    }
    XSync(display, False);
    return 0;
}

// Waits up to `ms` for the next event of `type`; false when none came.
bool waitForEvent(Display* display, int type, XEvent& event, int ms) {
    for (int waited = 0; waited <= ms; waited += 10) {
        while (XPending(display) > 0) {
            XNextEvent(display, &event);
            if (event.type == type) return true;
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, 10);
    }
    return false;
}

// Takes the primary selection and lets it go with the connection: after
// that no window holds selected text until someone selects again.
int clearSelection(Display* display) {
    const Window own = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, XA_PRIMARY, own, CurrentTime);
    XSync(display, False);
    return XGetSelectionOwner(display, XA_PRIMARY) == own ? 0 : 1;
}

// Waits up to three seconds for a window to hold the primary selection (a
// text field selects its text on a triple click), then prints that text.
int printSelection(Display* display) {
    for (int waited = 0; XGetSelectionOwner(display, XA_PRIMARY) == None; waited += 10) {
        if (waited >= 3000) {
            std::fprintf(stderr, "xwindow: no text was selected\n");
            return 1;
        }
        poll(nullptr, 0, 10);
    }
    const Window own = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const Atom into = XInternAtom(display, "XWINDOW_SELECTION", False);
    XConvertSelection(display, XA_PRIMARY, utf8, into, own, CurrentTime);
    XFlush(display);
    XEvent event{};
    if (!waitForEvent(display, SelectionNotify, event, 3000) || event.xselection.property == None) {
        std::fprintf(stderr, "xwindow: the selection holds no text\n");
        return 1;
    }
    Atom type = None;
    int format = 0;
    unsigned long items = 0, left = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, own, into, 0, 1 << 20, True, AnyPropertyType, &type, &format, &items, &left, &data);
    if (data != nullptr) {
        std::fwrite(data, 1, items, stdout);
        XFree(data);
    }
    std::fputc('\n', stdout);
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: xwindow close <window id> | xwindow clear-selection | xwindow selection\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "xwindow: cannot open the display %s\n", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        return 1;
    }
    const std::string command = argv[1];
    int result = 2;
    if (command == "close" && argc == 3) result = closeWindow(display, Window(std::strtoul(argv[2], nullptr, 0)));
    else if (command == "clear-selection" && argc == 2) result = clearSelection(display);
    else if (command == "selection" && argc == 2) result = printSelection(display);
    else result = usage();
    XCloseDisplay(display);
    return result;
}
