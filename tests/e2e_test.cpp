// The real program as a user meets it: started from a command line, driven by
// XTest pointer input, its window read back from the X server. With
// POLYSKETCH_LAUNCHER set, the program named by POLYSKETCH_PROGRAM runs under
// that launcher instead (the Windows build under Wine).

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

// Before Xlib, whose None and Bool macros would break the test framework.
#include "probe.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
extern "C" {
#include <xdo.h>
}

namespace {

constexpr int POLL_TRIES = 250; // of 20 ms each

const char* const launcher = std::getenv("POLYSKETCH_LAUNCHER");
// A Windows program under Wine: its title is its Windows path, Windows puts
// the window's frame rather than its drawing area at the requested position,
// and the toolkit warns that it cannot open the X display named by DISPLAY,
// which Wine hands on but Windows knows nothing of. Checks of those are left
// out for it.
const bool underWine = launcher != nullptr;

class Program : public ::testing::Test {
protected:
    xdo_t* xdo = nullptr;
    Display* dpy = nullptr;
    pid_t pid = -1;
    FILE* output = nullptr;
    Window window = 0;

    void SetUp() override
    {
        xdo = xdo_new(nullptr);
        ASSERT_NE(xdo, nullptr) << "no X display to test on";
        dpy = xdo->xdpy;
        output = std::tmpfile();
    }

    void TearDown() override
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        std::fclose(output);
        xdo_free(xdo);
    }

    // The program's windows on screen. A window that an earlier test's
    // program has not yet taken away (Wine can be slow to) is no window of
    // this one's: `earlier` holds those seen before the launch.
    std::vector<Window> earlier;
    std::vector<Window> programWindows()
    {
        xdo_search_t search{};
        search.winname = underWine ? "\\\\polysketch\\.exe$" : "polysketch$";
        search.max_depth = 1;
        search.require = xdo_search_t::SEARCH_ALL;
        search.searchmask = SEARCH_NAME | SEARCH_ONLYVISIBLE;
        Window* found = nullptr;
        unsigned int count = 0;
        std::vector<Window> windows;
        // A window can vanish while the search looks at it; that error, and
        // only that one, is expected here.
        XSync(dpy, False);
        defaultHandler = XSetErrorHandler(ignoreVanishedWindows);
        if (xdo_search_windows(xdo, &search, &found, &count) == XDO_SUCCESS)
            windows.assign(found, found + count);
        XSync(dpy, False);
        XSetErrorHandler(defaultHandler);
        std::free(found);
        return windows;
    }
    static inline XErrorHandler defaultHandler = nullptr;
    static int ignoreVanishedWindows(Display* display, XErrorEvent* error)
    {
        return error->error_code == BadWindow ? 0 : defaultHandler(display, error);
    }

    // args[0] becomes argv[0]; an empty list starts the program with none.
    // Under Wine, Windows makes the command line: the arguments play no part.
    void launch(const std::vector<std::string>& args)
    {
        std::vector<char*> argv;
        if (underWine)
            argv = {const_cast<char*>(launcher), std::getenv("POLYSKETCH_PROGRAM")};
        else
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        earlier = programWindows();
        pid = fork();
        if (pid == 0) {
            dup2(fileno(output), 1);
            dup2(fileno(output), 2);
            execv(underWine ? launcher : POLYSKETCH_PATH, argv.data());
            _exit(127);
        }
    }

    // Finds the program's window by its title once it is on screen and
    // painted, so that no pending first redraw can wipe what the test draws.
    ::testing::AssertionResult waitForWindow(const std::string& title)
    {
        for (int i = 0; i < POLL_TRIES; ++i, usleep(20000)) {
            for (Window w : programWindows())
                if (!window && std::find(earlier.begin(), earlier.end(), w) == earlier.end()) {
                    window = w;
                    if (underWine)
                        actAsWindowManager();
                }
            // All white only once the program's first redraw has wiped
            // whatever the server showed there.
            if (window && restIs(grab(), WHITE))
                return titled(title);
        }
        return ::testing::AssertionFailure() << "no window titled \"" << title << "\" appeared";
    }

    // Wine 10 passes a window's later changes of size on to the program only
    // once a window manager has taken the window on, which it learns from
    // the window's WM_STATE. The test display has none, so the test sets
    // that as one would.
    void actAsWindowManager()
    {
        Atom state = XInternAtom(dpy, "WM_STATE", False);
        long value[2] = {NormalState, 0};
        XChangeProperty(dpy, window, state, state, 32, PropModeReplace, reinterpret_cast<unsigned char*>(value), 2);
        XSync(dpy, False);
    }

