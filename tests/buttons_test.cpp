// The mouse-button handler: vertices, new polygons, closing and filling, as
// both the sketch state and the window show them.

#include <cstring>

#include <GL/freeglut.h>

#include "probe.h"
#include "sketch.h"

namespace {

// Everything a button event could change.
struct Snapshot {
    bool rubber = rubberActive;
    bool closed = polygonClosed;
    int count = vertexCount;
    IntPoint list[MAX_VERTICES];
    IntPoint segment[2] = {rubberSegment[0], rubberSegment[1]};
    Frame frame = grabWindow();
    Snapshot() { std::memcpy(list, vertices, sizeof list); }
};

::testing::AssertionResult unchangedSince(const Snapshot& before)
{
    Snapshot now;
    if (now.rubber != before.rubber || now.closed != before.closed || now.count != before.count
        || std::memcmp(now.list, before.list, sizeof now.list) != 0
        || std::memcmp(now.segment, before.segment, sizeof now.segment) != 0)
        return ::testing::AssertionFailure() << "the sketch state changed";
    return framesMatch(before.frame, now.frame);
}

} // namespace

// The first press of a polygon is also every left press after a closed one.
TEST(Buttons, FirstPressStartsAfreshAndAClickStoresItsPointTwice)
{
    clickTriangle();
    press(GLUT_RIGHT_BUTTON, 0, 0); // a closed polygon on screen to wipe
    press(GLUT_LEFT_BUTTON, 200, 84);
    EXPECT_EQ(vertexCount, 1);
    EXPECT_EQ(vertices[0], (IntPoint{200, 300})); // y measured from the bottom, 384 - y
    EXPECT_FALSE(polygonClosed);
    EXPECT_TRUE(rubberActive);
    EXPECT_EQ(rubberSegment[0], (IntPoint{200, 300}));
    EXPECT_EQ(rubberSegment[1], (IntPoint{200, 300}));
    EXPECT_TRUE(restIs(grabWindow(), WHITE, 198, 298, 202, 302)); // the dot, nothing else

    release(GLUT_LEFT_BUTTON, 200, 84);
    EXPECT_EQ(vertexCount, 2);
    EXPECT_EQ(vertices[1], (IntPoint{200, 300}));
    EXPECT_FALSE(rubberActive);
    Frame frame = grabWindow();
    EXPECT_TRUE(pixelIs(frame, 198, 298, BLACK));
    EXPECT_TRUE(pixelIs(frame, 202, 302, BLACK));
    EXPECT_TRUE(restIs(frame, WHITE, 198, 298, 202, 302));

    release(GLUT_LEFT_BUTTON, -5, 400); // held outside the window: used as it comes
    EXPECT_EQ(vertices[2], (IntPoint{-5, -16}));
}

TEST(Buttons, PressDrawsTheEdgeFromTheLastVertexAndReleaseItsDot)
{
    resetSketch();
    click(100, 284);
    press(GLUT_LEFT_BUTTON, 300, 284);
    Frame frame = grabWindow();
    EXPECT_TRUE(pixelIs(frame, 200, 99, BLACK));
    EXPECT_TRUE(pixelIs(frame, 301, 101, WHITE)); // no dot before the release
    release(GLUT_LEFT_BUTTON, 300, 284);
    EXPECT_TRUE(pixelIs(grabWindow(), 301, 101, BLACK));
}

TEST(Buttons, MiddleOrRightPressClosesAndFillsFromThreeVertices)
{
    for (int button : {GLUT_MIDDLE_BUTTON, GLUT_RIGHT_BUTTON}) {
        resetSketch();
        press(GLUT_LEFT_BUTTON, 100, 284);
        release(GLUT_LEFT_BUTTON, 300, 284);
        Snapshot two;
        press(button, 0, 0);
        EXPECT_TRUE(unchangedSince(two)) << "button " << button;

        clickTriangle();
        press(button, 0, 0);
        EXPECT_TRUE(polygonClosed);
        Frame frame = grabWindow();
        EXPECT_TRUE(pixelIs(frame, 200, 175, BLACK)) << "closing edge, button " << button;
        EXPECT_TRUE(pixelIs(frame, 220, 140, RED)) << "fill, button " << button;
        // Clicked vertices leave on screen what a full redraw draws, so the
        // incremental close must match it pixel for pixel: fill drawn last.
        onDisplay();
        EXPECT_TRUE(framesMatch(grabWindow(), frame)) << "button " << button;

        Snapshot closed;
        press(button, 0, 0);
        EXPECT_TRUE(unchangedSince(closed)) << "button " << button;
    }
}

TEST(Buttons, OtherButtonsAndMiddleOrRightReleasesChangeNothing)
{
    clickTriangle();
    Snapshot before;
    for (int button : {-1, 3, 4, 5})
        for (int state : {GLUT_DOWN, GLUT_UP}) {
            onMouseButton(button, state, 10, 10);
            EXPECT_TRUE(unchangedSince(before)) << "button " << button << ", state " << state;
        }
    for (int button : {GLUT_MIDDLE_BUTTON, GLUT_RIGHT_BUTTON}) {
        release(button, 10, 10);
        EXPECT_TRUE(unchangedSince(before)) << "release of button " << button;
    }
}

TEST(Buttons, ReleaseOnAFullListStoresAndDrawsNothingButDisarms)
{
    resetSketch();
    press(GLUT_LEFT_BUTTON, 10, 10);
    for (int i = 1; i < MAX_VERTICES; ++i)
        release(GLUT_LEFT_BUTTON, 10 + 4 * i, 10);
    ASSERT_EQ(vertexCount, MAX_VERTICES);
    press(GLUT_LEFT_BUTTON, 200, 200);
    Snapshot full;
    release(GLUT_LEFT_BUTTON, 300, 300);
    EXPECT_FALSE(rubberActive);
    full.rubber = false;
    EXPECT_TRUE(unchangedSince(full));
}
