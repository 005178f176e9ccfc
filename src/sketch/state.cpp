// The sketch state and the drawing settings that stay fixed for the whole run.

#include <GL/gl.h>

#include "sketch.h"

bool rubberActive;
bool polygonClosed;
IntPoint vertices[MAX_VERTICES];
std::int32_t vertexCount;
IntPoint rubberSegment[2];

void initSketch()
{
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glPointSize(POINT_SIZE);
    // Selected once here; the rubber band switches the operation on only
    // for its own lines.
    glLogicOp(GL_XOR);
    vertexCount = 0;
    rubberActive = false;
    // Start as if a polygon had just been finished, so the very first left
    // press begins a polygon the same way every later one does.
    polygonClosed = true;
}
