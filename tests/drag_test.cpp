// The rubber band: what the user sees while dragging with the left button
// held, drawn and erased by exclusive-or.

#include <GL/freeglut.h>

#include "probe.h"
#include "sketch.h"

namespace {

// Presses on the triangle's last vertex, which arms the band without
// drawing a visible line.
void armOnTriangle()
{
    clickTriangle();
    press(GLUT_LEFT_BUTTON, 300, 134);
}

} // namespace

// Dragging from the anchor at (300, 250) to the scene point (200, 50) puts
// the band across the edge on row 99 at x = 224, and through (250, 150).

TEST(Drag, BandCrossesAnEdgeInWhiteAndLeavesNoTrail)
{
    armOnTriangle();
    Frame before = grabWindow();
    onMouseDrag(200, 334);
    Frame frame = grabWindow();
    EXPECT_TRUE(pixelIs(frame, 250, 150, BLACK)); // black over white
    EXPECT_TRUE(pixelIs(frame, 224, 99, WHITE));  // white over the black edge
    EXPECT_TRUE(pixelIs(frame, 223, 99, BLACK));
    onMouseDrag(150, 84);
    onMouseDrag(300, 134); // back onto the anchor: nothing left to show
    EXPECT_TRUE(framesMatch(before, grabWindow()));
    EXPECT_EQ(rubberSegment[0], (IntPoint{300, 250}));
    EXPECT_EQ(rubberSegment[1], (IntPoint{300, 250}));
}

TEST(Drag, BandShowsCyanOverTheRedFill)
{
    armOnTriangle();
    press(GLUT_RIGHT_BUTTON, 0, 0); // closed while the left button is held
    Frame filled = grabWindow();
    onMouseDrag(200, 334);
    Frame frame = grabWindow();
    EXPECT_TRUE(pixelIs(frame, 250, 150, CYAN));
    EXPECT_TRUE(pixelIs(frame, 251, 150, RED));
    onMouseDrag(300, 134);
    EXPECT_TRUE(framesMatch(filled, grabWindow()));
}

TEST(Drag, MotionWithoutAnArmedBandDrawsNothing)
{
    armOnTriangle();
    release(GLUT_LEFT_BUTTON, 300, 134);
    Frame before = grabWindow();
    IntPoint end = rubberSegment[1];
    onMouseDrag(200, 334);
    EXPECT_TRUE(framesMatch(before, grabWindow()));
    EXPECT_EQ(rubberSegment[1], end);
}

TEST(Drag, FirstMotionErasesThePressLineAndInvertsWhatWasBlackBeneath)
{
    resetSketch();
    click(100, 284);
    press(GLUT_LEFT_BUTTON, 300, 284); // plain black line on row 99
    onMouseDrag(100, 84);                                  // band now straight up
    Frame frame = grabWindow();
    EXPECT_TRUE(pixelIs(frame, 200, 99, WHITE));
    EXPECT_TRUE(pixelIs(frame, 102, 99, WHITE)); // part of the dot at (100, 100)
    EXPECT_TRUE(pixelIs(frame, 102, 100, BLACK));
    EXPECT_TRUE(pixelIs(frame, 99, 200, BLACK)); // the band
}
