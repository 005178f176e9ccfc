// Test support: window set-up and exact-colour pixel probes.

#include <cstdio>
#include <cstdlib>

#include <GL/gl.h>
#include <GL/freeglut.h>

#include "probe.h"
#include "shell.h"
#include "sketch.h"

// After the test framework, which Xlib's None and Bool macros would break.
#include <GL/glx.h>

static bool firstRedrawDone;
static int sketchWindow;

static std::string describe(Rgb c)
{
    char text[32];
    std::snprintf(text, sizeof text, "rgb(%d, %d, %d)", c.r, c.g, c.b);
    return text;
}

::testing::AssertionResult pixelIs(const Frame& frame, int x, int y, Rgb expected)
{
    Rgb observed = frame.at(x, y);
    if (observed == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << "): expected "
                                         << describe(expected) << ", observed " << describe(observed);
}

::testing::AssertionResult restIs(const Frame& frame, Rgb expected, int x0, int y0, int x1, int y1)
{
    int wrong = 0;
    ::testing::AssertionResult first = ::testing::AssertionSuccess();
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            if (x >= x0 && x <= x1 && y >= y0 && y <= y1)
                continue;
            if (!(frame.at(x, y) == expected) && wrong++ == 0)
                first = pixelIs(frame, x, y, expected);
        }
    if (wrong == 0)
        return first;
    return first << " (first of " << wrong << " wrong pixels)";
}

::testing::AssertionResult framesMatch(const Frame& expected, const Frame& observed)
{
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x)
            if (!(observed.at(x, y) == expected.at(x, y)))
                return pixelIs(observed, x, y, expected.at(x, y));
    return ::testing::AssertionSuccess();
}

static void displayAndNote()
{
    onDisplay();
    firstRedrawDone = true;
}

// Handles everything that the server has to say about the window so far,
// its first configure and expose events included, so that from here on only
// a repaint that a test asks for can repaint it.
static void settle()
{
    Display* display = glXGetCurrentDisplay();
    do {
        glutMainLoopEvent();
        XSync(display, False);
    } while (XPending(display));
}

// Runs before the toolkit's own exit handler, which destroys the window.
// After a read-back the software rasteriser still owes the window a copy of
// its front buffer, and sending that to a window that is gone is an X error:
// the GL work ends first, then the window.
static void closeSketchWindow()
{
    glFinish();
    glutDestroyWindow(sketchWindow);
    glutMainLoopEvent();
}

void openSketchWindow()
{
    static bool open;
    if (open)
        return;
    int argc = 1;
    char name[] = "sketch-tests";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_SINGLE | GLUT_RGB);
    glutInitWindowSize(SCENE_WIDTH, SCENE_HEIGHT);
    sketchWindow = glutCreateWindow(name);
    std::atexit(closeSketchWindow);
    initSketch();
    glutDisplayFunc(displayAndNote);
    glutReshapeFunc(onReshape);
    while (!firstRedrawDone)
        glutMainLoopEvent();
    settle();
    open = true;
}

Frame grabWindow()
{
    Frame frame;
    frame.width = glutGet(GLUT_WINDOW_WIDTH);
    frame.height = glutGet(GLUT_WINDOW_HEIGHT);
    frame.pixels.resize(frame.width * frame.height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frame.width, frame.height, GL_RGB, GL_UNSIGNED_BYTE, frame.pixels.data());
    return frame;
}

void resetSketch()
{
    openSketchWindow();
    initSketch();
    onDisplay();
}

void press(int button, int x, int y) { onMouseButton(button, GLUT_DOWN, x, y); }
void release(int button, int x, int y) { onMouseButton(button, GLUT_UP, x, y); }

void click(int x, int y)
{
    press(GLUT_LEFT_BUTTON, x, y);
    release(GLUT_LEFT_BUTTON, x, y);
}

void clickTriangle()
{
    resetSketch();
    click(100, 284);
    click(300, 284);
    click(300, 134);
}
