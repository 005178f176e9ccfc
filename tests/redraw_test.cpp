// The full redraw, from sketch states set up directly.

#include <initializer_list>

#include <GL/freeglut.h>

#include "probe.h"
#include "shell.h"
#include "sketch.h"

namespace {

// Sets the state on a white window without drawing it.
void store(std::initializer_list<IntPoint> points, bool closed)
{
    resetSketch();
    for (IntPoint p : points)
        vertices[vertexCount++] = p;
    polygonClosed = closed;
}

void show(std::initializer_list<IntPoint> points, bool closed)
{
    store(points, closed);
    onDisplay();
}

// A vertex's dot is the 5 x 5 square centred on the pixel whose lower-left
// corner is the vertex.
::testing::AssertionResult dotAt(const Frame& frame, IntPoint v)
{
    for (int y = v.y - 2; y <= v.y + 2; ++y)
        for (int x = v.x - 2; x <= v.x + 2; ++x)
            if (auto r = pixelIs(frame, x, y, BLACK); !r)
                return r;
    return ::testing::AssertionSuccess();
}

constexpr IntPoint A{100, 100}, B{300, 100}, C{300, 250};

} // namespace

TEST(Redraw, WindowStartsWhiteAndAReshapeAsksForARepaint)
{
    openSketchWindow();
    EXPECT_TRUE(restIs(grabWindow(), WHITE));
    // The toolkit happens to repaint after its own reshapes; called on its
    // own, the handler must still ask for the repaint that it needs.
    store({A, B, C}, true);
    onReshape(SCENE_WIDTH, SCENE_HEIGHT);
    glutMainLoopEvent();
    EXPECT_TRUE(pixelIs(grabWindow(), 250, 150, RED));
}

TEST(Redraw, OneVertexIsOneFiveByFiveDotWhateverTheFlag)
{
    for (bool closed : {false, true}) {
        show({{100, 200}}, closed);
        Frame frame = grabWindow();
        EXPECT_TRUE(dotAt(frame, {100, 200})) << "closed " << closed;
        EXPECT_TRUE(restIs(frame, WHITE, 98, 198, 102, 202)) << "closed " << closed;
    }
}

TEST(Redraw, OpenPolygonJoinsItsDotsInOrderWithoutClosingEdge)
{
    show({A, B, C}, false);
    Frame frame = grabWindow();
    for (IntPoint v : {A, B, C})
        EXPECT_TRUE(dotAt(frame, v));
    EXPECT_TRUE(pixelIs(frame, 200, 99, BLACK)); // A to B
    EXPECT_TRUE(pixelIs(frame, 299, 175, BLACK)); // B to C
    for (int y = 170; y <= 180; ++y)             // no C to A
        for (int x = 195; x <= 205; ++x)
            EXPECT_TRUE(pixelIs(frame, x, y, WHITE));
}

TEST(Redraw, ClosedPolygonIsOutlinedThenFilledRed)
{
    show({A, B, C}, true);
    Frame frame = grabWindow();
    EXPECT_TRUE(pixelIs(frame, 250, 150, RED));
    EXPECT_TRUE(pixelIs(frame, 200, 99, BLACK));  // A to B, just outside the fill
    EXPECT_TRUE(pixelIs(frame, 200, 100, RED));   // the fill covers the row above
    EXPECT_TRUE(pixelIs(frame, 200, 175, BLACK)); // the closing edge C to A
    EXPECT_TRUE(pixelIs(frame, 98, 102, BLACK));  // dot corners outside the fill
    EXPECT_TRUE(pixelIs(frame, 302, 98, BLACK));
    EXPECT_TRUE(pixelIs(frame, 299, 248, RED));   // dots are covered inside it
}

TEST(Redraw, TwoVerticesOfAClosedPolygonAreJoinedByOneLine)
{
    show({A, B}, true);
    Frame frame = grabWindow();
    EXPECT_TRUE(dotAt(frame, A));
    EXPECT_TRUE(dotAt(frame, B));
    EXPECT_TRUE(pixelIs(frame, 200, 99, BLACK));
    EXPECT_TRUE(restIs(frame, WHITE, 98, 98, 302, 102));
}

TEST(Redraw, NoVerticesShowsOnlyWhiteWhateverTheFlags)
{
    for (bool closed : {false, true})
        for (bool rubber : {false, true}) {
            show({A, B, C}, true); // something to wipe
            vertexCount = 0;
            polygonClosed = closed;
            rubberActive = rubber;
            onDisplay();
            EXPECT_TRUE(restIs(grabWindow(), WHITE)) << "closed " << closed << ", rubber " << rubber;
        }
}
