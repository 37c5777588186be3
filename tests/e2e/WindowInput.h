#pragma once

// For e2e tests: real input for a GTK window on the X server (Xvfb), made through the server's
// XTEST extension as a person's mouse and keyboard would make it, so that it goes the whole way
// through GTK's event handling: the X server's pointer moves, its buttons and wheel turn, its
// keys go down and up. Points are in the coordinates of a widget of the window.

#include "platform/base/RunLoop.h"
#include "platform/ui/Geometry.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <chrono>
#include <gdk/x11/gdkx.h>
#include <gtk/gtk.h>
#include <string>

class WindowInput {
public:
    // Input for the window of `widget`, at points given in the widget's coordinates.
    explicit WindowInput(GtkWidget* widget)
        : widget_(widget)
        , display_(gdk_x11_display_get_xdisplay(gtk_widget_get_display(widget))) {}

    // Whether the window is on an X server that takes synthesized input.
    bool available() const {
        int event = 0, error = 0, major = 0, minor = 0;
        return GDK_IS_X11_DISPLAY(gtk_widget_get_display(widget_)) &&
               XTestQueryExtension(display_, &event, &error, &major, &minor);
    }

    void moveTo(ui::Point point) {
        const auto [x, y] = onScreen(point);
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
        send();
    }
    // The primary button pressed and released at the point.
    void click(ui::Point point) {
        moveTo(point);
        button(1);
    }
    // The primary button held down at the point for `held`, then released.
    void longPress(ui::Point point,
                   std::chrono::milliseconds held = std::chrono::milliseconds(900)) {
        moveTo(point);
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        XSync(display_, False);
        base::RunLoop::main().runUntil([] { return false; }, held);
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        send();
    }
    // The primary button pressed at `from`, moved to `to` in `steps` even steps, and released
    // there.
    void drag(ui::Point from, ui::Point to, int steps = 8) {
        moveTo(from);
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        send();
        for (int step = 1; step <= steps; ++step)
            moveTo(ui::Point(from.x + (to.x - from.x) * step / steps,
                             from.y + (to.y - from.y) * step / steps));
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        send();
    }
    // Wheel notches over the point: positive scrolls down.
    void wheel(ui::Point point, int notches) {
        moveTo(point);
        for (int i = 0; i < (notches < 0 ? -notches : notches); ++i)
            button(notches < 0 ? 4 : 5);
    }
    // Types the text (printable ASCII: addresses too) on the keyboard, with Shift held for the
    // characters that need it.
    void type(const std::string& text) {
        // A printable ASCII character's key symbol is its own code.
        for (char character : text)
            key(static_cast<unsigned char>(character));
    }
    void pressReturn() { key(XK_Return); }
    // The key of a printable ASCII character with Control held (Ctrl+V pastes).
    void pressWithControl(char character) {
        const KeyCode control = XKeysymToKeycode(display_, XK_Control_L);
        XTestFakeKeyEvent(display_, control, True, CurrentTime);
        XSync(display_, False);
        key(static_cast<unsigned char>(character));
        XTestFakeKeyEvent(display_, control, False, CurrentTime);
        send();
    }
    void pressEscape() { key(XK_Escape); }
    void pressHome() { key(XK_Home); }

    // The button with this label among the widget and everything inside it (an alert's or an
    // action sheet's), or null.
    static GtkWidget* findButton(GtkWidget* root, const std::string& label) {
        if (GTK_IS_BUTTON(root)) {
            const char* text = gtk_button_get_label(GTK_BUTTON(root));
            if (text && label == text)
                return root;
        }
        for (GtkWidget* child = gtk_widget_get_first_child(root); child;
             child = gtk_widget_get_next_sibling(child))
            if (GtkWidget* found = findButton(child, label))
                return found;
        return nullptr;
    }

private:
    void key(KeySym symbol) {
        const KeyCode code = XKeysymToKeycode(display_, symbol);
        const bool shifted = XkbKeycodeToKeysym(display_, code, 0, 0) != symbol;
        const KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
        if (shifted)
            XTestFakeKeyEvent(display_, shift, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        if (shifted)
            XTestFakeKeyEvent(display_, shift, False, CurrentTime);
        send();
    }
    void button(unsigned number) {
        XTestFakeButtonEvent(display_, number, True, CurrentTime);
        XTestFakeButtonEvent(display_, number, False, CurrentTime);
        send();
    }
    // Lets GTK take in what the server sent back before the next input.
    void send() {
        XSync(display_, False);
        base::RunLoop::main().runUntil([] { return false; }, std::chrono::milliseconds(60));
    }
    std::pair<int, int> onScreen(ui::Point point) const {
        GtkNative* native = gtk_widget_get_native(widget_);
        graphene_point_t in = GRAPHENE_POINT_INIT(float(point.x), float(point.y));
        graphene_point_t inNative;
        if (!gtk_widget_compute_point(widget_, GTK_WIDGET(native), &in, &inNative))
            inNative = in;
        double surfaceX = 0, surfaceY = 0;
        gtk_native_get_surface_transform(native, &surfaceX, &surfaceY);
        const Window window = gdk_x11_surface_get_xid(gtk_native_get_surface(native));
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display_, window, DefaultRootWindow(display_),
                              int(inNative.x + surfaceX), int(inNative.y + surfaceY), &rootX,
                              &rootY, &child);
        return {rootX, rootY};
    }

    GtkWidget* widget_;
    Display* display_;
};