    // The title is argv[0] exactly as given; under Wine, the Windows path.
    ::testing::AssertionResult titled(const std::string& title)
    {
        char* name = nullptr;
        XFetchName(dpy, window, &name);
        std::string shown = name ? name : "";
        XFree(name);
        if (underWine || shown == title)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "window titled \"" << shown << "\", not \"" << title << "\"";
    }

    // The window's icon as the window manager gets it, in _NET_WM_ICON: for
    // each size its width and height, then its pixels as ARGB.
    ::testing::AssertionResult iconShows(Rgb colour)
    {
        unsigned long argb = 0xff000000ul | colour.r << 16 | colour.g << 8 | colour.b;
        Atom property = XInternAtom(dpy, "_NET_WM_ICON", False);
        for (int i = 0; i < POLL_TRIES; ++i, usleep(20000)) {
            Atom type;
            int format;
            unsigned long count = 0, after;
            unsigned char* data = nullptr;
            XGetWindowProperty(dpy, window, property, 0, 1 << 20, False, XA_CARDINAL, &type, &format,
                               &count, &after, &data);
            const unsigned long* values = reinterpret_cast<const unsigned long*>(data);
            bool found = false;
            for (unsigned long k = 0; k < count && !found; ++k)
                found = (values[k] & 0xfffffffful) == argb;
            XFree(data);
            if (found)
                return ::testing::AssertionSuccess();
        }
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08lx", argb);
        return ::testing::AssertionFailure() << "the window's icon holds no pixel of ARGB " << hex;
    }

    Frame grab()
    {
        XWindowAttributes wa;
        XGetWindowAttributes(dpy, window, &wa);
        XImage* image = XGetImage(dpy, window, 0, 0, wa.width, wa.height, AllPlanes, ZPixmap);
        Frame frame{wa.width, wa.height, {}};
        for (int y = 0; y < wa.height; ++y)
            for (int x = 0; x < wa.width; ++x) {
                unsigned long p = XGetPixel(image, x, y);
                frame.pixels.push_back({static_cast<unsigned char>(p >> 16),
                                        static_cast<unsigned char>(p >> 8),
                                        static_cast<unsigned char>(p)});
            }
        XDestroyImage(image);
        return frame;
    }

    // The program draws in its own time, so a probe waits for its colour.
    ::testing::AssertionResult eventually(int x, int y, Rgb expected)
    {
        for (int i = 0;; ++i, usleep(20000)) {
            Frame frame = grab();
            auto result = pixelIs(frame, x, y, expected);
            if (result || i == POLL_TRIES)
                return result;
        }
    }

    // Pointer input at a position in window pixels.
    void moveTo(int x, int y) { xdo_move_mouse_relative_to_window(xdo, window, x, y); }
    void button(int number, bool down)
    {
        if (down)
            xdo_mouse_down(xdo, CURRENTWINDOW, number);
        else
            xdo_mouse_up(xdo, CURRENTWINDOW, number);
    }
    void click(int x, int y, int number = 1)
    {
        moveTo(x, y);
        xdo_click_window(xdo, CURRENTWINDOW, number);
    }

    void resize(int width, int height)
    {
        XResizeWindow(dpy, window, width, height);
        XSync(dpy, False);
    }

    // What a window manager sends when the user closes the window.
    void requestClose()
    {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = window;
        e.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy, window, False, NoEventMask, &e);
        XSync(dpy, False);
    }

    // Waits for the program to end; the status as waitpid gives it, or -1.
    int exitStatus()
    {
        for (int i = 0; i < POLL_TRIES; ++i, usleep(20000)) {
            int status;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return status;
            }
        }
        return -1;
    }

    std::string printed()
    {
        std::fflush(output);
        std::string text(4096, '\0');
        text.resize(pread(fileno(output), text.data(), text.size(), 0));
        return text;
    }
};

} // namespace

