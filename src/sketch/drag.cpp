// Rubber-band tracking: while the left button is held, the line from the
// anchor follows the pointer, drawn and erased by exclusive-or.

#include <GL/gl.h>

#include "sketch.h"

void onMouseDrag(int x, int y)
{
    if (!rubberActive)
        return;
    IntPoint p = {x, SCENE_HEIGHT - y};
    // XOR with white inverts what lies beneath, so drawing the old line a
    // second time erases it and nothing under it has to be repainted.
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_COLOR_LOGIC_OP);
    glBegin(GL_LINES);
    glVertex2i(rubberSegment[0].x, rubberSegment[0].y);
    glVertex2i(rubberSegment[1].x, rubberSegment[1].y);
    glVertex2i(rubberSegment[0].x, rubberSegment[0].y);
    glVertex2i(p.x, p.y);
    glEnd();
    glFlush();
    glDisable(GL_COLOR_LOGIC_OP);
    rubberSegment[1] = p;
}
