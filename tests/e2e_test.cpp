// The real program as a user meets it: started from a command line, driven by
// XTest pointer input, its window read back from the X server.

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

// Before Xlib, whose None and Bool macros would break the test framework.
#include "probe.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace {

constexpr int POLL_TRIES = 250; // of 20 ms each

class Program : public ::testing::Test {
protected:
    Display* dpy = nullptr;
    pid_t pid = -1;
    FILE* output = nullptr;
    Window window = 0;

    void SetUp() override
    {
        dpy = XOpenDisplay(nullptr);
        ASSERT_NE(dpy, nullptr) << "no X display to test on";
        output = std::tmpfile();
    }

    void TearDown() override
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        std::fclose(output);
        XCloseDisplay(dpy);
    }

    // args[0] becomes argv[0]; an empty list starts the program with none.
    void launch(const std::vector<std::string>& args)
    {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid = fork();
        if (pid == 0) {
            dup2(fileno(output), 1);
            dup2(fileno(output), 2);
            execv(POLYSKETCH_PATH, argv.data());
            _exit(127);
        }
    }

    // Finds the program's window by its title once it is on screen and
    // painted, so that no pending first redraw can wipe what the test draws.
    ::testing::AssertionResult waitForWindow(const std::string& title)
    {
        for (int i = 0; i < POLL_TRIES; ++i, usleep(20000)) {
            Window root, parent, *children = nullptr;
            unsigned count = 0;
            XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count);
            for (unsigned c = 0; c < count && !window; ++c) {
                char* name = nullptr;
                XWindowAttributes wa;
                if (XFetchName(dpy, children[c], &name) && title == name
                    && XGetWindowAttributes(dpy, children[c], &wa) && wa.map_state == IsViewable)
                    window = children[c];
                XFree(name);
            }
            XFree(children);
            // All white only once the program's first redraw has wiped
            // whatever the server showed there.
            if (window && restIs(grab(), WHITE))
                return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "no window titled \"" << title << "\" appeared";
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
    void moveTo(int x, int y)
    {
        int rx, ry;
        Window child;
        XTranslateCoordinates(dpy, window, DefaultRootWindow(dpy), x, y, &rx, &ry, &child);
        XTestFakeMotionEvent(dpy, DefaultScreen(dpy), rx, ry, CurrentTime);
        XSync(dpy, False);
    }

    void button(unsigned number, bool down)
    {
        XTestFakeButtonEvent(dpy, number, down, CurrentTime);
        XSync(dpy, False);
    }

    void click(int x, int y, unsigned number = 1)
    {
        moveTo(x, y);
        button(number, true);
        button(number, false);
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
    EXPECT_EQ(x, 256);
    EXPECT_EQ(y, 192);
    EXPECT_EQ(wa.width, 512);
    EXPECT_EQ(wa.height, 384);
    EXPECT_TRUE(restIs(grab(), WHITE));

    requestClose();
    int status = exitStatus();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
    EXPECT_EQ(printed(), "");
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

    XResizeWindow(dpy, window, 1024, 384);
    XSync(dpy, False);
    EXPECT_TRUE(eventually(550, 208, RED)); // scene x 275, stretched twice as wide
    EXPECT_TRUE(eventually(620, 208, WHITE));
    // The mouse keeps the initial scale: this new polygon's dot is drawn at
    // scene (512, 284), the right edge of the window.
    click(512, 100);
    EXPECT_TRUE(eventually(1023, 99, BLACK));
    frame = grab();
    EXPECT_TRUE(pixelIs(frame, 1022, 101, BLACK));
    EXPECT_TRUE(restIs(frame, WHITE, 1022, 97, 1023, 101));

    requestClose();
    EXPECT_EQ(exitStatus(), 0);
    EXPECT_EQ(printed(), "");
}