TEST_F(Program, OpensWhiteWindowWhereAskedAndEndsQuietlyWhenClosed)
{
    launch({"./bin/../polysketch"});
    ASSERT_TRUE(waitForWindow("./bin/../polysketch"));
    XWindowAttributes wa;
    XGetWindowAttributes(dpy, window, &wa);
    int x, y;
    Window child;
    XTranslateCoordinates(dpy, window, DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
    if (!underWine) {
        EXPECT_EQ(x, 256);
        EXPECT_EQ(y, 192);
    } else {
        EXPECT_TRUE(iconShows(RED)); // the program's own icon, not the Windows logo
    }
    EXPECT_EQ(wa.width, 512);
    EXPECT_EQ(wa.height, 384);
    EXPECT_TRUE(restIs(grab(), WHITE));

    requestClose();
    int status = exitStatus();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
    if (!underWine) {
        EXPECT_EQ(printed(), "");
    }
}

TEST_F(Program, CommandLinesAUserMayType)
{
    launch({}); // no invocation name at all
    ASSERT_TRUE(waitForWindow("polysketch"));
    requestClose();
    EXPECT_EQ(exitStatus(), 0);

    window = 0;
    launch({"polysketch", "--no-such-option", "file.txt"});
    ASSERT_TRUE(waitForWindow("polysketch"));
    requestClose();
    EXPECT_EQ(exitStatus(), 0);

    launch({"polysketch", "-display", ":4095"}); // no server there
    int status = exitStatus();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << "wait status " << status;
    EXPECT_NE(printed().find("failed to open display"), std::string::npos) << printed();
}

// Window pixels count rows from the top: scene y is 384 - row for a press,
// and a GL row r shows as window row 383 - r.
TEST_F(Program, DrawsAndFillsAPolygonAndStretchesItOnResize)
{
    launch({"polysketch"});
    ASSERT_TRUE(waitForWindow("polysketch"));

    moveTo(100, 284); // scene (100, 100)
    button(1, true);
    moveTo(100, 184); // band straight up to scene (100, 200)
    EXPECT_TRUE(eventually(99, 233, BLACK));
    moveTo(300, 284); // band along the bottom to scene (300, 100)
    EXPECT_TRUE(eventually(200, 284, BLACK));
    EXPECT_TRUE(eventually(99, 233, WHITE)); // the previous band is gone
    button(1, false);
    click(300, 134); // scene (300, 250)
    click(100, 134); // scene (100, 250)
    click(0, 0, 3);  // the right button closes the rectangle
    EXPECT_TRUE(eventually(200, 208, RED));
    Frame frame = grab();
    EXPECT_TRUE(pixelIs(frame, 200, 284, BLACK)); // bottom edge, below the fill
    EXPECT_TRUE(pixelIs(frame, 99, 208, BLACK));  // closing edge, left of it
    EXPECT_TRUE(pixelIs(frame, 98, 285, BLACK));  // dots' outer corners
    EXPECT_TRUE(pixelIs(frame, 302, 131, BLACK));
    EXPECT_TRUE(pixelIs(frame, 302, 285, BLACK));
    EXPECT_TRUE(pixelIs(frame, 400, 100, WHITE));

    // Shrinking exposes nothing: only the repaint that follows the reshape
    // shows the scene at half size.
    resize(256, 192);
    EXPECT_TRUE(eventually(100, 104, RED)); // scene (200, 175)
    EXPECT_TRUE(pixelIs(grab(), 160, 104, WHITE));
    // The mouse keeps the scale and the height of the initial size: a new
    // polygon from scene (101, 233) to (201, 233) shows at half size.
    moveTo(101, 151);
    button(1, true);
    moveTo(201, 151);
    EXPECT_TRUE(eventually(75, 75, BLACK)); // the band
    button(1, false);
    EXPECT_TRUE(eventually(102, 77, BLACK)); // the new dot's corners
    EXPECT_TRUE(pixelIs(grab(), 48, 73, BLACK));

    resize(1024, 384);
    // Newly exposed pixels hold anything until the repaint, so every probe waits.
    EXPECT_TRUE(eventually(300, 151, BLACK)); // the edge, twice as wide
    EXPECT_TRUE(eventually(204, 152, BLACK)); // the first dot's corner
    EXPECT_TRUE(eventually(150, 151, WHITE));
    // A click at (512, 100) stores scene (512, 284), whose dot is drawn
    // at the right edge of the window, not under the pointer.
    click(512, 100);
    EXPECT_TRUE(eventually(1023, 99, BLACK));
    frame = grab();
    EXPECT_TRUE(pixelIs(frame, 1022, 101, BLACK));
    EXPECT_TRUE(pixelIs(frame, 512, 100, WHITE));

    requestClose();
    EXPECT_EQ(exitStatus(), 0);
    if (!underWine) {
        EXPECT_EQ(printed(), "");
    }
}
